#pragma once
// What keeps a transfer, or some of its files, from their destination:
// found from the ticked files and one look at the destination's drive,
// before the first byte is written.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_services.h"
#include "results_page/transfer_options.h"

struct Finding {
  static constexpr std::size_t kWhole = SIZE_MAX;
  std::size_t row;     // the file's, or kWhole
  int error;           // ENOSPC or EROFS (the whole); EFBIG, EILSEQ or ENAMETOOLONG (a file)
  std::string source;  // a file's
  std::uint64_t need = 0, free = 0;  // bytes: needed and free (ENOSPC), the file's (EFBIG)
};

struct Preflight {
  // Nothing may be written, and why: no room, or a read-only drive.
  std::optional<Finding> whole;
  std::vector<Finding> files;  // by row: files that cannot go
  std::vector<std::uint64_t> sizes;  // of each ticked row's file
  std::uint64_t total = 0;
  bool Found() const { return whole || !files.empty(); }
  // The finding that keeps row's file from going, if any.
  const Finding* For(std::size_t row) const;
};

// The rows, their destination (with folder_to_make, a folder still to be
// made) and the kind, as the run would find them now.
Preflight CheckBeforeWriting(const TransferRows& rows, const std::string& destination,
                             TransferKind kind, const TransferOptions& options, UiServices& ui);

// A finding in the words of a line of a box, or of the command line.
std::string FindingText(const Finding& finding, const std::string& destination,
                        TransferKind kind);
// "20.4 MB": a size as a person reads it; bytes below a kilobyte.
std::string SizeText(std::uint64_t bytes);
