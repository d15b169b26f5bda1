#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/failure_trap.h"
#include "results_page/single_file.h"
#include "results_page/transfer_options.h"

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
