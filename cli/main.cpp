// larkspur-gather: finds files by date under folders, and lists them or
// gathers them into one folder, as Larkspur Suite's window does.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include "cli/gather.h"
#include "cli/receipt.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// After windows.h: <shellapi.h> needs its types.
#include <shellapi.h>

#include "fs/win32_text.h"
#undef Yield  // a Win16 leftover
#define isatty _isatty
#define fileno _fileno
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifndef LARKSPUR_VERSION
#define LARKSPUR_VERSION "0"
#endif

namespace {

// The first signal stops the run at its next yield (the file being copied is
// dropped); a second one ends the program at once. Either way nothing partial
// remains: new content has no name until it is complete.
void OnSignal(int signal) {
  if (g_stop_signal.exchange(signal) != 0) std::_Exit(128 + signal);
}

// The width --help has: the terminal's, or 80 columns when it goes elsewhere.
std::size_t HelpColumns() {
#ifndef _WIN32
  struct winsize size {};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40)
    return size.ws_col;
#endif
  return 80;
}

// text with each paragraph's words wrapped at width columns.
std::string Wrapped(const std::string& text, std::size_t width) {
  std::string out, word;
  std::size_t column = 0;
  const auto put = [&] {
    if (word.empty()) return;
    if (column > 0 && column + 1 + word.size() > width) {
      out += '\n';
      column = 0;
    }
    if (column > 0) out += ' ', ++column;
    out += word;
    column += word.size();
    word.clear();
  };
  for (const char c : text) {
    if (c == ' ' || c == '\n') put();
    if (c == '\n') out += '\n', column = 0;
    if (c != ' ' && c != '\n') word += c;
  }
  put();
  return out;
}

// The first argument that names no option, before "--": what a parse that
// found too many arguments, or no folder, stumbled on.
std::string UnknownOption(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string given = argv[i];
    if (given == "--") break;
    if (given.size() < 2 || given[0] != '-') continue;
    if (app.get_option_no_throw(given.substr(0, given.find('='))) == nullptr) return given;
  }
  return {};
}

// CLI11 reads a value in square brackets, "[a,b]", as a list of values: a
// folder "[2024]" or a glob "[a-c]" would reach the run changed. Every
// argument that ends in "]" or in the mark gets one mark more before the
// parse, and every value loses one after it, so each arrives as typed.
constexpr char kMark = '\x1f';

std::vector<char*> Marked(int argc, char** argv, std::vector<std::string>& store) {
  store.assign(argv, argv + argc);
  std::vector<char*> marked;
  for (std::string& arg : store) {
    if (!arg.empty() && (arg.back() == ']' || arg.back() == kMark)) arg += kMark;
    marked.push_back(arg.data());
  }
  marked.push_back(nullptr);
  return marked;
}

void Unmark(std::string& value) {
  if (!value.empty() && value.back() == kMark) value.pop_back();
}

// What a parse error says, of the values as typed.
std::string Unmarked(std::string text) {
  std::erase(text, kMark);
  return text;
}

#ifdef _WIN32
// The arguments as typed, in UTF-16 from the system and made UTF-8, whatever
// the code page: main's own are in the code page, which may hold no "日".
// A console shows UTF-8 while the program runs.
class Utf8CommandLine {
 public:
  Utf8CommandLine() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) args_.push_back(os::Narrow(wide[i]));
    LocalFree(wide);
    for (std::string& arg : args_) pointers_.push_back(arg.data());
    pointers_.push_back(nullptr);
    if (isatty(fileno(stdout)) || isatty(fileno(stderr))) SetConsoleOutputCP(CP_UTF8);
  }
  ~Utf8CommandLine() { SetConsoleOutputCP(code_page_); }
  int argc() const { return static_cast<int>(args_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  const UINT code_page_ = GetConsoleOutputCP();
  std::vector<std::string> args_;
  std::vector<char*> pointers_;
};
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  Utf8CommandLine command_line;
  argc = command_line.argc();
  argv = command_line.argv();
#endif
#ifdef __GLIBC__
  // The walk's workers fill folders the main thread frees: with an arena a
  // thread, each keeps what it once held, and a large listing holds it all.
  mallopt(M_ARENA_MAX, 2);
#endif
  os::InitLocalTime();
  CLI::App app{
      "Finds the files under FOLDERs whose chosen date lies in a range of whole local days, "
      "and lists them or copies or moves them into one folder. A moved file is removed only "
      "once its copy is complete and on disk. No file in the destination is replaced "
      "(unless --replace): a newcomer whose name is taken gets the first free "
      "\"name (n).ext\".",
      "larkspur-gather"};
  app.set_version_flag("--version", "larkspur-gather " LARKSPUR_VERSION);
  Request r;
  std::string date = "modified", after, before, on, since, until, copy_to, move_to;
  std::vector<std::string> between;
  bool progress = false;
  std::string undo, min_size, max_size;
  app.add_option(
         "--undo", undo,
         "Take back what the runs written down in this receipt did, the last file first: moved "
         "files are moved back, copies removed; only files whose bytes are still those written "
         "down, and nothing at a file's first place is replaced")
      ->type_name("FILE");
  auto* folders =
      app.add_option("FOLDER", r.folders, "Folders to search, each with all its sub-folders");
  // An undo needs no folder; anything else does.
  bool undoing = false;
  for (int i = 1; i < argc; ++i) undoing |= std::string(argv[i]).starts_with("--undo");
  folders->required(!undoing);
  // One value each time it is given: the folders that follow are no patterns.
  app.add_option("--name", r.filter.include,
                 "Only files whose name matches this glob (*, ? and [...]; repeatable: any of "
                 "them)")
      ->allow_extra_args(false);
  app.add_option("--iname", r.filter.include_folded, "As --name, whatever the case of letters")
      ->allow_extra_args(false);
  app.add_option("--exclude", r.filter.exclude,
                 "No file whose name matches this glob (repeatable: none of them)")
      ->allow_extra_args(false);
  app.add_option("--exclude-dir", r.filter.exclude_folders,
                 "Search no folder whose name matches this glob, nor any folder within it "
                 "(repeatable)")
      ->allow_extra_args(false);
  app.add_option("--max-depth", r.filter.most_levels,
                 "Only files this many levels of folders deep or less: 1 takes the FOLDERs' own "
                 "files only")
      ->check(CLI::Range(1, 1 << 30))
      ->type_name("N");
  auto* smallest = app.add_option("--min-size", min_size,
                                  "Only files of this size or more: bytes, or with k, M or G "
                                  "(1024, 1024² or 1024³ bytes)")
                       ->type_name("SIZE");
  auto* largest =
      app.add_option("--max-size", max_size, "Only files of this size or less")->type_name("SIZE");
  app.add_option("-d,--date", date, "Which date counts: modified, created or accessed")
      ->check(CLI::IsMember({"modified", "created", "accessed"}))
      ->capture_default_str();
  auto* a = app.add_option("--after", after, "Files dated after this day (YYYY-MM-DD)");
  auto* b = app.add_option("--before", before, "Files dated before this day");
  auto* o = app.add_option("--on", on, "Files dated on this day");
  auto* w =
      app.add_option("--between", between, "Files dated on or between these two days")->expected(2);
  auto* s = app.add_option("--since", since, "Files dated on or after this day (with --until too)");
  auto* u = app.add_option("--until", until, "Files dated on or before this day");
  for (auto* x : {a, b, o, w, s, u})
    for (auto* y : {a, b, o, w, s, u})
      if (x != y && !(x == s && y == u) && !(x == u && y == s)) x->excludes(y);
  auto* c = app.add_option("--copy-to", copy_to, "Copy the files found into this folder");
  auto* m = app.add_option("--move-to", move_to, "Move the files found into this folder");
  c->excludes(m);
  m->excludes(c);
  app.add_flag("--mkdir", r.make_folder,
               "Make the destination folder where its parent folder stands (never a chain of "
               "folders: a stick not plugged in fails the run)");
  app.add_flag("-0,--null", r.null_ended, "List paths only, each ended by NUL (for xargs -0)");
  app.add_flag("-n,--dry-run", r.dry_run, "Say what would be copied or moved; change nothing");
  auto* receipt =
      app.add_option(
             "--receipt", r.receipt,
             "Write down each file copied or moved, as it is done and on disk, as a JSON line in "
             "this file (added after any it holds), for --undo")
          ->type_name("FILE");
  app.add_flag("--replace", r.replace,
               "Replace a file of the same name already in the destination, as the window "
               "does (without it, the newcomer takes the first free \"name (n).ext\")");
  app.add_flag("--verify", r.verify,
               "Check every copy by its bytes: the source read again and the copy read back "
               "from the drive before it is named or its source removed (always done on sticks, "
               "network and FUSE drives; on a FUSE drive the read-back reaches the driver, not "
               "the medium)");
  app.add_flag("--duplicates", r.duplicates,
               "Gather a file again even where an identical copy (same size, same bytes) is "
               "already in the destination under its name or a numbered one");
  app.add_flag("-v,--verbose", r.verbose,
               "A line for each file copied, moved, renamed, passed over or removed, and one "
               "at the end: the files and bytes of each (also on a terminal)");
  auto* q = app.add_flag("-q,--quiet", r.quiet,
                         "No progress line, and no line for a file given a new name");
  app.add_flag("--progress", progress, "A progress line on stderr even when it is no terminal")
      ->excludes(q);
  app.footer(
      "DATE is YYYY-MM-DD, the locale's short date, today, yesterday or \"N days ago\" (whole "
      "local days, in the years 100 to 9999). Exactly one range is required (--since and "
      "--until may go together). Folders given twice, or within another "
      "(as \"t\" and \"./t\"), are searched once.\n"
      "Exit status: 0 all found were listed or gathered; 1 some files were not copied or moved "
      "(each named on stderr), a folder was missing or could not be read (the others are "
      "searched), or the list could not be written; 2 a usage error; 141 when the pipe "
      "written to closes (SIGPIPE); 130 and 143 after SIGINT and SIGTERM.");
  // Help as wide as the terminal: options in their column, then their text.
  const std::size_t columns = HelpColumns();
  app.description(Wrapped(app.get_description(), columns));
  app.footer(Wrapped(app.get_footer(), columns));
  for (CLI::Option* option : app.get_options())
    option->description(Wrapped(option->get_description(), columns - 30));
  try {
    std::vector<std::string> store;
    std::vector<char*> marked = Marked(argc, argv, store);
    app.parse(argc, marked.data());
    for (std::vector<std::string>* list : {&r.folders, &r.filter.include, &r.filter.include_folded,
                                           &r.filter.exclude, &r.filter.exclude_folders, &between})
      std::for_each(list->begin(), list->end(), Unmark);
    for (std::string* value : {&date, &after, &before, &on, &since, &until, &copy_to, &move_to,
                               &r.receipt, &undo, &min_size, &max_size})
      Unmark(*value);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    const std::string unknown = UnknownOption(app, argc, argv);
    if (!unknown.empty() && (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr ||
                             dynamic_cast<const CLI::RequiredError*>(&e) != nullptr)) {
      std::fprintf(stderr,
                   "larkspur-gather: unknown option %s (a folder whose name begins with \"-\" "
                   "goes after \"--\")\n",
                   unknown.c_str());
      return ExitStatus(ExitCode::kUsage);
    }
    std::fprintf(stderr, "larkspur-gather: %s\n", Unmarked(e.what()).c_str());
    return ExitStatus(ExitCode::kUsage);
  }
  if (undoing) {
    for (auto* x : {a, b, o, w, s, u, c, m, folders, receipt})
      if (x->count() > 0) {
        std::fprintf(stderr,
                     "larkspur-gather: --undo takes no FOLDER, range, destination or "
                     "receipt; it was given %s\n",
                     x->get_name().c_str());
        return ExitStatus(ExitCode::kUsage);
      }
    ConsoleUi ui(stderr, false);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    return ExitStatus(Undo(undo, ui, stdout));
  }
  const auto day = [](const std::string& text, const CLI::Option* option) {
    if (text.empty())
      throw CLI::ValidationError(option->get_name() + " needs a date; it was given none");
    std::string why;
    const auto d = ParseDay(text, why);
    if (!d) throw CLI::ValidationError(option->get_name() + ": " + why);
    return *d;
  };

  try {
    for (auto* given : {c, m})
      if (given->count() > 0 && (given == c ? copy_to : move_to).empty())
        throw CLI::ValidationError(given->get_name() + " needs a folder; it was given none");
    // An option given an empty day is named, not taken for one not given.
    if (a->count() > 0) r.range = RangeKind::kAfter, r.first_day = day(after, a);
    if (b->count() > 0) r.range = RangeKind::kBefore, r.first_day = day(before, b);
    if (o->count() > 0) r.range = RangeKind::kOn, r.first_day = day(on, o);
    if (w->count() > 0) {
      r.range = RangeKind::kBetween;
      r.first_day = day(between[0], w);
      r.second_day = day(between[1], w);
    }
    // Whole days that include their first and last: after the day before,
    // before the day after, or between the two.
    if (s->count() > 0) r.range = RangeKind::kAfter, r.first_day = day(since, s) - 1;
    if (u->count() > 0) r.range = RangeKind::kBefore, r.first_day = day(until, u) + 1;
    if (s->count() > 0 && u->count() > 0) {
      r.range = RangeKind::kBetween;
      r.second_day = r.first_day - 1;
      r.first_day = day(since, s);
    }
    for (auto [given, text, bound] : {std::tuple{smallest, &min_size, &r.filter.min_size},
                                      std::tuple{largest, &max_size, &r.filter.max_size}}) {
      if (given->count() == 0) continue;
      const auto size = ParseSize(*text);
      if (!size)
        throw CLI::ValidationError(given->get_name() + ": not a size: " + *text +
                                   " (bytes, or a number with k, M or G expected)");
      *bound = *size;
    }
    if (r.filter.min_size > r.filter.max_size)
      throw CLI::ValidationError("--min-size is larger than --max-size: no file is both");
    if (r.range == RangeKind::kBetween && r.first_day > r.second_day)
      throw CLI::ValidationError(
          "the range ends before it begins: its first day is after its last");
    if (receipt->count() > 0 && (r.dry_run || (c->count() == 0 && m->count() == 0)))
      throw CLI::ValidationError("--receipt writes down a copy or a move, not a list or a dry run");
    if (r.range == RangeKind::kNone)
      throw CLI::ValidationError(
          "a range is required: --after, --before, --on, --between, --since or --until");
  } catch (const CLI::ValidationError& e) {
    std::fprintf(stderr, "larkspur-gather: %s\n", e.what());
    return ExitStatus(ExitCode::kUsage);
  }
  r.date = date == "created"    ? DateKind::kCreated
           : date == "accessed" ? DateKind::kAccessed
                                : DateKind::kModified;
  r.transfer = !copy_to.empty()   ? TransferKind::kCopy
               : !move_to.empty() ? TransferKind::kMove
                                  : TransferKind::kNone;
  r.destination = !copy_to.empty() ? copy_to : move_to;
  r.progress = progress || (!r.quiet && isatty(fileno(stderr)));
  r.summary = r.verbose || (!r.quiet && isatty(fileno(stderr)));
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnSignal);
#endif
  return ExitStatus(Gather(r, stdout, stderr));
}
