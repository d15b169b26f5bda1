#include "cli/gather.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>
#include <unordered_set>

#include "app/failure_trap.h"
#include "cli/console_ui.h"
#include "cli/receipt.h"
#include "cli/shell_quote.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "results_page/preflight.h"
#include "results_page/transfer.h"
#include "setup_page/search_launch.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::atomic<int> g_stop_signal{0};

bool ConsoleUi::IsTerminal(std::FILE* file) {
#ifdef _WIN32
  return _isatty(_fileno(file)) != 0;
#else
  return isatty(fileno(file)) != 0;
#endif
}

namespace {

// The day number of a calendar date, none for a date that does not exist.
std::optional<long> ValidDay(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok() || year < 100 || year > 9999) return std::nullopt;
  return DaysFromCivil(year, month, day);
}

// Appends "2024-03-05 14:07:09": sorts as text, and parses anywhere. By
// hand, not by printf: a listing of millions spends its time here otherwise.
void AppendIso(std::string& line, DateValue value) {
  const long day = DayNumber(value);
  const long seconds =
      std::clamp(std::lround((value - static_cast<double>(day)) * 86400.0), 0L, 86399L);
  int y = 0, m = 0, d = 0;
  CivilFromDays(day, y, m, d);
  char text[] = "0000-00-00 00:00:00";
  const auto put = [&](int at, long n, int width) {
    for (int i = at + width - 1; i >= at; --i, n /= 10) text[i] = static_cast<char>('0' + n % 10);
  };
  put(0, y, 4);
  put(5, m, 2);
  put(8, d, 2);
  put(11, seconds / 3600, 2);
  put(14, seconds / 60 % 60, 2);
  put(17, seconds % 60, 2);
  line.append(text, sizeof text - 1);
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

// The line of a dry run for a file that would go to target; removed: a
// move's source that would be removed, its identical copy at target.
void AppendPlanned(std::string& line, const Request& r, const std::string& source,
                   const std::string& target, bool removed) {
  line.append(removed ? "remove" : r.transfer == TransferKind::kCopy ? "copy" : "move");
  // NUL-ended: the action, the source and the destination, each a field.
  if (r.null_ended) {
    line += '\0';
    line.append(source) += '\0';
    line.append(target) += '\0';
    return;
  }
  line += ' ';
  AppendShellQuoted(line, source);
  line.append(removed ? " (an identical copy is at " : " -> ");
  AppendShellQuoted(line, target);
  line.append(removed ? ")\n" : "\n");
}

// What a transfer did, counted for its closing line: the files and bytes
// of each outcome.
struct Tally {
  struct Count {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
  };
  // placed: copied or moved now (renamed: those of them under a new name);
  // passed: already there; removed: a move's source whose identical copy
  // was there; failed: not done, or a move that left the file in both places.
  Count placed, renamed, passed, removed, failed;

  // measure: the bytes are counted too.
  void Add(const FileOutcome& file, TransferKind kind, bool measure) {
    using W = FileOutcome;
    const bool away = file.what == W::kAlreadyThere && kind == TransferKind::kMove;
    Count& count = away                                                        ? removed
                   : file.what == W::kAlreadyThere || file.what == W::kInPlace ? passed
                   : !file.Done() || file.what == W::kKeptBoth                 ? failed
                                                                               : placed;
    std::uint64_t bytes = 0;
    if (measure) {  // where the file is now; a plan's, where it is still
      auto facts = os::Examine(file.Done() ? file.path : file.source);
      if (!facts && file.Done()) facts = os::Examine(file.source);
      bytes = facts ? facts->size : 0;
    }
    ++count.files, count.bytes += bytes;
    if (file.what == W::kCopiedRenamed || file.what == W::kMovedRenamed)
      ++renamed.files, renamed.bytes += bytes;
  }

  static std::string Files(const Count& c) {
    return std::to_string(c.files) + (c.files == 1 ? " file (" : " files (") + SizeText(c.bytes) +
           ")";
  }

  // "3 files (1.2 MB) copied, 1 of them under a new name; 2 files (...) passed over..."
  std::string Line(TransferKind kind, bool dry_run) const {
    const bool move = kind == TransferKind::kMove;
    std::string line;
    const auto part = [&](const Count& c, const std::string& what) {
      if (c.files > 0) line += (line.empty() ? "" : "; ") + Files(c) + " " + what;
    };
    part(placed, dry_run ? (move ? "to move" : "to copy") : (move ? "moved" : "copied"));
    if (renamed.files > 0)
      line += ", " + std::to_string(renamed.files) + " of them under a new name";
    part(passed, "passed over: already gathered");
    part(removed, std::string(dry_run ? "to remove" : "removed") +
                      " from their folders: an identical copy is there already");
    part(failed, "not done");
    return line.empty() ? "no files found" : line;
  }

  // Without the closing line: how many were there already, and what became of them.
  std::string Gathered(TransferKind kind) const {
    const std::size_t n = passed.files + removed.files;
    return std::to_string(n) + (n == 1 ? " file was" : " files were") +
           " already gathered (an identical copy there) and " +
           (kind == TransferKind::kMove ? "removed from their folders" : "passed over");
  }
};

// What one file's outcome makes of the run's exit status: a file not where
// it was to go, in both places, or placed with a failure said.
ExitCode StatusOf(const FileOutcome& file) {
  const bool failed = !file.Done() || file.what == FileOutcome::kKeptBoth || file.error;
  return failed ? ExitCode::kIncomplete : ExitCode::kDone;
}

// The line -v gives of one file, or a renamed one always; empty for a file
// whose failure has a line of its own.
std::string Told(const FileOutcome& file, TransferKind kind, bool dry_run) {
  using W = FileOutcome;
  const std::string from = ShellQuoted(file.source), to = ShellQuoted(file.path);
  const char* verb = kind == TransferKind::kMove ? "moved" : "copied";
  switch (file.what) {
    case W::kCopied:
    case W::kMoved:
      return std::string(verb) + " " + from + " -> " + to;
    case W::kCopiedRenamed:
    case W::kMovedRenamed:
      return std::string(verb) + " under a new name: " + from + " -> " + to;
    case W::kAlreadyThere:
      return (kind == TransferKind::kMove ? (dry_run ? "would remove " : "removed ")
                                          : "passed over ") +
             from + ": its identical copy is already at " + to;
    case W::kInPlace:
      return "passed over " + from + ": it is in the destination folder already";
    default:
      return {};
  }
}

// Copies or moves the rows, with a progress line of files and bytes; with
// dry_run, writes to out where each would go, the run's own plan.
ExitCode Transfer(const Request& r, const PathList& paths, const std::vector<std::uint32_t>& rows,
                  ConsoleUi& ui, std::FILE* out, Receipt* receipt) {
  const auto start = std::chrono::steady_clock::now();
  ui.SetStatus([&] {
    const ConsoleUi::Counts& c = ui.transfer();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = seconds > 0 ? static_cast<double>(c.bytes_done) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(c.bytes - c.bytes_done) / rate : 0;
    char text[160];
    std::snprintf(text, sizeof text, "%zu of %zu files, %s of %s, %s/s, %.0f s left", c.rows_done,
                  rows.size(), Megabytes(c.bytes_done).c_str(), Megabytes(c.bytes).c_str(),
                  Megabytes(static_cast<std::uint64_t>(rate)).c_str(), left);
    return std::string(text);
  });
  TransferRows list;
  list.count = rows.size();
  list.path = [&](std::size_t i) { return paths[rows[i]]; };
  list.ticked = [](std::size_t) { return true; };
  FailureTrap trap(ui, "larkspur-gather");
  // Each file's line as it is done: a run of millions holds none of them.
  // The status is merged over every file's outcome and each finding.
  ExitCode status = ExitCode::kDone;
  std::string line;
  TransferOptions options;
  options.keep_existing = !r.replace;
  options.verify = r.verify;
  options.plan_only = r.dry_run;
  options.folder_to_make = r.dry_run && r.make_folder && !os::IsFolder(r.destination);
  // A rerun gathers nothing twice: an identical copy there is passed over,
  // with --replace too.
  options.skip_gathered = !r.duplicates;
  Tally tally;
  // A move's line is on disk before its source goes: a source gone without
  // its line could not be moved back, so the run stops there.
  // The rows whose lines are written already, until each is told (a rename
  // on a stick is told once its folder is flushed, after later rows).
  std::unordered_set<std::size_t> recorded;
  bool unrecorded = false;
  if (receipt != nullptr && !r.dry_run && r.transfer == TransferKind::kMove)
    options.leaving = [&](const FileOutcome& file, const std::string& holding) {
      if (const std::string why = receipt->Add(file, r.transfer, holding); !why.empty()) {
        ui.FailureBox("cannot write the receipt: " + why + "; the run stops, and " +
                      ShellQuoted(file.source) + " and the files after it stay where they are");
        unrecorded = true;
        throw ProgramEnding{};
      }
      recorded.insert(file.row);
    };
  options.tell = [&](const FileOutcome& file) {
    // A copy is written down once it is done, and the run goes on when it
    // cannot be: what it does is safe, only the undo will not know of it.
    const bool moved_away =
        file.what == FileOutcome::kAlreadyThere && r.transfer == TransferKind::kMove;
    const bool written = recorded.erase(file.row) != 0;
    if (receipt != nullptr && !r.dry_run && (file.Placed() || moved_away) && !written) {
      if (const std::string why = receipt->Add(file, r.transfer, file.path); !why.empty()) {
        ui.FailureBox("cannot write the receipt: " + why + "; the files that follow are not in it");
        receipt = nullptr;
      }
    }
    tally.Add(file, r.transfer, r.summary);
    status = Merge(status, StatusOf(file));
    if (file.what == FileOutcome::kNotCopied && !file.boxed()) {
      ui.Say("larkspur-gather: " + ShellQuoted(file.source) +
             " was not copied: " + Words(file.error));
    } else if (file.Done() && file.note && !file.boxed()) {
      ui.Say("larkspur-gather: " + Words(file.note));  // gathered, without its date: not a failure
    }
    const bool renamed =
        file.what == FileOutcome::kCopiedRenamed || file.what == FileOutcome::kMovedRenamed;
    // A plan hides no removal: a move's source beside its identical copy has its line.
    if (r.dry_run && file.Done() && (file.what != FileOutcome::kAlreadyThere || moved_away)) {
      line.clear();
      AppendPlanned(line, r, file.source, file.path, moved_away);
      ui.Write(out, line);
    } else if (r.verbose || (renamed && !r.quiet)) {
      if (const std::string said = Told(file, r.transfer, r.dry_run); !said.empty())
        ui.Say("larkspur-gather: " + said);
    }
  };
  // Named first, in the words of the window's box; the others are gathered.
  options.found = [&](const Preflight& found) {
    status = Merge(status, ExitCode::kIncomplete);
    const auto say = [&](const Finding& f) {
      ui.Say("larkspur-gather: " + FindingText(f, r.destination, r.transfer));
    };
    if (found.whole) say(*found.whole);
    for (const Finding& file : found.files) say(file);
  };
  try {
    TransferChecked(
        list, [&] { return r.destination; }, [&] { return r.transfer; }, trap, options);
  } catch (const ProgramEnding&) {
    if (!unrecorded) throw;
  }
  ui.EndProgress();
  if (r.summary)
    ui.Say("larkspur-gather: " + tally.Line(r.transfer, r.dry_run));
  else if (tally.passed.files + tally.removed.files > 0 && !r.quiet)
    ui.Say("larkspur-gather: " + tally.Gathered(r.transfer));
  // And a failure said of no file (a receipt not written, an unexpected error).
  return Merge(status, ui.failures() > 0 ? ExitCode::kIncomplete : ExitCode::kDone);
}

// Whether all of the list reached out; if not (a full disk, a closed pipe),
// says so.
bool Written(std::FILE* out, std::FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "larkspur-gather: cannot write the list: %s\n", std::strerror(errno));
  return false;
}

// Why path is no folder to use ("path: why"); empty when it is one.
std::string Unusable(const std::string& path, const char* what) {
  const int error = os::FolderError(path);
  if (error == 0) return {};
  return ShellQuoted(path) + ": " +
         (error == ENOENT    ? std::string("no such ") + what
          : error == ENOTDIR ? std::string("not a folder")
                             : std::string(std::strerror(error)));
}

// The folder path is in: its parent, or "." for a name alone.
std::string ParentOf(const std::string& path) {
  std::string own = NormalizeSlashes(path);
  while (own.size() > 1 && own.back() == os::kSeparator) own.pop_back();
  const std::string folder = FolderOf(own);
  return folder.empty() ? "." : folder;
}

// Why the destination is no folder to use; empty when it is one. With
// --mkdir the folder itself is made where its parent stands, and never a
// chain of folders: a stick that is not plugged in leaves no mount folder,
// and the run must fail rather than fill the disk beneath it. A dry run
// makes nothing and says it would.
std::string ReadyDestination(const Request& r, std::FILE* out) {
  const std::string why = Unusable(r.destination, "destination folder");
  if (why.empty() || !r.make_folder || os::FolderError(r.destination) != ENOENT) return why;
  const std::string parent = ParentOf(r.destination);
  if (const std::string no = Unusable(parent, "folder"); !no.empty())
    return why + ", and --mkdir makes only the folder itself: " + no;
  if (r.dry_run) {
    if (!r.null_ended) std::fprintf(out, "mkdir %s\n", ShellQuoted(r.destination).c_str());
    return {};
  }
  const int error = os::MakeFolder(r.destination);
  if (error != 0 && !(error == EEXIST && os::IsFolder(r.destination)))
    return ShellQuoted(r.destination) + ": cannot make the folder: " + std::strerror(error);
  return {};
}

}  // namespace

std::optional<long> ParseDay(const std::string& text, std::string& why) {
  const std::string kExpected =
      "not a date: " + text + " (YYYY-MM-DD, today, yesterday or N days ago expected)";
  const std::string kYears = text + " is outside the years 100 to 9999, which dates can hold";
  why = kExpected;
  int y = 0, m = 0, d = 0;
  char end = 0;
  // Whole local days back from today, for timers: "8 days ago".
  long long back = 0;
  char unit[8] = {}, ago[4] = {};
  if (text == "today" || text == "yesterday" ||
      (std::sscanf(text.c_str(), "%lld %7s %3s%c", &back, unit, ago, &end) == 3 && back >= 0 &&
       std::string(ago) == "ago" &&
       (std::string(unit) == "days" || (back == 1 && std::string(unit) == "day")))) {
    os::LocalFields local{};
    if (!os::ToLocalFields(std::time(nullptr), local)) return std::nullopt;
    const auto today = ValidDay(local.year, local.month, local.day);
    if (!today) return std::nullopt;
    const long long day = *today - (text == "yesterday" ? 1 : back);
    // Before the year 100 no date is held: a count of days past it is no day.
    if (day < DaysFromCivil(100, 1, 1)) {
      why = kYears;
      return std::nullopt;
    }
    return static_cast<long>(day);
  }
  // Four digits for a year, or five: 10000 is a date, outside the range.
  if ((text.size() == 10 || text.size() == 11) &&
      std::sscanf(text.c_str(), "%5d-%2d-%2d%c", &y, &m, &d, &end) == 3 &&
      text[text.size() - 6] == '-' && text[text.size() - 3] == '-') {
    if (y < 100 || y > 9999) why = kYears;
    return ValidDay(y, m, d);
  }
  std::tm tm{};
  std::istringstream in(text);
  try {
    // The C locale's short date could be day-first or month-first to the
    // one who typed it: ISO only.
    const std::locale user("");
    const std::string name = user.name();
    if (name == "C" || name == "POSIX" || name.starts_with("C.")) return std::nullopt;
    in.imbue(user);
  } catch (const std::runtime_error&) {
    return std::nullopt;  // no usable locale: ISO only
  }
  in >> std::get_time(&tm, "%x");
  if (in.fail() || in.peek() != std::char_traits<char>::eof()) return std::nullopt;
  return ValidDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::optional<std::uint64_t> ParseSize(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const std::string unit = text.substr(digits);
  const int shift = unit.empty() || unit == "c" ? 0
                    : unit == "k"               ? 10
                    : unit == "M"               ? 20
                    : unit == "G"               ? 30
                                                : -1;
  if (digits == 0 || shift < 0 || digits > 19) return std::nullopt;
  const std::uint64_t n = std::stoull(text.substr(0, digits));
  if (n > (UINT64_MAX >> shift)) return std::nullopt;
  return n << shift;
}

int ExitStatus(ExitCode code) {
  return static_cast<int>(code) + (code == ExitCode::kStopped ? g_stop_signal.load() : 0);
}

ExitCode Gather(const Request& r, std::FILE* out, std::FILE* err) {
  if (r.transfer != TransferKind::kNone) {
    if (const std::string why = ReadyDestination(r, out); !why.empty()) {
      std::fprintf(err, "larkspur-gather: %s\n", why.c_str());
      return ExitCode::kUsage;
    }
  }
  std::unique_ptr<Receipt> receipt;
  if (!r.receipt.empty()) {
    std::string why;
    receipt = Receipt::Open(r.receipt, why);
    if (!receipt) {
      std::fprintf(err, "larkspur-gather: cannot write the receipt: %s\n", why.c_str());
      return ExitCode::kUsage;
    }
  }
  ConsoleUi ui(err, r.progress);
  // A folder that is missing (a card not plugged in) is said; the others
  // are searched all the same, and the run does not end well.
  std::vector<std::string> usable;
  for (const std::string& folder : r.folders) {
    const std::string why = Unusable(folder, "folder");
    if (why.empty())
      usable.push_back(folder);
    else
      ui.FailureBox(why);
  }
  try {
    // As page 1 lists them: each with one final separator, and none twice
    // within another.
    // Told apart by where they lead, so that "t" and "./t", or a folder
    // reached through a link, are one folder.
    std::vector<std::string> folders, real;
    for (const std::string& f : usable) {
      folders.push_back(NormalizeSlashes(f + os::kSeparator));
      std::error_code error;
      const auto canonical = std::filesystem::canonical(f, error);
      real.push_back(error ? folders.back()
                           : NormalizeSlashes(canonical.string() + os::kSeparator));
    }
    const std::vector<std::size_t> nested = MarkNestedFolders(real, true);
    for (auto it = nested.rbegin(); it != nested.rend(); ++it) {
      ui.Say("larkspur-gather: " + ShellQuoted(folders[*it]) +
             " is searched once, as or within another listed folder");
      folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    // A file without the chosen date is in no range: where none can have it,
    // the empty result is explained.
    if (r.date == DateKind::kCreated)
      for (const std::string& folder : folders)
        if (!os::KeepsCreationDate(folder))
          ui.Say("larkspur-gather: " + ShellQuoted(folder) +
                 ": its file system keeps no creation date, so no file there is in a range of "
                 "--date created");
    // Only the files in range are kept: a listing of a large tree needs no
    // memory for the rest.
    // A date outside the years 100 to 9999 has the date value 0, which
    // would read as 1899-12-30: such a file is in no range, and a line
    // counts them.
    std::size_t undated = 0;
    const auto in_range = [&](const std::optional<DateValue>& date) {
      if (date && *date == 0) return ++undated, false;
      return DateInRange(r.range, date, r.first_day, r.second_day);
    };
    const auto say_undated = [&] {
      if (undated > 0)
        ui.Say("larkspur-gather: " + std::to_string(undated) +
               (undated == 1 ? " file is" : " files are") +
               " dated outside the years 100 to 9999, and so in no range");
    };
    // A folder that could not be read is said, and the run does not end well.
    const auto say_unread = [&](const PassedOver& passed) {
      if (!passed.partial_copy)
        ui.FailureBox(ShellQuoted(passed.path) + ": " + std::strerror(passed.error) +
                      "; it was not searched");
      else if (!r.quiet)
        ui.Say("larkspur-gather: " + ShellQuoted(passed.path) +
               " is a partial copy an interrupted transfer left; it is not gathered");
    };
    const auto date_kind = [&] { return r.date; };
    if (r.transfer == TransferKind::kNone) {
      std::size_t files = 0, folders_read = 0;
      ui.SetStatus([&] {
        return std::to_string(folders_read) + " folders, " + std::to_string(files) + " files read";
      });
      // Each file is written as its folder is read: the first line comes at
      // once, and a listing of millions holds none of them.
      // No folder is read twice: the listed ones are none within another,
      // and the walk follows no link.
      std::string path, line;  // the path, then the line that shows it
      const FoundFile show = [&](const std::string& folder, std::string_view name,
                                 const std::optional<DateValue>& date, bool first) {
        folders_read += first;
        if (std::ferror(out)) return;
        ++files;
        path.assign(folder).append(name);
        line.clear();
        if (r.null_ended) {
          line.append(path) += '\0';
        } else {
          AppendShellQuoted(line, path);
          line += '\t';
          AppendIso(line, *date);
          line += '\n';
        }
        ui.Write(out, line);
      };
      for (const std::string& folder : folders)
        WalkCandidates(folder, ui, date_kind, in_range, show, say_unread, true, r.filter);
      ui.EndProgress();
      say_undated();
      if (!Written(out, err)) return ExitCode::kIncomplete;
      return ui.failures() > 0 ? ExitCode::kIncomplete : ExitCode::kDone;
    }
    CandidateLists found;
    ui.SetStatus([&] {
      return std::to_string(found.paths.folder_count()) + " folders, " +
             std::to_string(found.paths.size()) + " files read";
    });
    for (const std::string& folder : folders)
      CollectCandidates(folder, found, ui, date_kind, in_range, say_unread, true, r.filter);
    std::vector<std::uint32_t> rows = FindInRange(
        found.dates, r.range, [&] { return r.first_day; }, [&] { return r.second_day; }, ui);
    std::vector<std::uint8_t> ticks(rows.size(), 1);
    RemoveDuplicateRows(rows, ticks, found.paths, ui);
    ui.EndProgress();
    say_undated();
    const ExitCode code = Transfer(r, found.paths, rows, ui, out, receipt.get());
    return Written(out, err) ? code : ExitCode::kIncomplete;
  } catch (const ProgramEnding&) {
    ui.EndProgress();
    return ExitCode::kStopped;
  } catch (const std::exception& e) {
    // The walk itself could not go on (no thread could be started, no memory).
    ui.EndProgress();
    std::fprintf(err, "larkspur-gather: %s\n", e.what());
    return ExitCode::kIncomplete;
  }
}
