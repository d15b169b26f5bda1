#pragma once
// One run of larkspur-gather: the window's finding and gathering, from a
// command line, through the same library calls.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_times.h"
#include "results_page/find.h"
#include "results_page/single_file.h"
#include "results_page/transfer_words.h"
#include "setup_page/search_launch.h"

struct Request {
  std::vector<std::string> folders;
  DateKind date = DateKind::kModified;
  RangeKind range = RangeKind::kNone;
  long first_day = 0, second_day = 0;  // days since 1899-12-30
  TransferKind transfer = TransferKind::kNone;
  std::string destination;
  bool null_ended = false;  // a listing: paths only, each ended by NUL
  bool dry_run = false;
  bool progress = false;
  bool quiet = false;  // no line for a file given a new name
  // A file already in the destination may be replaced, as the window does;
  // else each newcomer whose name is taken gets the first free "stem (n).ext".
  bool replace = false;
  // Every copy checked by its bytes, as on a drive that is not trusted.
  bool verify = false;
  // A file gathered again even where its identical copy is there already.
  bool duplicates = false;
  bool verbose = false;      // a line for each file
  bool summary = false;      // a closing line: the files and bytes of each outcome
  bool make_folder = false;  // the destination made where its parent folder stands
  FileFilter filter;         // which files are taken
  std::string receipt;       // where each file done is written down, for an undo
};

// The day of text: YYYY-MM-DD, the locale's short date, today, yesterday or
// "N days ago", within the years 100 to 9999; none, with why, for anything else.
std::optional<long> ParseDay(const std::string& text, std::string& why);

// A size as find writes it: bytes, or with k, M or G (1024, 1024² and 1024³
// bytes), or c (bytes); none for anything else.
std::optional<std::uint64_t> ParseSize(const std::string& text);

// Set by a signal: the run stops at its next yield, leaving nothing partial.
extern std::atomic<int> g_stop_signal;

// How a run ended: its exit status.
enum class ExitCode {
  kDone = 0,        // everything found was listed or gathered
  kIncomplete = 1,  // some files not copied or moved, or a folder not read (each said on err)
  kUsage = 2,       // one line on err, nothing changed
  kStopped = 128,   // by a signal, whose number is added
};
// The graver of two statuses, so that one status is merged over a run.
inline ExitCode Merge(ExitCode a, ExitCode b) {
  return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
}
// The exit status of code, after a stop by g_stop_signal's signal.
int ExitStatus(ExitCode code);

// Lists or gathers what the request finds.
ExitCode Gather(const Request& request, std::FILE* out, std::FILE* err);
