#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/failure_trap.h"
#include "fs/file_transfer.h"

struct TransferRows {
  std::size_t count = 0;
  std::function<std::string(std::size_t)> path;
  std::function<bool(std::size_t)> ticked;
};

struct Preflight;

struct TransferOutcome {
  // Nothing was written: the findings before the first byte said so.
  bool stopped = false;
  std::vector<std::size_t> gone;  // rows whose file has moved away (a move only)
  // Without a listener for every file: ticked files a copy passed over
  // silently, each with why, and "old name → new name" of files a move renamed.
  std::vector<std::pair<std::string, std::string>> not_copied;
  std::vector<std::string> renamed;
  // Files transferred without what the sentence says they lack (their date).
  std::vector<std::string> incomplete;
  std::vector<std::string> in_place;  // ticked files already in the destination folder
};

// How a transfer goes beyond the window's rule.
struct TransferOptions {
  // No file already there is replaced: every newcomer whose name is taken,
  // copied or moved, takes the first free numbered name.
  bool keep_existing = false;
  bool verify = false;  // every copy checked by its bytes
  // A file already gathered (an identical copy there) is passed over.
  bool skip_gathered = false;
  // Nothing is written: each file's outcome is what the run would do now.
  bool plan_only = false;
  // A plan's destination folder that does not stand yet: the run makes it.
  bool folder_to_make = false;
  // Each file's outcome, in the order each was done; none is kept.
  std::function<void(const FileOutcome&)> tell = nullptr;
  // What keeps the transfer or some files from the destination, told before
  // the first byte; such a file's outcome is told as not done, shown already.
  std::function<void(const Preflight&)> found = nullptr;
  // Told before each move's source goes, as TransferRun::RecordLeaving says.
  Outcomes::Leaving leaving = nullptr;
};

// Copies or moves every ticked file into the destination folder under its
// own name; the folder and the kind are asked afresh for each row. A file
// that is one of this transfer's (a ticked source, or a file an earlier row
// moved there) is never replaced: a copy's file stays where it is, reported;
// a moved file takes the first free numbered name.
TransferOutcome TransferChecked(const TransferRows& rows,
                                const std::function<std::string()>& destination,
                                const std::function<TransferKind()>& kind, FailureTrap& trap,
                                const TransferOptions& options = {});

// The one box that says which ticked files were not copied.
std::string NotCopiedMessage(const std::vector<std::pair<std::string, std::string>>& sources);
// The one box that says which files were transferred without their dates.
std::string IncompleteMessage(const std::vector<std::string>& incomplete);
// The one box that says which ticked files were in the destination folder already.
std::string InPlaceMessage(const std::vector<std::string>& in_place);
// The one box of what keeps the transfer or some files from destination.
std::string PreflightMessage(const Preflight& preflight, const std::string& destination,
                             TransferKind kind);
// The one box that says which moved files were given new names.
std::string RenamedMessage(const std::vector<std::string>& renamed);
