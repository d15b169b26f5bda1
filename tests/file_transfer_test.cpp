#include "results_page/single_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fs/platform.h"
#include "results_page/transfer.h"
#include "results_page/transfer_words.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"
#include "tests/transfer_checks.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// Read-only as the platform has it: no owner write bit, or the attribute.
void MakeReadOnly(const std::string& path) {
  fs::permissions(std::u8string(path.begin(), path.end()),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

class FileTransfer : public ::testing::Test {
 protected:
  TestTree t;
  ScriptedUi ui;
  TransferRun run{ui};
  void SetUp() override {
    t.File("src/x.txt", "new", 1600000000);
    t.Folder("out");
  }
};

}  // namespace

TEST_F(FileTransfer, CopyLandsUnderItsOwnNameWithItsTimeKept) {
  const std::string sep(1, os::kSeparator);
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out") + sep + "x.txt", run);
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out/") + sep + "y.txt", run);
  run.Flush();
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(t.Read("out/y.txt"), "new");
  EXPECT_EQ(MTime(t.Path("out/x.txt")), 1600000000);
  EXPECT_EQ(Names(t.Path("out")), (std::vector<std::string>{"x.txt", "y.txt"}));
}

#ifndef _WIN32
TEST_F(FileTransfer, OnLinuxTheModeIsKeptAndWildcardCharactersAreOrdinary) {
  chmod(t.Path("src/x.txt").c_str(), 0640);
  t.File("src/a?b*.txt", "wild");
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out/x.txt"), run);
  CopyFileChecked(t.Path("src/a?b*.txt"), t.Path("out/a?b*.txt"), run);
  run.Flush();
  EXPECT_EQ(t.Read("out/a?b*.txt"), "wild");
  struct stat st {};
  stat(t.Path("out/x.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A living transfer's temporary (locked) is left alone: see the fault tests.
TEST_F(FileTransfer, TheCleanUpRemovesOnlyFilesOfTheTemporariesShape) {
  const std::string shape = ".lark-" + std::string(16, 'a') + ".lark-part";
  struct Case {
    std::string name;
    bool fifo, removed;
  } cases[] = {{shape, false, true},
               {".lark-settings", false, false},
               {shape.substr(0, 20) + "b.lark-part", false, false},
               {".lark-" + std::string(16, 'c') + ".lark-part", true, false}};
  for (const Case& c : cases) {
    if (c.fifo)
      ASSERT_EQ(mkfifo(t.Path("out/" + c.name).c_str(), 0644), 0);
    else
      t.File("out/" + c.name, "someone's");
  }
  EXPECT_TRUE(CopyFileChecked(t.Path("src/x.txt"), t.Path("out/x.txt"), run));
  run.Flush();
  for (const Case& c : cases)
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(t.Path("out/" + c.name))),
              !c.removed)
        << c.name;
}
#endif

TEST_F(FileTransfer, CopyReplacesButNotAReadOnlyFile) {
  t.File("out/x.txt", "old");
  t.File("out/ro.txt", "old");
  MakeReadOnly(t.Path("out/ro.txt"));  // root too: the owner write bit decides
  EXPECT_TRUE(CopyFileChecked(t.Path("src/x.txt"), t.Path("out/x.txt"), run));
  EXPECT_FALSE(CopyFileChecked(t.Path("src/x.txt"), t.Path("out/ro.txt"), run));
  EXPECT_EQ(t.Read("out/x.txt"), "old");  // a replacement waits for the flush
  run.Flush();
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(t.Read("out/ro.txt"), "old");
  EXPECT_EQ(Names(t.Path("out")), (std::vector<std::string>{"ro.txt", "x.txt"}));
}

TEST_F(FileTransfer, CopyRefusesBadInputSilently) {
  t.File("out/keep.txt", "old");
  t.Folder("src/folder");
  const std::string out = t.Path("out/");
  std::vector<std::pair<std::string, std::string>> cases = {
      {"", out + "keep.txt"},
      {"   ", out + "keep.txt"},
      {t.Path("src/x.txt"), "  "},
      {t.Path("src/*.txt"), out + "keep.txt"},
      {t.Path("src/folder"), out + "keep.txt"},
      {t.Path("src/gone.txt"), out + "keep.txt"},
      {t.Path("src/x.txt"), t.Path("nofolder/x.txt")}};
#ifndef _WIN32
  ASSERT_EQ(mkfifo(t.Path("src/fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(t.Path("src/x.txt").c_str(), t.Path("src/link").c_str()), 0);
  cases.push_back({t.Path("src/fifo"), out + "keep.txt"});
  cases.push_back({t.Path("src/link"), out + "keep.txt"});
#endif
  for (const auto& [source, destination] : cases) {
    const std::string why = Words(CopyFileChecked(source, destination, run).error);
    const bool no_file = source.ends_with("fifo") || source.ends_with("link");
    EXPECT_TRUE(no_file ? why == "it is no longer a file: something else took its name"
                        : !why.empty())
        << source << ": " << why;
  }
  run.Flush();
  EXPECT_EQ(t.Read("out/keep.txt"), "old");
  EXPECT_EQ(Names(out), (std::vector<std::string>{"keep.txt"}));
  EXPECT_FALSE(std::filesystem::exists(t.Path("nofolder")));
}

TEST_F(FileTransfer, OntoItselfTheFileStaysAsItIs) {
  const std::string doubled = t.Path("src") + os::kSeparator + os::kSeparator + "x.txt";
  CopyFileChecked(t.Path("src/x.txt"), doubled, run);
  FSOFileMove(t.Path("src/x.txt"), t.Path("src/x.txt"), run);
  run.Flush();
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_EQ(Names(t.Path("src")), (std::vector<std::string>{"x.txt"}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FileTransfer, MoveReplacesEvenAReadOnlyFile) {
  t.File("out/x.txt", "old");
  MakeReadOnly(t.Path("out/x.txt"));
  FSOFileMove(t.Path("src/x.txt"), t.Path("out") + os::kSeparator + os::kSeparator + "x.txt", run);
  run.Flush();
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(MTime(t.Path("out/x.txt")), 1600000000);
  EXPECT_FALSE(std::filesystem::exists(t.Path("src/x.txt")));
}

TEST_F(FileTransfer, MoveOfAVanishedSourceKeepsTheOldDestinationAndReportsStep104) {
  t.File("out/gone.txt", "old");
  FSOFileMove(t.Path("src/gone.txt"), t.Path("out/gone.txt"), run);
  FSOFileMove(t.Path("src/x.txt"), t.Path("out/x.txt"), run);  // the next file goes ahead
  run.Flush();
  EXPECT_EQ(t.Read("out/gone.txt"), "old");
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  ASSERT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(ui.Failures()[0].rfind("File not found: " + t.Path("src/gone.txt") +
                                       " is no longer there; nothing was moved\r\nin "
                                       "Larkmere2021/08/31.Main.FSOFileMove at line 104\r\r",
                                   0),
            0u);
}

TEST_F(FileTransfer, MoveIntoAMissingFolderOrOfAFolderIsReported) {
  t.Folder("src/folder");
  FSOFileMove(t.Path("src/x.txt"), t.Path("nofolder/x.txt"), run);
  FSOFileMove(t.Path("src/folder"), t.Path("out/folder"), run);
  run.Flush();
  EXPECT_EQ(ui.Failures().size(), 2u);
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_TRUE(std::filesystem::is_directory(t.Path("src/folder")));
  EXPECT_TRUE(Names(t.Path("out")).empty());
}

TEST_F(FileTransfer, AFolderThatWentAfterTheFirstFileTakesNoMore) {
  t.File("src/y.txt", "y");
  t.Folder("went");
  EXPECT_TRUE(CopyFileChecked(t.Path("src/y.txt"), t.Path("went/y.txt"), run));
  std::filesystem::remove_all(t.Path("went"));
  EXPECT_FALSE(CopyFileChecked(t.Path("src/x.txt"), t.Path("went/x.txt"), run));
  FSOFileMove(t.Path("src/x.txt"), t.Path("went/x.txt"), run);
  run.Flush();
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_FALSE(std::filesystem::exists(t.Path("went")));
  ASSERT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(ui.Failures()[0].rfind(
                "Path not found: the folder " + t.Path("went/") +
                    " does not exist\r\nin Larkmere2021/08/31.Main.FSOFileMove at line 104\r\r",
                0),
            0u);
}

TEST(TransferBoxes, MoreThanFiveFilesAreFiveNamedAndTheRestCounted) {
  for (const int files : {5, 7}) {
    std::vector<std::pair<std::string, std::string>> not_copied;
    std::vector<std::string> renamed;
    std::string failed_lines, renamed_lines;  // the first five, then the rest counted
    for (int i = 1; i <= files; ++i) {
      not_copied.push_back({std::string("f").append(std::to_string(i)), "Disk full"});
      renamed.push_back("x.jpg \u2192 x (" + std::to_string(i + 1) + ").jpg");
      if (i > 5) continue;
      failed_lines += "\r\n" + not_copied.back().first + ": Disk full";
      renamed_lines += "\r\n" + renamed.back();
    }
    const std::string rest = files > 5 ? "\r\n... and 2 more" : "";
    for (const auto& [text, lines] : {std::pair{NotCopiedMessage(not_copied), failed_lines},
                                      {RenamedMessage(renamed), renamed_lines}}) {
      EXPECT_EQ(text.substr(0, 2), std::to_string(files) + " ");
      // The head, a blank line, five files and the rest counted.
      EXPECT_EQ(text.substr(text.find("\r\n\r\n") + 2), lines + rest);
    }
  }
}
