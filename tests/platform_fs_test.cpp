// The file-system layer through portable calls only, so that it runs on
// every platform's own implementation (POSIX here, Win32 on Windows).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "results_page/single_file.h"
#include "fs/folder_walk.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

namespace fs = std::filesystem;

namespace {

const char kSep = os::kSeparator;

class PlatformFs : public ::testing::Test {
 protected:
  TestTree t;
  ScriptedUi ui;
};

}  // namespace

TEST_F(PlatformFs, WalkAndListing) {
  fs::create_directories(t.Path("A/B/D"));
  fs::create_directories(t.Path("A/C"));
  t.File("A/x.txt", "x");
  t.File("A/B/y.txt", "y");
  std::vector<std::string> files;
  const std::vector<std::string> folders = WalkedFolders({t.Path("A") + kSep}, true, ui, &files);
  ASSERT_EQ(folders.size(), 4u);
  EXPECT_EQ(Sorted({folders[1], folders[2]}), Sorted({t.Path("A/B") + kSep, t.Path("A/C") + kSep}));
  EXPECT_EQ(folders[3], t.Path("A/B/D") + kSep);
  EXPECT_EQ(files, (std::vector<std::string>{"x.txt"}));
  EXPECT_TRUE(IsFolder(t.Path("A")));
  EXPECT_FALSE(IsFolder(t.Path("A/x.txt")));
  EXPECT_TRUE(IsExistingFile(t.Path("A/x.txt")));
  EXPECT_FALSE(IsExistingFile(t.Path("A")));
}

TEST_F(PlatformFs, CopyKeepsTheModificationTimeAndMoveReplaces) {
  t.File("src/x.txt", "new");
  fs::create_directories(t.Path("out"));
  const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(t.Path("src/x.txt"), stamp);
  t.File("out/x.txt", "old");
  TransferRun run(ui);
  CopyFileChecked(t.Path("src/x.txt"), t.Path("out") + kSep + "x.txt", run);
  run.Flush();
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(fs::last_write_time(t.Path("out/x.txt")), fs::last_write_time(t.Path("src/x.txt")));

  t.File("src/y.txt", "moved");
  t.File("out/y.txt", "old");
  FSOFileMove(t.Path("src/y.txt"), t.Path("out/y.txt"), run);
  run.Flush();
  EXPECT_EQ(t.Read("out/y.txt"), "moved");
  EXPECT_FALSE(fs::exists(t.Path("src/y.txt")));

  FSOFileMove(t.Path("src/gone.txt"), t.Path("out/x.txt"), run);
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  EXPECT_EQ(ui.Failures().size(), 1u);

  FSOFileMove(t.Path("out/x.txt"), t.Path("out/x.txt"), run);
  run.Flush();
  EXPECT_EQ(t.Read("out/x.txt"), "new");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(t.Path("out")))
    names.push_back(e.path().filename().string());
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"x.txt", "y.txt"}));
}

#ifndef _WIN32
// As exFAT and FAT through FUSE compare names: Unicode simple case folding,
// with no language's special cases.
TEST(CaseFold, NamesFoldAsCaseInsensitiveFileSystemsCompareThem) {
  struct Case {
    const char *a, *b;
    bool same;
  } cases[] = {{"\xce\xa3\xce\xbf\xcf\x82", "\xcf\x83\xce\xbf\xcf\x83", true},  // Σος, σοσ
               {"\xe2\x84\xaa", "k", true},                                     // Kelvin sign
               {"\xc4\xb0", "i", false},                                        // İ
               {"\xc4\xb1", "I", false}};                                       // ı
  for (const Case& c : cases)
    EXPECT_EQ(os::FoldCase(c.a) == os::FoldCase(c.b), c.same) << c.a << " " << c.b;
}
#endif
