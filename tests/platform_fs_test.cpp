// The file-system layer through portable calls only, so that it runs on
// every platform's own implementation (POSIX here, Win32 on Windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "fs/file_times.h"
#include "fs/file_transfer.h"
#include "fs/folder_walk.h"
#include "tests/scripted_ui.h"

namespace fs = std::filesystem;

namespace {

const char kSep = os::kSeparator;

class PlatformFs : public ::testing::Test {
 protected:
  fs::path root = fs::temp_directory_path() /
                  ("lark-portable-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  ScriptedUi ui;
  void SetUp() override { fs::create_directories(root); }
  void TearDown() override { fs::remove_all(root); }
  std::string P(const std::string& relative) const {
    std::string p = (root / fs::path(relative)).make_preferred().string();
    return p;
  }
  void File(const std::string& relative, const std::string& content) {
    fs::create_directories(fs::path(P(relative)).parent_path());
    std::ofstream(P(relative), std::ios::binary) << content;
  }
  std::string Read(const std::string& relative) {
    std::ifstream in(P(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace

TEST_F(PlatformFs, WalkAndListing) {
  fs::create_directories(P("A/B/D"));
  fs::create_directories(P("A/C"));
  File("A/x.txt", "x");
  File("A/B/y.txt", "y");
  std::vector<std::string> folders = {P("A") + kSep};
  GetSubDirectories2016(folders, true, ui);
  ASSERT_EQ(folders.size(), 4u);
  EXPECT_EQ(Sorted({folders[1], folders[2]}), Sorted({P("A/B") + kSep, P("A/C") + kSep}));
  EXPECT_EQ(folders[3], P("A/B/D") + kSep);
  EXPECT_EQ(GetFilesInFolder(P("A"), "*.*"), (std::vector<std::string>{"x.txt"}));
  EXPECT_TRUE(IsFolder(P("A")));
  EXPECT_FALSE(IsFolder(P("A/x.txt")));
  EXPECT_TRUE(IsExistingFile(P("A/x.txt")));
  EXPECT_FALSE(IsExistingFile(P("A")));
  EXPECT_TRUE(FileDateModified(P("A/x.txt")).has_value());
  EXPECT_FALSE(FileDateModified(P("A/none.txt")).has_value());
}

TEST_F(PlatformFs, CopyKeepsTheModificationTimeAndMoveReplaces) {
  File("src/x.txt", "new");
  fs::create_directories(P("out"));
  const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(P("src/x.txt"), stamp);
  File("out/x.txt", "old");
  TransferRun run(ui);
  CopyFileChecked(P("src/x.txt"), P("out") + kSep + "x.txt", run);
  run.Flush();
  EXPECT_EQ(Read("out/x.txt"), "new");
  EXPECT_EQ(fs::last_write_time(P("out/x.txt")), fs::last_write_time(P("src/x.txt")));

  File("src/y.txt", "moved");
  File("out/y.txt", "old");
  FSOFileMove(P("src/y.txt"), P("out/y.txt"), run);
  run.Flush();
  EXPECT_EQ(Read("out/y.txt"), "moved");
  EXPECT_FALSE(fs::exists(P("src/y.txt")));

  FSOFileMove(P("src/gone.txt"), P("out/x.txt"), run);
  EXPECT_EQ(Read("out/x.txt"), "new");
  EXPECT_EQ(ui.Failures().size(), 1u);

  FSOFileMove(P("out/x.txt"), P("out/x.txt"), run);
  run.Flush();
  EXPECT_EQ(Read("out/x.txt"), "new");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(P("out")))
    names.push_back(e.path().filename().string());
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"x.txt", "y.txt"}));
}
