// Transfers and saves under real faults: full and failing file systems, a
// case-insensitive stick, a crash, kill -9, names at the limits. Each case
// checks which files exist afterwards with which bytes, and which boxes showed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "results_page/single_file.h"
#include "results_page/export.h"
#include "results_page/preflight.h"
#include "results_page/transfer.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"
#include "tests/transfer_checks.h"

namespace {

namespace fs = std::filesystem;

const std::string kBig(3u << 20, 'b');  // three chunks of a copy

bool Exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

std::string ReadFile(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

std::string Content(const std::string& path) { return Exists(path) ? ReadFile(path) : "(none)"; }

int MoveBoxes(const ScriptedUi& ui) {
  int n = 0;
  for (const auto& text : ui.Failures())
    if (text.find("Main.FSOFileMove at line 104") != std::string::npos) ++n;
  return n;
}

// Every ticked row of rows into destination, as page 2 does it.
TransferOutcome Transfer(ScriptedUi& ui, const std::vector<std::string>& rows,
                         const std::string& destination, TransferKind kind,
                         std::function<bool(std::size_t)> ticked = [](std::size_t) {
                           return true;
                         }) {
  FailureTrap trap(ui, "Larkmere2021/08/31.Form2.PushButton3_Click");
  TransferRows list;
  list.count = rows.size();
  list.path = [&](std::size_t i) { return rows[i]; };
  list.ticked = std::move(ticked);
  TransferOptions options;  // what keeps some or all files from going: one box first
  options.found = [&](const Preflight& p) {
    ui.Information(PreflightMessage(p, destination, kind));
  };
  return TransferChecked(
      list, [&] { return destination; }, [kind] { return kind; }, trap, options);
}

// Runs act in a child that waits at its k-th yield for which counts holds;
// then fault, and the child is killed. False when the child ended first
// (fault then comes after its end).
bool FaultAtYield(int k, const std::function<bool()>& counts,
                  const std::function<void(ScriptedUi&)>& act, const std::function<void()>& fault) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    ScriptedUi ui;
    int seen = 0;
    ui.on_yield = [&] {
      if (!counts() || ++seen < k) return;
      if (write(fds[1], "!", 1) != 1) _exit(2);
      pause();
    };
    act(ui);
    _exit(0);
  }
  close(fds[1]);
  char said = 0;
  const bool stopped = read(fds[0], &said, 1) == 1;  // an ended child ends the read
  fault();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(fds[0]);
  return stopped;
}

// A list saved as page 2 saves it, its failure shown by the page's trap.
void Save(const std::string& path, ScriptedUi& ui) {
  FailureTrap(ui, "Larkmere2021/08/31.Form2.PushButton6_Click").Step(110, [&] {
    SaveLines(
        path, 1, [](std::size_t) { return std::string("line"); }, ui);
  });
}

#define ASSERT_MOUNTED(m) ASSERT_EQ((m).error(), "") << "this suite makes its faults for real"

}  // namespace

TEST(TransferFaults, AFullFileSystemLeavesEveryFileAsItWas) {
  struct Case {
    const char* name;
    const char* options;
    bool move, replace;
  } cases[] = {
      {"copy, no space", "size=1m", false, false},
      {"copy over a file, no space", "size=1m", false, true},
      {"move, no space", "size=1m", true, false},
      {"move over a file, no space", "size=1m", true, true},
      {"copy, no inodes", "nr_inodes=8", false, false},
      {"copy over a file, no inodes", "nr_inodes=8", false, true},
      {"move over a file, no inodes", "nr_inodes=8", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    t.File("src/big.bin", kBig);
    Mounted m(t.Path("dst"), "tmpfs", c.options);
    ASSERT_MOUNTED(m);
    if (c.replace) t.File("dst/big.bin", "old");
    const bool inodes = std::string(c.options).find("inodes") != std::string::npos;
    for (int i = 0; inodes && std::ofstream(t.Path("dst/f" + std::to_string(i))); ++i) {
    }
    const std::vector<std::string> before = Names(t.Path("dst"));
    {
      TransferRun run(ui);
      if (c.move) {
        FSOFileMove(t.Path("src/big.bin"), t.Path("dst/big.bin"), run);
      } else {
        EXPECT_FALSE(CopyFileChecked(t.Path("src/big.bin"), t.Path("dst/big.bin"), run));
      }
      run.Flush();
    }
    EXPECT_EQ(t.Read("src/big.bin"), kBig);
    EXPECT_EQ(Names(t.Path("dst")), before);
    if (c.replace) {
      EXPECT_EQ(t.Read("dst/big.bin"), "old");
    }
    ASSERT_EQ(MoveBoxes(ui), c.move ? 1 : 0);
    if (c.move && !inodes) {
      EXPECT_NE(ui.Failures()[0].find("Disk full: no room is left in " + t.Path("dst/")),
                std::string::npos);
    }
  }
}

TEST(TransferFaults, AFaultWhileAMoveCopiesKeepsTheSource) {
  struct Case {
    const char* name;
    const char* kind;
    std::function<void(TestTree&, Mounted&)> fault;
  } cases[] = {
      {"destination folder removed", "tmpfs",
       [](TestTree& t, Mounted&) { fs::remove_all(t.Path("dst/in")); }},
      {"file system fails", "xfs",
       [](TestTree& t, Mounted&) {
         ASSERT_EQ(std::system(("xfs_io -x -c shutdown '" + t.Path("dst") + "'").c_str()), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    t.File("src/big.bin", kBig);
    Mounted m(t.Path("dst"), c.kind, "size=64m");
    ASSERT_MOUNTED(m);
    t.Folder("dst/in");
    bool done = false;  // the fault, once the copy is under way
    ui.on_yield = [&] {
      if (done || !Reading(t.Path("src/big.bin"))) return;
      c.fault(t, m);
      done = true;
    };
    TransferRun run(ui);
    FSOFileMove(t.Path("src/big.bin"), t.Path("dst/in/big.bin"), run);
    run.Flush();
    EXPECT_EQ(t.Read("src/big.bin"), kBig);
    EXPECT_FALSE(Exists(t.Path("dst/in/big.bin")));
    EXPECT_EQ(MoveBoxes(ui), 1);
  }
}

TEST(TransferFaults, AFileOfTheTransferIsNeverReplaced) {
  struct Case {
    const char* name;
    TransferKind kind;
    std::vector<std::string> rows;  // relative paths, in list order
    std::string kept;               // what dst/x.txt holds afterwards
    std::string numbered;           // and dst/x (2).txt, a move's second of one name
    int clash_boxes;                // a copy's: other/x.txt stays where it is
    bool late = false;  // the last row is ticked once the first file waits for its name
  } cases[] = {
      {"move, the one already there first",
       TransferKind::kMove,
       {"dst/x.txt", "other/x.txt"},
       "mine",
       "theirs",
       0},
      {"move, the one already there last",
       TransferKind::kMove,
       {"other/x.txt", "dst/x.txt"},
       "mine",
       "theirs",
       0},
      {"copy over a ticked file",
       TransferKind::kCopy,
       {"other/x.txt", "dst/x.txt"},
       "mine",
       "(none)",
       1},
      {"move of two of one name",
       TransferKind::kMove,
       {"a/x.txt", "other/x.txt"},
       "a",
       "theirs",
       0},
      {"copy of two of one name: the later remains",
       TransferKind::kCopy,
       {"a/x.txt", "other/x.txt"},
       "theirs",
       "(none)",
       0},
      {"copy over a file ticked meanwhile",
       TransferKind::kCopy,
       {"other/x.txt", "dst/x.txt"},
       "mine",
       "(none)",
       0,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    t.File("dst/x.txt", "mine");
    t.File("other/x.txt", "theirs");
    t.File("a/x.txt", "a");
    std::vector<std::string> rows;
    for (const auto& r : c.rows) rows.push_back(t.Path(r));
    Transfer(ui, rows, t.Path("dst/"), c.kind, [&](std::size_t i) {
      return !c.late || i + 1 < rows.size() || ui.rows_reached == i;
    });
    EXPECT_EQ(t.Read("dst/x.txt"), c.kept);
    EXPECT_EQ(Content(t.Path("dst/x (2).txt")), c.numbered);
    EXPECT_EQ(Exists(t.Path("other/x.txt")), c.kind == TransferKind::kCopy);
    ASSERT_EQ(static_cast<int>(ui.Failures().size()), c.clash_boxes);
    if (c.clash_boxes != 0) {
      EXPECT_NE(ui.Failures()[0].find("File already exists: " + t.Path("dst/x.txt") +
                                      " is one of the files of this transfer; " +
                                      t.Path("other/x.txt") + " stays where it is"),
                std::string::npos);
    }
  }
}

TEST(TransferFaults, APassSwitchedBetweenCopyAndMoveNeverReplacesWhatItPlaced) {
  // A moved file is kept from a copy too: its source is gone.
  for (const TransferKind first : {TransferKind::kCopy, TransferKind::kMove}) {
    const bool copy_first = first == TransferKind::kCopy;
    TestTree t;
    ScriptedUi ui;
    t.File("a/x.txt", "a");
    t.File("b/x.txt", "b");
    t.Folder("dst");
    FailureTrap trap(ui, "Larkmere2021/08/31.Form2.PushButton3_Click");
    const std::vector<std::string> rows = {t.Path("a/x.txt"), t.Path("b/x.txt")};
    TransferRows list{rows.size(), [&](std::size_t i) { return rows[i]; },
                      [](std::size_t) { return true; }};
    int asked = 0;  // the option changes on page 1 after the first row (and the look before it)
    TransferChecked(
        list, [&] { return t.Path("dst"); },
        [&] {
          if (asked++ < 2) return first;
          return copy_first ? TransferKind::kMove : TransferKind::kCopy;
        },
        trap);
    EXPECT_EQ(t.Read("dst/x.txt"), "a");
    EXPECT_EQ(Content(t.Path("dst/x (2).txt")), copy_first ? "b" : "(none)");
    EXPECT_EQ(ui.Failures().size(), copy_first ? 0u : 1u);
  }
}

TEST(TransferFaults, ACaseInsensitiveStickKeepsEveryPhoto) {
  struct Case {
    const char* kind;  // fat: no permission bits, no names beyond ASCII
    std::vector<std::string> names;
    std::time_t date = 1715000000;  // May 2024
  } cases[] = {{"exfat", {"IMG_0001.JPG", "img_0001.jpg"}},
               {"exfat", {"\xc3\x89t\xc3\xa9.txt", "\xc3\xa9t\xc3\xa9.txt"}},  // Été, été
               {"exfat", {"\xc3\x84RGER", "\xc3\xa4rger"}},                    // ÄRGER, ärger
               {"fat", {"IMG_0001.JPG", "img_0001.jpg"}},
               // A name's each spelling has its own inode, and a rename dates it now.
               {"fat", {"Photo.JPG", "photo.jpg", "PHOTO.JPG"}},
               {"fat", {"OLD.JPG"}, 100000000},  // 1973: before any FAT date
               {"exfat", {"OLD.JPG"}, 100000000}};
  for (const Case& c : cases) {
    for (TransferKind kind : {TransferKind::kMove, TransferKind::kCopy}) {
      const bool move = kind == TransferKind::kMove;
      SCOPED_TRACE(c.kind + (" " + c.names.back()) + (move ? " move" : " copy"));
      TestTree t;
      ScriptedUi ui;
      std::vector<std::string> rows, texts;
      for (std::size_t i = 0; i < c.names.size(); ++i) {
        const std::string path = std::string(1, static_cast<char>('a' + i)) + "/" + c.names[i];
        texts.push_back("photo " + std::to_string(i));
        t.File(path, texts.back(), c.date);  // of one size
        rows.push_back(t.Path(path));
      }
      Mounted m(t.Path("stick"), c.kind);
      ASSERT_MOUNTED(m);
      const bool kept = c.date > 315532800;  // 1980
      EXPECT_EQ(Transfer(ui, rows, t.Path("stick"), kind).incomplete.size(), kept ? 0u : 1u);
      // A move keeps each under its own name and date, a copy the later; no temporary left.
      std::vector<std::string> held;
      for (const std::string& name : Names(t.Path("stick"))) {
        held.push_back(t.Read("stick/" + name));
        EXPECT_TRUE(!kept || std::abs(MTime(t.Path("stick/" + name)) - c.date) <= 2) << name;
      }
      EXPECT_EQ(Sorted(held), move ? texts : std::vector<std::string>{texts.back()});
      for (const std::string& row : rows) EXPECT_EQ(Exists(row), !move);
      EXPECT_TRUE(ui.Failures().empty());
    }
  }
}

TEST(TransferFaults, ACopyWhoseNameMayNotHaveReachedTheStickIsNotToldCopied) {
  TestTree t;
  ScriptedUi ui;
  Mounted m(t.Path("stick"), "exfat");
  ASSERT_MOUNTED(m);
  t.File("src/f", "x");
  bool gone = false;  // once named, before its folder is flushed
  ui.on_yield = [&] { gone = gone || (Exists(t.Path("stick/f")) && m.Disconnect()); };
  const auto out = Transfer(ui, {t.Path("src/f")}, t.Path("stick"), TransferKind::kCopy);
  ASSERT_EQ(out.not_copied.size(), 1u);
  EXPECT_NE(out.not_copied[0].second.find("/stick/f may not be on the drive"), std::string::npos);
}

TEST(TransferFaults, AFileMovedWithinAFatStickKeepsItsDate) {
  TestTree t;
  ScriptedUi ui;
  Mounted m(t.Path("stick"), "fat");  // whose rename dates a file now
  ASSERT_MOUNTED(m);
  t.File("stick/in/photo.jpg", "p", 1715000000);
  Transfer(ui, {t.Path("stick/in/photo.jpg")}, t.Path("stick"), TransferKind::kMove);
  EXPECT_EQ(t.Read("stick/photo.jpg"), "p");
  EXPECT_LE(std::abs(MTime(t.Path("stick/photo.jpg")) - 1715000000), 2);
}

TEST(TransferFaults, AfterACrashEveryFileHasOneCompleteVersion) {
  const std::string fresh(64u << 10, 'n');
  // src/f0..7 moved to dst/<to>0..7, and afterwards each is whole in one place.
  const auto moved = [](std::string to) {
    return [to](TestTree& t, ScriptedUi& ui) {
      TransferRun run(ui);
      for (const std::string i : {"0", "1", "2", "3", "4", "5", "6", "7"})
        FSOFileMove(t.Path("src/f" + i), t.Path("dst/" + to + i), run);
      run.Flush();
    };
  };
  const auto moved_check = [&](std::string to) {
    return [&, to](TestTree& t) {
      for (const std::string i : {"0", "1", "2", "3", "4", "5", "6", "7"})
        EXPECT_TRUE(t.Read("src/f" + i) == fresh || t.Read("dst/" + to + i) == fresh) << i;
    };
  };
  struct Case {
    const char* name;
    std::function<void(TestTree&, ScriptedUi&)> act;
    std::function<void(TestTree&)> check;
  } cases[] = {
      {"moved to another file system", moved("f"), moved_check("f")},
      {"moved over old files", moved("old"), moved_check("old")},
      {"copied over old files",
       [](TestTree& t, ScriptedUi& ui) {
         TransferRun run(ui);
         for (int i = 0; i < 8; ++i)
           CopyFileChecked(t.Path("src/f" + std::to_string(i)),
                           t.Path("dst/old" + std::to_string(i)), run);
         run.Flush();
       },
       [&](TestTree& t) {
         for (int i = 0; i < 8; ++i) {
           const std::string text = t.Read("dst/old" + std::to_string(i));
           EXPECT_TRUE(text == fresh || text == "old") << i;
         }
       }},
      {"list saved over an old one",
       [](TestTree& t, ScriptedUi& ui) {
         SaveLines(
             t.Path("dst/old0"), 2, [](std::size_t) { return std::string("line"); }, ui);
       },
       [](TestTree& t) {
         const std::string text = t.Read("dst/old0");
         EXPECT_TRUE(text == "line\r\nline\r\n" || text == "old") << text;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    for (int i = 0; i < 8; ++i) t.File("src/f" + std::to_string(i), fresh);
    Mounted m(t.Path("dst"), "xfs");
    ASSERT_MOUNTED(m);
    for (int i = 0; i < 8; ++i) t.File("dst/old" + std::to_string(i), "old");
    sync();
    c.act(t, ui);
    ASSERT_TRUE(m.CrashAndRemount()) << m.error();
    c.check(t);
    EXPECT_TRUE(ui.boxes.empty());
  }
}

TEST(TransferFaults, NamesAndPathsAtTheLimitsCanBeReplaced) {
  TestTree t;
  ScriptedUi ui;
  Mounted m(t.Path("other"), "tmpfs", "size=16m");
  ASSERT_MOUNTED(m);
  std::string cjk;
  for (int i = 0; i < 85; ++i) cjk += "\xe6\xbc\xa2";  // 255 bytes
  std::string deep = t.Path("");
  while (deep.size() + 200 < 4085) deep += std::string(199, 'd') + "/";
  deep += std::string(4085 - deep.size() - 1, 'e') + "/";  // deep + "x.txt": 4,090 bytes
  struct Case {
    std::string folder, name;
  } cases[] = {
      {t.Path("out/"), std::string(251, 'n') + ".txt"}, {t.Path("out/"), cjk}, {deep, "x.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE((c.folder + c.name).size());
    const std::string copied = c.folder + c.name, saved = c.folder + "m/" + c.name;
    const std::string moved = t.Path("other/") + c.name;
    t.File("src/" + c.name, "new");
    t.File("src2/" + c.name, "moved");
    fs::create_directories(c.folder + "m/");
    for (const auto& old : {copied, saved, moved}) std::ofstream(old) << "old";
    fs::permissions(saved, fs::perms(0666));  // a saved list keeps the old one's
    TransferRun run(ui);
    EXPECT_TRUE(CopyFileChecked(t.Path("src/" + c.name), copied, run));
    FSOFileMove(t.Path("src2/" + c.name), moved, run);
    run.Flush();
    SaveLines(
        saved, 1, [](std::size_t) { return std::string("saved"); }, ui);
    EXPECT_EQ(ReadFile(copied), "new");
    EXPECT_EQ(ReadFile(moved), "moved");
    EXPECT_EQ(ReadFile(saved), "saved\r\n");
    EXPECT_EQ(fs::status(saved).permissions(), fs::perms(0666));
    EXPECT_FALSE(Exists(t.Path("src2/" + c.name)));
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(TransferFaults, KilledMidCopyLeavesNoPartialAndTheNextTransferNoTemporaryFile) {
  struct Case {
    const char* name;
    const char* kind;
    bool replace, move;
  } cases[] = {{"new file", "tmpfs", false, false},
               {"replacing a file", "tmpfs", true, false},
               {"moving to another file system", "tmpfs", false, true},
               {"replacing a file on a stick, under a temporary name", "exfat", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    t.File("src/big.bin", kBig);
    t.File("src/next.txt", "next");
    Mounted m(t.Path("dst"), c.kind, "size=64m");
    ASSERT_MOUNTED(m);
    const std::string out = c.move || c.replace ? t.Path("dst/") : t.Path("out/");
    fs::create_directories(out);
    if (c.replace) std::ofstream(out + "big.bin") << "old";
    const auto reading = [&] { return Reading(t.Path("src/big.bin")); };
    ScriptedUi ui;
    ASSERT_TRUE(FaultAtYield(
        1, reading,
        [&](ScriptedUi& child) {
          Transfer(child, {t.Path("src/big.bin")}, out,
                   c.move ? TransferKind::kMove : TransferKind::kCopy);
        },
        [&] {  // a living program's temporary file is left alone
          Transfer(ui, {t.Path("src/next.txt")}, out, TransferKind::kCopy);
          EXPECT_EQ(Names(out).front().ends_with(".lark-part"), c.kind[0] == 'e');
        }))
        << "the copy never yielded between its chunks";
    // A user's files of names like a temporary's stay.
    const std::vector<std::string> left{".lark-0123456789abcdef-notes.lark-part",
                                        ".lark-AAAAAAAAAAAAAAAA.lark-part", "big.bin", "next.txt"};
    for (int i = 0; i < 2; ++i) std::ofstream(out + left[i]) << "mine";
    Transfer(ui, {t.Path("src/next.txt")}, out, TransferKind::kCopy);
    std::vector<std::string> kept = left;
    if (!c.replace) kept.erase(kept.begin() + 2);
    EXPECT_EQ(Names(out), kept);
    if (c.replace) {
      EXPECT_EQ(ReadFile(out + "big.bin"), "old");
    }
    EXPECT_EQ(t.Read("src/big.bin"), kBig);
  }
}

TEST(TransferFaults, ASourceThatChangesIsNeitherLostNorCopiedHalf) {
  using Change = std::function<void(const std::string&)>;
  const auto resize = [](std::uintmax_t n) -> Change {
    return [n](const std::string& p) { fs::resize_file(p, n); };
  };
  const Change edit = [](const std::string& p) {
    std::fstream(p, std::ios::in | std::ios::out) << "E";
  };
  const Change save = [](const std::string& p) {
    std::ofstream(p + "~") << "new", fs::rename(p + "~", p);
  };
  const Change remove = [](const std::string& p) { fs::remove(p); };
  const auto misread = [](char byte) -> Change {  // a first byte that no date tells of
    return [byte](const std::string& p) {
      const auto at = fs::last_write_time(p);
      std::fstream(p, std::ios::in | std::ios::out) << byte, fs::last_write_time(p, at);
    };
  };
  const TransferKind move = TransferKind::kMove, copy = TransferKind::kCopy;
  struct Case {
    const char* name;
    TransferKind kind;
    bool mid_copy;  // else after it: the destination holds the file as it was
    Change change;
    const char* stick = nullptr;  // the source's, which may note no change
    Change before = nullptr;      // the source before the transfer
  } cases[] = {{"read wrong while copied, from a FAT stick", move, true, misread('b'), "fat",
                misread('X')},
               {"read wrong, from a FAT stick", copy, true, misread('b'), "fat", misread('X')},
               {"edited in place after its copy", move, false, edit},
               {"edited after its copy on a FAT stick", move, false, edit, "fat"},
               {"replaced by an editor's save after its copy", move, false, save},
               {"truncated mid-move", move, true, resize(1u << 20)},
               {"grown mid-move", move, true, resize(4u << 20)},
               {"removed mid-move", move, true, remove},
               {"removed after its copy", move, false, remove},
               {"truncated mid-copy", copy, true, resize(1u << 20)},
               {"grown mid-copy", copy, true, resize(4u << 20)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    const std::string src = t.Path("src/big.bin"), dst = t.Path("dst/big.bin");
    Mounted m(t.Path("dst"), "tmpfs", "size=64m");
    ASSERT_MOUNTED(m);
    std::optional<Mounted> stick;
    if (c.stick) {
      ASSERT_MOUNTED(stick.emplace(t.Path("src"), c.stick));
    }
    t.File("src/big.bin", kBig);
    if (c.before) c.before(src);
    std::string changed;
    ui.on_yield = [&] {
      if (!changed.empty() || !(c.mid_copy ? Reading(src) : Exists(dst))) return;
      c.change(src);
      changed = Content(src);
    };
    const TransferOutcome out = Transfer(ui, {src}, t.Path("dst"), c.kind);
    EXPECT_EQ(Content(src), changed);
    EXPECT_EQ(Content(dst), c.mid_copy ? "(none)" : kBig);
    EXPECT_EQ(out.not_copied.size(), c.kind == copy ? 1u : 0u);
    ASSERT_EQ(MoveBoxes(ui), c.kind == move ? 1 : 0);
    const char* says = changed == "(none)" ? " was removed by another program during its move"
                                           : " changed while it was being moved";
    if (c.kind == move) {
      EXPECT_NE(ui.Failures()[0].find(src + says), std::string::npos);
    }
  }
}

TEST(TransferFaults, APowerCutOnAFuseDestinationLosesNoFile) {
  const std::string fresh(64u << 10, 'n'), list = "line\r\nline\r\n";
  struct Case {
    const char* name;
    TransferKind kind;  // none: the list saved over f0
    bool over_old;      // the destination holds f0 to f3 as "old"; each is old or new
  } cases[] = {{"move", TransferKind::kMove, false},
               {"move over old files", TransferKind::kMove, true},
               {"copy over old files", TransferKind::kCopy, true},
               {"copy", TransferKind::kCopy, false},
               {"list saved over an old one", TransferKind::kNone, true}};
  if (std::string(POWERCUT).empty())
    GTEST_SKIP() << "no LazyFS powercut script: configure with -DLARKSPUR_POWERCUT=<path>";
  TestTree t;
  Mounted m(t.Path("dst"), "lazyfs");
  ASSERT_MOUNTED(m);
  int run = 0;
  for (const Case& c : cases) {
    // A cut at each yield in turn, then one after the end.
    for (int k = 1, mid_way = 1; mid_way; ++k, ++run) {
      const std::string dir = std::to_string(run) + "/", out = t.Path("dst/" + dir);
      SCOPED_TRACE(std::string(c.name) + ", cut at yield " + std::to_string(k));
      std::vector<std::string> rows;
      for (const std::string f : {"f0", "f1", "f2", "f3"}) {
        rows.push_back(t.Path("src" + dir + f));
        t.File("src" + dir + f, fresh);
        if (c.over_old) t.File("dst/" + dir + f, "old");
      }
      // The old files are on disk (sync of a file is its fsync); none to sync fails.
      ASSERT_EQ(std::system(("mkdir -p " + out + " && sync " + out + "*").c_str()) == 0,
                c.over_old);
      mid_way = FaultAtYield(
          k, [] { return true; },
          [&](ScriptedUi& ui) {
            if (c.kind == TransferKind::kNone)
              SaveLines(
                  out + "f0", 2, [](std::size_t) { return std::string("line"); }, ui);
            else
              Transfer(ui, rows, out, c.kind);
          },
          [&] { ASSERT_TRUE(m.PowerCut()) << m.error(); });
      // Before "Done." each file is as it was (while its source is needed) or
      // whole; never empty or short under its name. After it, each is new.
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string there = Content(out + "f" + std::to_string(i));
        const bool none = c.kind == TransferKind::kNone;
        const std::string before = none || c.over_old ? "old" : "(none)";
        const std::string after = !none ? fresh : i == 0 ? list : "old";
        EXPECT_TRUE(there == after ||
                    (mid_way && there == before && (none || Content(rows[i]) == fresh)))
            << i << ": " << there.substr(0, 8);
      }
    }
  }
}

TEST(TransferFaults, EachBoxSaysWhatHappened) {
  // A move of name onto a FAT stick, whose program may be gone, or which may be full.
  const auto onto_fat = [](std::string name, bool gone, bool full = false) {
    return [=](TestTree& t, ScriptedUi& ui) {
      Mounted m(t.Path("stick"), "fat");
      ASSERT_TRUE(!gone || m.Disconnect()) << m.error();
      if (full) std::ofstream(t.Path("stick/fill")) << std::string(64u << 20, 'f');
      t.File("src/" + name, "x");
      Transfer(ui, {t.Path("src/" + name)}, t.Path("stick"), TransferKind::kMove);
    };
  };
  struct Case {
    const char* name;
    std::function<void(TestTree&, ScriptedUi&)> act;
    std::string says;
  } cases[] = {
      {"a moved file whose source cannot be removed",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("src"), "tmpfs", "size=1m");
         t.File("src/f", "x");
         ui.on_yield = [&] {
           if (Exists(t.Path("out/f"))) m.MakeReadOnly();
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("out"), TransferKind::kMove);
       },
       "could not be removed (Permission denied): the file is now in both places"},
      {"a moved file whose stick went away once it was copied",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "fat");
         ASSERT_MOUNTED(m);
         t.File("stick/f", "x");
         bool gone = false;
         ui.on_yield = [&] {  // once its copy is named, until the stick answers no more
           if (!gone && Exists(t.Path("out/f")) && (gone = m.Disconnect()))
             for (std::error_code e; fs::exists(t.Path("stick/f"), e);) {}
         };
         Transfer(ui, {t.Path("stick/f")}, t.Path("out"), TransferKind::kMove);
       },
       "/stick/f cannot be reached (Transport endpoint is not connected): it may still be there"},
      {"a file renamed on a stick that went away before the name was flushed",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "exfat");
         ASSERT_MOUNTED(m);
         t.File("stick/in/f", "x");
         t.Folder("stick/out");
         ui.on_yield = [&] {  // at the second row, not ticked: the first is renamed
           if (ui.rows_reached == 1 && std::exchange(ui.rows_reached, 2)) m.Disconnect();
         };
         Transfer(ui, {t.Path("stick/in/f"), t.Path("src/f")}, t.Path("stick/out"),
                  TransferKind::kMove, [](std::size_t i) { return i == 0; });
       },
       "/stick/out/f may not be on the drive, and the file may still be at "},
      {"a moved file named on a stick that went away before the name was flushed",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "exfat");
         ASSERT_MOUNTED(m);
         bool gone = false;
         ui.on_yield = [&] {
           if (!gone && Exists(t.Path("stick/f"))) gone = m.Disconnect();
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("stick"), TransferKind::kMove);
         EXPECT_TRUE(Exists(t.Path("src/f")));
       },
       "/stick/f may not be on the drive; "},
      {"a moved file whose folder may not be changed, to another file system",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("other"), "tmpfs", "size=1m");
         ASSERT_EQ(std::system(("chattr +i '" + t.Path("src") + "'").c_str()), 0);
         Transfer(ui, {t.Path("src/f")}, t.Path("other"), TransferKind::kMove);
         std::system(("chattr -i '" + t.Path("src") + "'").c_str());
       },
       "/src/f cannot be taken out of its folder; it stays where it is"},
      {"the destination folder moved away during a move",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "tmpfs", "size=1m");
         t.Folder("stick/out");
         ui.on_yield = [&] {
           if (Exists(t.Path("stick/out/f"))) fs::rename(t.Path("stick/out"), t.Path("stick/went"));
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("stick/out"), TransferKind::kMove);
       },
       "is no longer where it was written: its folder was moved"},
      {"a name the stick does not accept",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "exfat");
         t.File("src/a\nb", "x");
         Transfer(ui, {t.Path("src/a\nb")}, t.Path("stick"), TransferKind::kMove);
         EXPECT_EQ(Names(t.Path("stick")), std::vector<std::string>{});  // nor its temporary
       },
       "Bad file name: the destination does not accept the name a\nb"},
      {"a copy that does not read back as it was written",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "fat");
         ui.on_yield = [&] {  // written whole, not yet named: its byte goes bad
           for (const auto& e : fs::directory_iterator(t.Path("stick")))
             if (fs::file_size(e.path()) == 1) std::ofstream(e.path()) << "Y";
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("stick"), TransferKind::kMove);
         EXPECT_EQ(Names(t.Path("stick")), std::vector<std::string>{});
       },
       "/stick/f does not read back as it was written"},
      {"a drive that went away", onto_fat("f", true), "Device unavailable: the drive that holds "},
      {"a drive that is read-only",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "tmpfs", "size=1m");
         ASSERT_TRUE(m.MakeReadOnly()) << m.error();
         t.File("src/g", "y");  // one box, before anything
         Transfer(ui, {t.Path("src/f"), t.Path("src/g")}, t.Path("stick"), TransferKind::kMove);
       },
       "/stick/ is on a drive that is read-only"},
      {"a destination that is a file",
       [](TestTree& t, ScriptedUi& ui) {
         Transfer(ui, {t.Path("src/f")}, t.Path("src/f"), TransferKind::kMove);
       },
       "/src/f/ is a file, not a folder"},
      {"a name a FAT stick cannot store", onto_fat("\xc3\x89t\xc3\xa9.jpg", false),
       "Bad file name: the destination does not accept the name \xc3\x89t\xc3\xa9.jpg"},
      {"a numbered name past the longest name",
       [](TestTree& t, ScriptedUi& ui) {
         const std::string name = std::string(251, 'n') + ".txt";
         t.File("src/" + name, "one");
         t.File("src2/" + name, "two");
         Transfer(ui, {t.Path("src/" + name), t.Path("src2/" + name)}, t.Path("out"),
                  TransferKind::kMove);
       },
       "File name too long: " + std::string(251, 'n') + " (2).txt is too long for "},
      {"a moved file that another program replaced",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "tmpfs", "size=1m");
         bool replaced = false;
         ui.on_yield = [&] {
           if (!Exists(t.Path("stick/f")) || std::exchange(replaced, true)) return;
           t.File("stick/theirs", "y");  // of the same size
           fs::rename(t.Path("stick/theirs"), t.Path("stick/f"));
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("stick"), TransferKind::kMove);
       },
       "/stick/f was replaced by another program meanwhile"},
      {"an old file to be replaced that became a folder while its newcomer was copied",
       [](TestTree& t, ScriptedUi& ui) {
         Mounted m(t.Path("stick"), "tmpfs", "size=1m");
         t.File("stick/f", "old");
         int yields = 0;  // the row's, the move's look, then the copy's
         ui.on_yield = [&] {
           if (++yields == 3 && fs::remove(t.Path("stick/f"))) t.Folder("stick/f");
         };
         Transfer(ui, {t.Path("src/f")}, t.Path("stick"), TransferKind::kMove);
         EXPECT_EQ(Names(t.Path("stick")), std::vector<std::string>{"f"});  // nor a temporary
       },
       "/stick/f was not completed; "},
      {"a ticked file that became a FIFO",
       [](TestTree& t, ScriptedUi& ui) {
         fs::remove(t.Path("src/f"));
         mkfifo(t.Path("src/f").c_str(), 0644);
         Transfer(ui, {t.Path("src/f")}, t.Path("out"), TransferKind::kMove);
         EXPECT_EQ(Names(t.Path("out")), std::vector<std::string>{});
       },
       "/src/f is no longer a file; nothing was moved"},
      {"a list saved into a missing folder",
       [](TestTree& t, ScriptedUi& ui) { Save(t.Path("nowhere/list.txt"), ui); },
       "Path not found: the folder"},
      {"a list saved where another program made a file meanwhile",
       [](TestTree& t, ScriptedUi& ui) {
         ui.on_yield = [&] { t.File("out/list.txt", "theirs"); };
         Save(t.Path("out/list.txt"), ui);
         EXPECT_EQ(t.Read("out/list.txt"), "theirs");
       },
       "list.txt was made by another program while the list was saved; it is kept as it is"},
      {"a list saved onto a folder", [](TestTree& t, ScriptedUi& ui) { Save(t.Path("src"), ui); },
       "is a folder"},
      {"a list saved onto a FIFO",
       [](TestTree& t, ScriptedUi& ui) {
         mkfifo(t.Path("fifo").c_str(), 0644);
         Save(t.Path("fifo"), ui);
       },
       "is a FIFO"},
      {"a list saved onto a link to a folder",
       [](TestTree& t, ScriptedUi& ui) {
         fs::create_directory_symlink(t.Path("src"), t.Path("link"));
         Save(t.Path("link"), ui);
       },
       "is a link to a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTree t;
    ScriptedUi ui;
    t.File("src/f", "x");
    t.Folder("out");
    c.act(t, ui);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(c.says), std::string::npos) << ui.boxes[0].text;
  }
}

TEST(TransferFaults, AFileOfTwoNamesIsMovedAsTheFileTheyName) {
  struct Case {
    bool other;         // out on another file system
    bool bind;          // b is a, mounted there too; else b/x.txt a hard link
    std::size_t moved;  // files in out afterwards
  } cases[] = {{false, false, 1}, {true, false, 2}, {true, true, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.other ? "other " : "") + (c.bind ? "bind" : "link"));
    TestTree t;
    ScriptedUi ui;
    t.File("a/x.txt", "x");
    t.Folder("b");
    if (c.bind) {
      ASSERT_EQ(std::system(("mount --bind " + t.Path("a") + " " + t.Path("b")).c_str()), 0);
    } else {
      fs::create_hard_link(t.Path("a/x.txt"), t.Path("b/x.txt"));
    }
    Mounted m(c.other ? t.Path("out") : t.Path("unused"), "tmpfs", "size=1m");
    t.Folder("out");
    Transfer(ui, {t.Path("a/x.txt"), t.Path("b/x.txt")}, t.Path("out"), TransferKind::kMove);
    EXPECT_EQ(Names(t.Path("a")).size() + Names(t.Path("b")).size(), 0u);
    EXPECT_EQ(t.Read("out/x.txt"), "x");
    EXPECT_EQ(Names(t.Path("out")).size(), c.moved);
    EXPECT_TRUE(ui.Failures().empty());
    if (c.bind) std::system(("umount " + t.Path("b")).c_str());
  }
}
