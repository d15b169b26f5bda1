#pragma once
// What a transfer is given: its rows, and how it goes beyond the window's rule.
#include <cstddef>
#include <functional>
#include <string>

#include "fs/outcomes.h"

struct Preflight;

struct TransferRows {
  std::size_t count = 0;
  std::function<std::string(std::size_t)> path;
  std::function<bool(std::size_t)> ticked;
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
