// larkspur-gather as a script runs it: command lines against exit status,
// output and the files that exist afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <map>
#include <optional>
#include <sstream>

#include "fs/file_times.h"
#include "fs/platform.h"
#include "tests/test_tree.h"
#include "tests/transfer_checks.h"

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

// before: what the program is started under (a user, a limit).
Outcome Gather(const TestTree& t, const std::string& args, const std::string& before = "") {
  const std::string out = t.Path("stdout"), err = t.Path("stderr");
  const int status = std::system(
      (before + std::string(GATHER) + " " + args + " >'" + out + "' 2>'" + err + "'").c_str());
  return {WEXITSTATUS(status), Slurp(out), Slurp(err)};
}

// The lines of text (ended by newlines, or by NULs), in sorted order.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  const char end = text.find('\0') != std::string::npos ? '\0' : '\n';
  std::istringstream in(text);
  for (std::string line; std::getline(in, line, end);) lines.push_back(line);
  return Sorted(lines);
}

// Midday local time of a day, as the file's modification and access time.
void Date(const std::string& path, const char* day) {
  std::tm tm{};
  std::istringstream(day) >> std::get_time(&tm, "%Y-%m-%d");
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  const timespec at{std::mktime(&tm), 0};
  const timespec times[2] = {at, at};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

TEST(GatherCli, ErrorsSayWhatIsWrongAndChangeNothing) {
  TestTree t;
  t.Folder("a");
  Mounted stick(t.Path("fat"), "fat");  // it keeps no creation date
  ASSERT_EQ(stick.error(), "");
  t.File("fat/x");
  Mounted tiny(t.Path("tiny"), "tmpfs", "size=1m");
  ASSERT_EQ(tiny.error(), "");
  for (const char* big : {"big/1", "big/2"}) t.File(big, std::string(1u << 20, 'b'));
  t.File("w/ok");
  t.File("w/a:b");
  t.File("old/73", "x", 100000000);  // 1973: FAT holds 1980 to 2107
  t.File("huge/v.mp4");
  std::filesystem::resize_file(t.Path("huge/v.mp4"), 4500ull << 20);  // sparse
  t.File("u/ok.txt");
  t.Folder("u/secret");
  t.File("v/listed/only.txt");
  // Run as another user, or closed to its own; the second can be listed, not entered.
  chmod(t.Path("u/secret").c_str(), geteuid() == 0 ? 0700 : 0);
  chmod(t.Path("v/listed").c_str(), 0644);
  const std::string other =
      geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const std::string kDates = "YYYY-MM-DD, today, yesterday or N days ago expected)";
  const std::string kUnknown = "larkspur-gather: unknown option ";
  const std::string kAfterDashes = R"( (a folder whose name begins with "-" goes after "--"))";
  const std::string kNoRoom = "larkspur-gather: Disk full: no room is left in tiny/: the files to "
                              "be copied need 2.1 MB, and 1.0 MB is free; nothing was copied";
  struct Case {
    std::string args, first_line;
    int status;
    std::string before;
  } cases[] = {
      {"a", "larkspur-gather: a range is required: --after, --before, --on, --between, --since or "
            "--until", 2, ""},
      {"--on 2024-02-30 a", "larkspur-gather: --on: not a date: 2024-02-30 (" + kDates, 2, ""},
      {"--on 03/05/24 a", "larkspur-gather: --on: not a date: 03/05/24 (" + kDates, 2, "LC_ALL=C "},
      {"--until 0099-12-31 a",
       "larkspur-gather: --until: 0099-12-31 is outside the years 100 to 9999, which dates can "
       "hold", 2, ""},
      {"--on 10000-01-01 a",
       "larkspur-gather: --on: 10000-01-01 is outside the years 100 to 9999, which dates can hold",
       2, ""},
      {"--after '99999999999 days ago' a",
       "larkspur-gather: --after: 99999999999 days ago is outside the years 100 to 9999, which "
       "dates can hold", 2, ""},
      {"--on '' a", "larkspur-gather: --on needs a date; it was given none", 2, ""},
      {"--since 2024-03-05 --until 2024-03-04 a",
       "larkspur-gather: the range ends before it begins: its first day is after its last", 2, ""},
      {"--on 2024-01-01 --copy-to '' a",
       "larkspur-gather: --copy-to needs a folder; it was given none", 2, ""},
      {"--after 1900-01-01 /usr/share/zoneinfo",
       "larkspur-gather: cannot write the list: No space left on device", 1,
       "sh -c 'exec \"$0\" \"$@\" >/dev/full' "},
      {"--frob --on 2024-01-01 a", kUnknown + "--frob" + kAfterDashes, 2, ""},
      {"--on 2024-01-01 -x", kUnknown + "-x" + kAfterDashes, 2, ""},
      {"--on 2024-01-01 --after 2024-01-01 a", "larkspur-gather: --after excludes --on", 2, ""},
      {"--on 2024-01-01 missing", "larkspur-gather: missing: no such folder", 1, ""},
      {"--date created --after 1900-01-01 fat",
       "larkspur-gather: fat/: its file system keeps no creation date, so no file there is in a "
       "range of --date created", 0, ""},
      {"--on 2024-01-01 'a\nb'", "larkspur-gather: 'a'$'\\n''b': no such folder", 1, ""},
      {"--after 1900-01-01 --copy-to tiny big", kNoRoom, 1, ""},
      {"--after 1900-01-01 --copy-to tiny big -n", kNoRoom, 1, ""},
      {"--after 1900-01-01 --copy-to fat w", "larkspur-gather: Bad file name: the destination "
       "does not accept the name a:b; w/a:b was not copied", 1, ""},
      {"--on 1973-03-03 --copy-to fat old", "larkspur-gather: fat/73 cannot keep the file's date: "
       "its file system cannot hold it", 0, ""},
      {"--after 1900-01-01 --move-to fat huge", "larkspur-gather: File too large: huge/v.mp4 "
       "(4.7 GB) is larger than the file system of fat/ holds (FAT: under 4 GiB); it was not "
       "moved", 1, ""},
      {"--on 2024-01-01 --move-to nowhere a",
       "larkspur-gather: nowhere: no such destination folder", 2, ""},
      {"--on 2024-01-01 --copy-to u/ok.txt a", "larkspur-gather: u/ok.txt: not a folder", 2, ""},
      {"--on 2024-01-01 --mkdir --copy-to no/out a",
       "larkspur-gather: no/out: no such destination folder, and --mkdir makes only the folder "
       "itself: no/: no such folder", 2, ""},
      {"--on 2024-01-01 /usr/share/zoneinfo",
       "larkspur-gather: The folders cannot be read: no thread could be started "
       "(Resource temporarily unavailable)",
       1, other + "prlimit --nproc=1 "},  // no room for one more thread
      {"--after 1900-01-01 u", "larkspur-gather: u/secret/: Permission denied; it was not searched",
       1, other},
      {"--after 1900-01-01 u/secret/inner", "larkspur-gather: u/secret/inner: Permission denied", 1,
       other},
      {"--after 1900-01-01 v", "larkspur-gather: v/listed/: Permission denied; it was not searched",
       1, other},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    const Outcome o = Gather(t, c.args, c.before);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')), c.first_line) << c.args;
  }
  EXPECT_EQ(Names(t.Path("a")), std::vector<std::string>{});
  EXPECT_EQ(Names(t.Path("tiny")), std::vector<std::string>{});
  EXPECT_EQ(Names(t.Path("fat")), (std::vector<std::string>{"73", "ok", "x"}));  // the others go
  // Help for a file or a pipe is 80 columns wide.
  for (const std::string& line : Lines(Gather(t, "--help").out))
    EXPECT_LE(line.size(), 80u) << line;
}

TEST(GatherCli, FindsByEachDateAndRangeAndGathersAsTheWindowDoes) {
  os::LocalFields now{};
  ASSERT_TRUE(os::ToLocalFields(std::time(nullptr), now));
  const std::string back =  // whole local days from 2024-03-05 to today
      std::to_string(DaysFromCivil(now.year, now.month, now.day) - DaysFromCivil(2024, 3, 5));
  struct Case {
    std::string args;                // FOLDER is t's "src", OUT its "out"
    std::string out;                 // stdout, paths relative to t
    std::vector<std::string> moved;  // files under out afterwards
    int status = 0;
  } cases[] = {
      {"--on 2024-03-05 SRC", "src/on.txt\t2024-03-05 12:00:00\n", {}},
      {"--on '" + back + " days ago' SRC", "src/on.txt\t2024-03-05 12:00:00\n", {}},
      {"--on 2024-03-05 SRC ./SRC", "./src/on.txt\t2024-03-05 12:00:00\n", {}},
      {"--on 2024-03-05 . SRC", "./src/on.txt\t2024-03-05 12:00:00\n", {}},  // parent first
      {"--after 2024-03-05 SRC", "src/later.txt\t2024-03-06 12:00:00\n", {}},
      {"--before 2024-03-05 -d accessed SRC", "src/old.txt\t2024-03-04 12:00:00\n", {}},
      // Whole days that include their own; names filtered as read; a missing folder said.
      {"--since 2024-03-05 SRC", "src/on.txt\t2024-03-05 12:00:00\nsrc/later.txt\t2024-03-06 12:00:00\n",
       {}},
      {"--until 2024-03-05 --since 2024-03-05 SRC", "src/on.txt\t2024-03-05 12:00:00\n", {}},
      {"--after 2000-01-01 --iname '*.TXT' --exclude 'o*' SRC",
       "src/later.txt\t2024-03-06 12:00:00\n", {}},
      {"--after 2000-01-01 --name 'o*' --copy-to OUT SRC", "", {"old.txt", "on.txt"}},
      {"--on 2024-03-05 nosuch SRC", "src/on.txt\t2024-03-05 12:00:00\n", {}, 1},
      {"--between 2024-03-04 2024-03-05 -0 SRC", std::string("src/old.txt\0src/on.txt\0", 23), {}},
      {"--on 2024-03-05 --copy-to OUT -n SRC", "copy src/on.txt -> out/on.txt\n", {}},
      {"--after 2000-01-01 --copy-to OUT SRC", "", {"later.txt", "old.txt", "on.txt"}},
      {"--on 2024-03-05 --move-to OUT SRC SRC/deep", "", {"on.txt"}},
      {"--before 2024-03-05 --move-to OUT --verify SRC", "", {"old.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TestTree t;
    Mounted src(t.Path("src"), "tmpfs", "size=1m");  // it holds a date in the year 10000
    ASSERT_EQ(src.error(), "");
    for (const char* name : {"old", "on", "later"})
      t.File(std::string("src/") + name + ".txt", name);
    t.Folder("src/deep");
    t.Folder("out");
    // An interrupted run's partial copy is never found.
    t.File("src/.lark-0123456789abcdef.lark-part", "part");
    Date(t.Path("src/.lark-0123456789abcdef.lark-part"), "2024-03-06");
    // Dated in the year 10000, past what a date value holds: in no range.
    t.File("src/far.txt");
    const timespec times[2] = {{253402300800, 0}, {253402300800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, t.Path("src/far.txt").c_str(), times, 0), 0);
    Date(t.Path("src/old.txt"), "2024-03-04");
    Date(t.Path("src/on.txt"), "2024-03-05");
    Date(t.Path("src/later.txt"), "2024-03-06");
    std::string args = c.args;
    for (const auto& [from, to] : {std::pair{"SRC", "src"}, {"OUT", "out"}})
      for (std::size_t at; (at = args.find(from)) != std::string::npos;) args.replace(at, 3, to);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    const Outcome o = Gather(t, args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(Lines(o.out), Lines(c.out));
    EXPECT_EQ(Names(t.Path("out")), c.moved);
    // The date each was last read (its midday, as modified) is kept, by copy and source.
    const auto accessed_kept = [](const std::string& path) {
      struct stat st {};
      return stat(path.c_str(), &st) == 0 && st.st_atim.tv_sec == st.st_mtim.tv_sec;
    };
    for (const std::string& name : c.moved) {
      EXPECT_TRUE(accessed_kept("out/" + name)) << name;  // before the test reads it
      EXPECT_EQ(t.Read("out/" + name), name.substr(0, name.find('.')));
      EXPECT_TRUE(!std::filesystem::exists("src/" + name) || accessed_kept("src/" + name)) << name;
      EXPECT_EQ(std::filesystem::exists(t.Path("src/" + name)),
                args.find("--move") == std::string::npos);
    }
  }
}

TEST(GatherCli, EveryArgumentReachesTheRunAsTypedAndNamesMatchByCharacter) {
  TestTree t;
  for (const char* name : {"[Inbox]/scan.pdf", "Inbox/important.doc", "[a,b]/x", "a/a", "b/b",
                           "c/\xc3\x89.txt", "c/\xc3\xa9.txt", "c/e.txt", "c/E.txt"})
    t.File(name);
  t.File("c/d/deep.txt", "1234");
  const struct {
    std::string args, listed;  // paths, each ended by NUL
  } cases[] = {
      {"'[Inbox]'", "[Inbox]/scan.pdf"},
      {"'[a,b]'", "[a,b]/x"},
      {"--name '[ab]' --name='[x]' a b '[a,b]'", "[a,b]/x a/a b/b"},
      {"--exclude '[ab]' a b '[a,b]'", "[a,b]/x"},
      {"--iname '\xc3\xa9*' c", "c/\xc3\x89.txt c/\xc3\xa9.txt"},
      {"--name '?.txt' --exclude '[[:lower:]].txt' c", "c/E.txt c/\xc3\x89.txt"},
      // Folders pruned by name and depth, files taken by size.
      {"--max-depth 1 c", "c/E.txt c/e.txt c/\xc3\x89.txt c/\xc3\xa9.txt"},
      {"--max-depth 2 --exclude-dir '[d]' c", "c/E.txt c/e.txt c/\xc3\x89.txt c/\xc3\xa9.txt"},
      {"--max-depth 2 --min-size 2k c", ""},
      {"--min-size 4 --max-size 4 c", "c/d/deep.txt"},
  };
  ASSERT_EQ(chdir(t.root().c_str()), 0);
  for (const auto& c : cases) {
    std::string listed;
    for (const std::string& line : Lines(Gather(t, "-0 --after 1900-01-01 " + c.args).out))
      listed += (listed.empty() ? "" : " ") + line;
    EXPECT_EQ(listed, c.listed) << c.args;
  }
}

TEST(GatherCli, EachListedNameIsQuotedAsLsQuotesItAndBashReadsItBackAsOneName) {
  TestTree t;
  const std::vector<std::string> names = {
      "plain#{}.txt", "a b", "it's", "x$(touch PWNED)", "a'b c", "a'b*", "a=b", "q?", "nl\nx",
      "\nx", "x\n", "a\x01\x7f", "bad\xff", "\xc3\xa9'b", "a'\"b", "\n'", "'\n", "\xc2\x85",
      "\xf0\x9f\x93\xb7 x", "b/t{a,b}", "b/{1..3}", "b/it's{a,b}"};
  for (const std::string& name : names) t.File("n/" + name);
  ASSERT_EQ(chdir(t.root().c_str()), 0);
  std::vector<std::string> listed, plain;  // plain: those ls quotes as we do
  std::string script;  // each line as bash reads it: how many words, then each
  for (const std::string& line : Lines(Gather(t, "--after 1900-01-01 n").out)) {
    listed.push_back(line.substr(0, line.rfind('\t')));
    if (!line.starts_with("n/b/") && !line.starts_with("'n/b/")) plain.push_back(listed.back());
    script += "a=(" + listed.back() + "); printf '%s\\0' ${#a[@]} \"${a[@]}\"\n";
  }
  ASSERT_EQ(std::system("ls --quoting-style=shell-escape -d n/* | grep -vx n/b > ls.out"), 0);
  EXPECT_EQ(plain, Lines(Slurp("ls.out")));
  std::ofstream("read.sh") << script;
  ASSERT_EQ(std::system("bash read.sh > read.out"), 0);
  std::vector<std::string> read;
  std::istringstream words(Slurp("read.out"));
  for (std::string count, word; std::getline(words, count, '\0') && count == "1";)
    if (std::getline(words, word, '\0')) read.push_back(word.substr(2));
  EXPECT_EQ(Sorted(read), Sorted(names));
}

TEST(GatherCli, InterruptedMidCopyLeavesNothingPartialAndItsReceiptUndoesWhatWasDone) {
  TestTree t;
  t.File("first/small.txt");
  t.File("src/big.bin", std::string(1u << 30, 'b'));
  t.Folder("out");
  for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
    const std::string receipt = t.Path("receipt" + std::to_string(signal));
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    const pid_t child = fork();
    if (child == 0) {
      dup2(err[1], 2);
      execl(GATHER, GATHER, "--progress", "--after", "2000-01-01", "--copy-to",
            t.Path("out").c_str(), "--receipt", receipt.c_str(),
            t.Path("first").c_str(), t.Path("src").c_str(), nullptr);
      _exit(127);
    }
    close(err[1]);
    // The copy's progress lines come every tenth of a second, counting the
    // bytes copied of the file under way.
    std::string said;
    const auto counting = [&] {
      const std::string last = said.substr(said.rfind('\r') + 1);
      return last.find("1 of 2 files") != std::string::npos &&
             last.find("files, 0.0 MB") == std::string::npos && last.ends_with("left");
    };
    for (char c; !counting() && read(err[0], &c, 1) == 1;) said += c;
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    close(err[0]);
    EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status) - 128, signal) << said;
    EXPECT_EQ(Names(t.Path("out")), std::vector<std::string>{"small.txt"});
    const Outcome undo = Gather(t, "--undo " + receipt);
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(Names(t.Path("out")), std::vector<std::string>{});
    EXPECT_EQ(Names(t.Path("first")), std::vector<std::string>{"small.txt"});
  }
  // A receipt that fills its drive stops a move before a source goes unrecorded.
  Mounted full(t.Path("full"), "tmpfs", "size=4k");
  ASSERT_EQ(full.error(), "");
  for (int i = 0; i < 40; ++i) t.File("many/" + std::to_string(i));
  ASSERT_EQ(chdir(t.root().c_str()), 0);
  EXPECT_EQ(Gather(t, "--after 2000-01-01 --receipt full/r --move-to out many").status, 1);
  EXPECT_EQ(Gather(t, "--undo full/r").status, 0);
  EXPECT_EQ(Names(t.Path("many")).size(), 40u);
}

TEST(GatherCli, AnUndoTakesBackWhatItsReceiptSaysWhereTheBytesAreStillThose) {
  // Where the undo refuses its receipt (another user could have written it, or it
  // names a place through ".." or not absolute: no run writes one), nothing moves back.
  const std::vector<std::string> kMoved = {"a=old", "a (2)=a", "b\xff=b", "s=s"};
  struct Case {
    std::string args;                               // the run, from src into out
    std::function<void(TestTree&)> meanwhile;       // between the run and its undo
    std::vector<std::string> src, out;              // "name=text" after the undo
    int status = 0;
  } cases[] = {
      {"--move-to out", nullptr, {"a=a", "b\xff=b", "s=s"}, {"a=old", "s=s"}},
      {"--copy-to out", nullptr, {"a=a", "b\xff=b", "s=s"}, {"a=old", "s=s"}},
      {"--move-to out", [](TestTree& t) { t.File("out/b\xff", "edited"); },
       {"a=a", "s=s"}, {"a=old", "b\xff=edited", "s=s"}, 1},
      {"--move-to out", [](TestTree& t) { t.File("src/a", "theirs"); },
       {"a=theirs", "b\xff=b", "s=s"}, {"a=old", "a (2)=a", "s=s"}, 1},
      {"--copy-to out", [](TestTree& t) { t.File("src/a", "changed"); },
       {"a=changed", "b\xff=b", "s=s"}, {"a=old", "a (2)=a", "s=s"}, 1},
      // A second run moves on what the first placed; a power cut halves a last line.
      {"--move-to out",
       [](TestTree& t) {
         ASSERT_EQ(Gather(t, "--after 1900-01-01 --receipt r --move-to o2 --mkdir out").status, 0);
         std::ofstream("r", std::ios::app) << R"({"action": "move", "sou)";
       },
       {"a=a", "b\xff=b", "s=s"}, {"a=old", "s=s"}},
      // Cut before its source went: the copy beside it goes.
      {"--move-to out", [](TestTree& t) { t.File("src/b\xff", "b"); }, {"a=a", "b\xff=b", "s=s"},
       {"a=old", "s=s"}},
      {"--move-to sub/../out", nullptr, {"a=a", "b\xff=b", "s=s"}, {"a=old", "s=s"}},
      {"--move-to out", [](TestTree& t) { chmod(t.Path("r").c_str(), 0620); }, {}, kMoved, 2},
      {"--move-to out", [](TestTree& t) { ASSERT_EQ(chown(t.Path("r").c_str(), 65534, -1), 0); },
       {}, kMoved, 2},
      {"--move-to out", [](TestTree&) { std::system("sed -i 's|/out/|/sub/../out/|' r"); }, {},
       kMoved, 2},
      {"--move-to out", [](TestTree&) { std::system("sed -i 's|\"/|\"|g' r"); }, {}, kMoved, 2},
      {"--move-to out", [](TestTree& t) { std::filesystem::remove(t.Path("r")), t.Folder("r"); },
       {}, kMoved, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TestTree t;
    for (const char* name : {"a", "b\xff", "s"}) t.File(std::string("src/") + name, {name[0]});
    t.File("src/s", "s");
    t.File("out/a", "old");
    t.File("out/s", "s");  // gathered before: a move removes its source
    t.Folder("sub");
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    ASSERT_EQ(Gather(t, "--after 1900-01-01 --receipt r " + c.args + " src").status, 0);
    if (c.meanwhile) c.meanwhile(t);
    EXPECT_EQ(Gather(t, "--undo r").status, c.status) << t.Read("stderr");
    // A second undo finds nothing more to do, and says again what it keeps.
    EXPECT_EQ(Gather(t, "--undo r").status, c.status);
    for (const auto& [folder, expected] : {std::pair{"src", c.src}, {"out", c.out}}) {
      std::vector<std::string> found;
      for (const std::string& name : Names(t.Path(folder)))
        found.push_back(name + "=" + t.Read(std::string(folder) + "/" + name));
      EXPECT_EQ(found, expected) << folder;
    }
  }
}

TEST(GatherCli, TheDryRunSaysWhatTheRunDoesWhichReplacesNothingUnlessAsked) {
  const std::string kLong = std::string(251, 'n') + ".txt";  // numbered, past 255 bytes
  struct Case {
    std::string args;  // the folders searched, in order, then the options
    std::vector<std::pair<std::string, std::string>> before, after;  // files and texts; out's after
    int status = 0;
    const char* stick = nullptr;  // out's file system, when not this disk
    std::function<void(TestTree&)> more = {};  // what else is at a name
  } cases[] = {
      // The same scan name on a second night.
      {"a --move-to out",
       {{"a/scan001.pdf", "night 2"}, {"out/scan001.pdf", "night 1"}},
       {{"scan001 (2).pdf", "night 2"}, {"scan001.pdf", "night 1"}}},
      {"a b c --copy-to out",
       {{"a/same.txt", "a"}, {"b/same.txt", "b"}, {"c/same.txt", "c"}, {"out/same.txt", "old"}},
       {{"same (2).txt", "a"}, {"same (3).txt", "b"}, {"same (4).txt", "c"}, {"same.txt", "old"}}},
      // Names that are no text are moved too.
      {"a --move-to out", {{"a/line\nbreak", "x"}, {"a/bad\xff", "y"}},
       {{"bad\xff", "y"}, {"line\nbreak", "x"}}},
      {"a --copy-to out --replace", {{"a/same.txt", "new"}, {"out/same.txt", "old"}},
       {{"same.txt", "new"}}},
      // A rerun gathers nothing twice: an identical copy there, under its name or a
      // numbered one, or placed by this run, is passed over; a move's source goes.
      {"a b --copy-to out", {{"a/x", "same"}, {"b/x", "same"}, {"out/y", "y"}},
       {{"x", "same"}, {"y", "y"}}},
      {"a --move-to out", {{"a/x", "same"}, {"out/x", "other"}, {"out/x (2)", "same"}},
       {{"x", "other"}, {"x (2)", "same"}}},
      {"a --copy-to out --replace", {{"a/x", "same"}, {"out/x", "same"}}, {{"x", "same"}}},
      {"a --copy-to out --duplicates", {{"a/x", "same"}, {"out/x", "same"}},
       {{"x", "same"}, {"x (2)", "same"}}},
      // A stick takes PHOTO.JPG for photo.jpg.
      {"a b --copy-to out",
       {{"a/photo.jpg", "a"}, {"b/PHOTO.JPG", "b"}},
       {{"PHOTO (2).JPG", "b"}, {"photo.jpg", "a"}},
       0,
       "fat"},
      // A name on disk is numbered past, a move of the run's is kept.
      {"a b --move-to out --replace",
       {{"a/x", "a"}, {"b/x", "b"}, {"out/x", "old"}, {"out/x (2)", "old 2"}},
       {{"x", "a"}, {"x (2)", "old 2"}, {"x (3)", "b"}}},
      // The destination is searched: its file is one of the run's.
      {"a out --copy-to out --replace", {{"a/x", "new"}, {"out/x", "old"}}, {{"x", "old"}}, 1},
      {"a b --copy-to out", {{"a/" + kLong, "a"}, {"b/" + kLong, "b"}}, {{kLong, "a"}}, 1},
      {"a --copy-to out --replace", {{"a/x", "new"}, {"out/x", "old"}}, {{"x", "old"}}, 1,
       nullptr, [](TestTree& t) { chmod(t.Path("out/x").c_str(), 0444); }},
      {"a --copy-to out --replace", {{"a/x", "new"}}, {{"x", ""}}, 1, nullptr,
       [](TestTree& t) { t.Folder("out/x"); }},
      {"a --copy-to out --replace", {{"a/x", "new"}, {"elsewhere", "theirs"}}, {{"x", "theirs"}},
       1, nullptr, [](TestTree& t) { symlink(t.Path("elsewhere").c_str(), t.Path("out/x").c_str()); }},
      // Another name of the file is there already: the move takes the source's away.
      {"a --move-to out", {{"a/x", "same"}}, {{"x", "same"}}, 0, nullptr,
       [](TestTree& t) { link(t.Path("a/x").c_str(), t.Path("out/x").c_str()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TestTree t;
    std::optional<Mounted> stick;
    if (c.stick) {
      ASSERT_EQ(stick.emplace(t.Path("out"), c.stick).error(), "");
    }
    t.Folder("out");
    std::map<std::string, std::string> before(c.before.begin(), c.before.end());
    for (const auto& [path, text] : c.before) t.File(path, text);
    if (c.more) c.more(t);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    const Outcome dry = Gather(t, "-n -0 --after 1900-01-01 " + c.args);
    for (const auto& [path, text] : c.before) EXPECT_EQ(t.Read(path), text) << "dry run";
    const Outcome o = Gather(t, "--after 1900-01-01 " + c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(dry.status, c.status) << dry.err;
    // Each file the plan names (its action, source and destination, each
    // NUL-ended) went where it said, and no other changed.
    std::vector<std::string> planned, changed, field, sources;
    std::istringstream plan(dry.out);
    for (std::string f; std::getline(plan, f, '\0');) field.push_back(f);
    ASSERT_EQ(field.size() % 3, 0u) << dry.out;
    for (std::size_t i = 0; i < field.size(); i += 3) {
      const std::string &action = field[i], &source = field[i + 1], &target = field[i + 2];
      if (source == target) continue;  // there already
      sources.push_back(source);
      if (action != "remove") planned.push_back(target);
      EXPECT_EQ(t.Read(target), before[source]) << source;
      EXPECT_EQ(std::filesystem::exists(source), action == "copy") << source;
    }
    std::vector<std::pair<std::string, std::string>> after;
    for (const std::string& name : Names(t.Path("out"))) {
      const std::string path = "out/" + name;
      after.push_back({name, t.Read(path)});
      if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path)) &&
          before[path] != after.back().second)
        changed.push_back(path);
    }
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(Sorted(planned), changed);
    for (const auto& [path, text] : c.before)  // no source goes unplanned
      EXPECT_TRUE(std::filesystem::exists(path) || std::ranges::count(sources, path) > 0) << path;
    // A move that went well took every file away, those already there too.
    const bool moved_all = c.args.find("--move-to") != std::string::npos && c.status == 0;
    for (const auto& [path, text] : c.before)
      EXPECT_TRUE(!moved_all || path[0] == 'o' || !std::filesystem::exists(path)) << path;
    // It says what the run says of each file it could not gather; the run
    // alone names the renamed, which the plan lists.
    std::vector<std::string> said;
    for (const std::string& line : Lines(o.err))
      if (line.find(" under a new name: ") == std::string::npos) said.push_back(line);
    EXPECT_EQ(Lines(dry.err), said);
  }
}

TEST(GatherCli, AVerboseRunNamesEveryFileAndCountsTheFilesAndBytesOfEachOutcome) {
  const std::string kIdentical = ": its identical copy is already at out/same";
  const struct {
    std::string args;
    std::vector<std::string> said;  // after "larkspur-gather: "
  } cases[] = {
      {"--copy-to out",
       {"2 files (8 bytes) copied, 1 of them under a new name; 1 file (4 bytes) passed over: "
        "already gathered",
        "passed over src/same" + kIdentical, "copied src/new -> out/new",
        "copied under a new name: src/taken -> 'out/taken (2)'"}},
      {"--move-to out",
       {"2 files (8 bytes) moved, 1 of them under a new name; 1 file (4 bytes) removed from "
        "their folders: an identical copy is there already",
        "moved src/new -> out/new", "moved under a new name: src/taken -> 'out/taken (2)'",
        "removed src/same" + kIdentical}},
      {"--copy-to out --replace out",  // out's own files are the run's: said once each
       {"1 file (3 bytes) copied; 3 files (13 bytes) passed over: already gathered; 1 file (5 "
        "bytes) not done", "copied src/new -> out/new", "passed over src/same" + kIdentical,
        "File already exists: out/taken is one of the files of this transfer; src/taken stays "
        "where it is", "passed over out/same: it is in the destination folder already",
        "passed over out/taken: it is in the destination folder already"}},
  };
  for (const auto& c : cases) {
    TestTree t;
    for (const char* name : {"new", "same", "taken"}) t.File(std::string("src/") + name, name);
    t.File("out/same", "same");
    t.File("out/taken", "other");
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    std::vector<std::string> said;
    for (const std::string& line : Lines(Gather(t, "-v --after 1900-01-01 src " + c.args).err))
      said.push_back(line.substr(line.find(": ") + 2));
    EXPECT_EQ(said, Sorted(c.said)) << c.args;
  }
}

TEST(GatherCli, RunsAtOnceOntoAStickKeepEveryFile) {
  TestTree t;
  Mounted stick(t.Path("stick"), "exfat");  // its rename cannot refuse to replace
  ASSERT_EQ(stick.error(), "") << "this test makes its stick for real";
  std::string runs;  // each takes a free name 300 times over, all three at once
  for (const std::string run : {"a", "b", "c"}) {
    for (int i = 0; i < 300; ++i)
      t.File(run + "/" + std::to_string(i) + "/IMG.JPG", run + std::to_string(i));
    runs += std::string(GATHER) + " -q --after 1900-01-01 --copy-to " + t.Path("stick") + " " +
            t.Path(run) + " & ";
  }
  ASSERT_EQ(std::system((runs + "wait").c_str()), 0);
  EXPECT_EQ(Names(t.Path("stick")).size(), 900u);
}
