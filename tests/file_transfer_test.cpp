#include "fs/file_transfer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "fs/platform.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

namespace {

std::time_t MTime(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mtime;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

class FileTransfer : public ::testing::Test {
 protected:
  TestTree t;
  ScriptedUi ui;
  void SetUp() override {
    t.File("src/x.txt", "new", 1600000000);
    t.Folder("out");
  }
};

}  // namespace

TEST_F(FileTransfer, CopyLandsUnderItsOwnNameWithTimesAndModeKept) {
  chmod(t.Path("src/x.txt").c_str(), 0640);
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out") + "/" + "x.txt");
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out/") + "/" + "y.txt");
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(t.Read("out/y.txt"), "new");
  EXPECT_EQ(MTime(t.Path("out/x.txt")), 1600000000);
  struct stat st {};
  stat(t.Path("out/x.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(t.Path("out")), (std::vector<std::string>{"x.txt", "y.txt"}));
}

TEST_F(FileTransfer, CopyReplacesButNotAReadOnlyFile) {
  t.File("out/x.txt", "old");
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out/x.txt"));
  EXPECT_EQ(t.Read("out/x.txt"), "new");

  t.File("out/ro.txt", "old");
  chmod(t.Path("out/ro.txt").c_str(), 0444);  // root too: the owner write bit decides
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out/ro.txt"));
  EXPECT_EQ(t.Read("out/ro.txt"), "old");
}

TEST_F(FileTransfer, CopyRefusesBadInputSilently) {
  t.File("out/keep.txt", "old");
  ASSERT_EQ(mkfifo(t.Path("src/fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(t.Path("src/x.txt").c_str(), t.Path("src/link").c_str()), 0);
  t.Folder("src/folder");
  const std::string out = t.Path("out/");
  struct Case {
    std::string source, destination;
  } cases[] = {{"", out + "keep.txt"},
               {"   ", out + "keep.txt"},
               {t.Path("src/x.txt"), "  "},
               {t.Path("src/*.txt"), out + "keep.txt"},
               {t.Path("src/x?txt"), out + "keep.txt"},
               {t.Path("src/fifo"), out + "keep.txt"},
               {t.Path("src/link"), out + "keep.txt"},
               {t.Path("src/folder"), out + "keep.txt"},
               {t.Path("src/gone.txt"), out + "keep.txt"},
               {t.Path("src/x.txt"), t.Path("nofolder/x.txt")}};
  for (const auto& c : cases) CopyFileChecked(c.source, c.destination);
  EXPECT_EQ(t.Read("out/keep.txt"), "old");
  EXPECT_EQ(Names(out), (std::vector<std::string>{"keep.txt"}));
  EXPECT_FALSE(std::filesystem::exists(t.Path("nofolder")));
}

TEST_F(FileTransfer, CopyOntoItselfKeepsTheFile) {
  CopyFileChecked(t.Path("src/x.txt"), t.Path("src//x.txt"));
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_EQ(Names(t.Path("src")), (std::vector<std::string>{"x.txt"}));
}

TEST_F(FileTransfer, ACopyThatFailsMidwayLeavesTheOldDestinationWhole) {
  std::string big(9u << 20, 'b');
  t.File("src/big.bin", big);
  t.File("out/big.bin", "old content");
  os::copy_chunk_hook = [] { return ENOSPC; };
  CopyFileChecked(t.Path("src/big.bin"), t.Path("out/big.bin"));
  CopyFileChecked(t.Path("src/big.bin"), t.Path("out/new.bin"));
  os::copy_chunk_hook = nullptr;
  EXPECT_EQ(t.Read("out/big.bin"), "old content");
  EXPECT_EQ(Names(t.Path("out")), (std::vector<std::string>{"big.bin"}));  // nothing partial

  CopyFileChecked(t.Path("src/big.bin"), t.Path("out/big.bin"));
  EXPECT_EQ(t.Read("out/big.bin"), big);
}

TEST_F(FileTransfer, MoveReplacesEvenAReadOnlyFile) {
  t.File("out/x.txt", "old");
  chmod(t.Path("out/x.txt").c_str(), 0444);
  FSOFileMove(t.Path("src/x.txt"), t.Path("out//x.txt"), ui);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(MTime(t.Path("out/x.txt")), 1600000000);
  EXPECT_FALSE(std::filesystem::exists(t.Path("src/x.txt")));
}

TEST_F(FileTransfer, MoveOfAVanishedSourceKeepsTheOldDestinationAndReportsStep104) {
  t.File("out/gone.txt", "old");
  FSOFileMove(t.Path("src/gone.txt"), t.Path("out/gone.txt"), ui);
  FSOFileMove(t.Path("src/x.txt"), t.Path("out/x.txt"), ui);  // the next file goes ahead
  EXPECT_EQ(t.Read("out/gone.txt"), "old");
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  ASSERT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(ui.Failures()[0].rfind(
                "File not found\r\nin Larkmere2021/08/31.Main.FSOFileMove at line 104\r\r", 0),
            0u);
}

TEST_F(FileTransfer, MoveOntoItselfLeavesTheFileInPlace) {
  FSOFileMove(t.Path("src/x.txt"), t.Path("src/x.txt"), ui);
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FileTransfer, MoveIntoAMissingFolderOrOfAFolderIsReported) {
  t.Folder("src/folder");
  FSOFileMove(t.Path("src/x.txt"), t.Path("nofolder/x.txt"), ui);
  FSOFileMove(t.Path("src/folder"), t.Path("out/folder"), ui);
  EXPECT_EQ(ui.Failures().size(), 2u);
  EXPECT_EQ(t.Read("src/x.txt"), "new");
  EXPECT_TRUE(std::filesystem::is_directory(t.Path("src/folder")));
  EXPECT_TRUE(Names(t.Path("out")).empty());
}

TEST_F(FileTransfer, MoveAcrossFileSystemsCopiesThenRemovesTheSource) {
  // /dev/shm is a separate tmpfs on most Linux machines.
  TestTree shm;
  struct stat a {
  }, b{};
  stat(t.root().c_str(), &a);
  if (stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev || access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second file system";
  std::string other = "/dev/shm/lark-move-" + std::to_string(getpid());
  std::filesystem::create_directory(other);
  FSOFileMove(t.Path("src/x.txt"), other + "/x.txt", ui);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(t.Path("src/x.txt")));
  EXPECT_EQ(MTime(other + "/x.txt"), 1600000000);
  std::filesystem::remove_all(other);
}

TEST_F(FileTransfer, DeleteFileQuietIsSilentAndFsoDeleteReports) {
  DeleteFileQuiet(t.Path("src/x.txt"), ui);
  DeleteFileQuiet(t.Path("src/x.txt"), ui);
  EXPECT_FALSE(std::filesystem::exists(t.Path("src/x.txt")));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_THROW(FSODeleteFile(t.Path("src/x.txt")), std::exception);
}
