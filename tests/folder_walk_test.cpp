#include "fs/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::vector<std::string> Walk(std::vector<std::string> folders, bool recurse, ScriptedUi& ui) {
  return WalkedFolders(folders, recurse, ui);
}


}  // namespace

TEST(FolderWalk, ExpandsBreadthFirstByDepth) {
  TestTree t;
  t.Folder("A/B/D");
  t.Folder("A/C");
  ScriptedUi ui;
  auto all = Walk({t.Path("A/")}, true, ui);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0], t.Path("A/"));
  // Sibling order is the listing's; depth order is fixed.
  EXPECT_EQ(Sorted({all[1], all[2]}), Sorted({t.Path("A/B/"), t.Path("A/C/")}));
  EXPECT_EQ(all[3], t.Path("A/B/D/"));
  EXPECT_TRUE(ui.boxes.empty());

  auto first = Walk({t.Path("A/")}, false, ui);
  EXPECT_EQ(Sorted(first), Sorted({t.Path("A/"), t.Path("A/B/"), t.Path("A/C/")}));
}

TEST(FolderWalk, SeveralListedFoldersKeepLevelOrder) {
  TestTree t;
  t.Folder("P/p1/pp");
  t.Folder("Q/q1");
  ScriptedUi ui;
  auto all = Walk({t.Path("P/"), t.Path("Q/")}, true, ui);
  EXPECT_EQ(all, (std::vector<std::string>{t.Path("P/"), t.Path("Q/"), t.Path("P/p1/"),
                                           t.Path("Q/q1/"), t.Path("P/p1/pp/")}));
}

TEST(FolderWalk, EntriesThatAreNoFolderStayAndGainNothing) {
  TestTree t;
  t.File("file.txt");
  ScriptedUi ui;
  std::vector<std::string> in = {t.Path("missing/"), t.Path("file.txt")};
  EXPECT_EQ(Walk(in, true, ui), in);
  EXPECT_TRUE(Walk({}, true, ui).empty());
  EXPECT_TRUE(ui.boxes.empty());
}

// These build their trees with POSIX calls: links, FIFOs, mounts, dropped
// privileges.
#ifndef _WIN32
TEST(FolderWalk, SkipsLinksAndUnlistableNamesButKeepsHiddenAndUnicode) {
  TestTree t;
  t.Folder("top/.hidden/inner");
  t.Folder("top/Ünïcødé 日本");
  t.Folder("top/real");
  t.Folder("top/bad\x01name/below");
  t.Folder("top/bad\xff\xfe/below");
  ASSERT_EQ(symlink(t.Path("top/real").c_str(), t.Path("top/link").c_str()), 0);
  ASSERT_EQ(symlink(t.Path("top").c_str(), t.Path("top/real/loop").c_str()), 0);
  ScriptedUi ui;
  auto all = Walk({t.Path("top/")}, true, ui);
  EXPECT_EQ(Sorted(all),
            Sorted({t.Path("top/"), t.Path("top/.hidden/"), t.Path("top/.hidden/inner/"),
                    t.Path("top/Ünïcødé 日本/"), t.Path("top/real/")}));
}

TEST(FolderWalk, VirtualFileSystemMountsAreNotExpandedBelowAListedFolder) {
  if (!IsFolder("/proc/self/")) GTEST_SKIP() << "no /proc";
  ScriptedUi ui;
  const std::vector<std::string> folders = Walk({"/"}, false, ui);
  EXPECT_EQ(std::count(folders.begin(), folders.end(), "/proc/"), 0);
  EXPECT_EQ(std::count(folders.begin(), folders.end(), "/tmp/"), IsFolder("/tmp") ? 1 : 0);
  // Listed itself, it stays in the list but is not expanded.
  EXPECT_EQ(Walk({"/proc/"}, true, ui), std::vector<std::string>{"/proc/"});
}

TEST(FolderWalk, ASubFolderPastThePathLimitIsDroppedWithAllBelowIt) {
  TestTree t;
  std::string deep = "d";
  while (t.Path(deep).size() + 210 < os::kPathLimit) deep += "/" + std::string(200, 'd');
  const std::string near = deep + "/" + std::string(os::kPathLimit - t.Path(deep).size() - 3, 'n');
  // near/ is just short of the limit; near/over/ is past it, made where it
  // is; a sibling one byte longer is at it.
  t.Folder(near);
  t.Folder(near + "n");
  const int at = open(t.Path(near).c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_TRUE(mkdirat(at, "over", 0755) == 0 && mkdirat(at, "over/below", 0755) == 0);
  ScriptedUi ui;
  const auto all = Walk({t.Path("d/")}, true, ui);
  EXPECT_EQ(all.back(), t.Path(near + "/"));
  EXPECT_EQ(std::count(all.begin(), all.end(), t.Path(near + "n/")), 0);
  unlinkat(at, "over/below", AT_REMOVEDIR);
  unlinkat(at, "over", AT_REMOVEDIR);
  close(at);
}

TEST(FolderWalk, OnlyTheTopMostMountOfAPointCounts) {
  ASSERT_EQ(geteuid(), 0u) << "stacking mounts needs root";
  TestTree t;
  t.Folder("real-over-virtual");
  t.Folder("virtual-over-real");
  const std::string a = t.Path("real-over-virtual"), b = t.Path("virtual-over-real");
  // As an automount point (autofs) with its real file system mounted on top.
  ASSERT_EQ(
      std::system(("mount -t proc proc '" + a + "' && mount -t tmpfs tmpfs '" + a + "' && mkdir '" +
                   a + "/x' && mount -t tmpfs tmpfs '" + b + "' && mount -t proc proc '" + b + "'")
                      .c_str()),
      0);
  ScriptedUi ui;
  std::vector<std::string> folders = Walk({t.root()}, true, ui);
  for (const std::string& m : {a, a, b, b}) std::system(("umount -l '" + m + "'").c_str());
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{t.root(), a + "/", a + "/x/"}));
}

TEST(FolderWalk, UnreadableFoldersAreDroppedSilently) {
  TestTree t;
  t.Folder("open/sub");
  t.Folder("locked1/inside");
  t.Folder("locked2");
  t.Folder("open/lockedsub/deep");
  for (const char* f : {"locked1", "locked2", "open/lockedsub"}) chmod(t.Path(f).c_str(), 0);
  std::vector<std::string> expected = {t.Path("open/"), t.Path("open/sub/")};
  int result = RunUnprivileged([&] {
    ScriptedUi ui;
    auto all = Walk({t.Path("locked1/"), t.Path("open/"), t.Path("locked2/")}, true, ui);
    // Listing order of siblings is the file system's: compare sorted.
    if (Sorted(all) != Sorted(expected)) return 1;
    return ui.boxes.empty() ? 0 : 2;
  });
  EXPECT_EQ(result, 0);
}

// The files of folder that a walk finds there.
std::vector<std::string> FilesIn(const std::string& folder) {
  ScriptedUi ui;
  std::vector<std::string> files;
  WalkedFolders({folder}, false, ui, &files);
  return Sorted(files);
}

TEST(FolderWalk, ListsRegularFilesOnlyHiddenIncluded) {
  TestTree t;
  t.File("d/a.txt");
  t.File("d/.hidden");
  t.File("d/~lock");
  t.File("d/ü.txt");
  t.File("d/bad\x7f.txt");
  t.Folder("d/sub");
  ASSERT_EQ(mkfifo(t.Path("d/fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(t.Path("d/a.txt").c_str(), t.Path("d/link").c_str()), 0);
  const auto names = FilesIn(t.Path("d"));
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a.txt", "~lock", "ü.txt"}));
  EXPECT_TRUE(FilesIn(t.Path("d/sub")).empty());
  EXPECT_TRUE(FilesIn(t.Path("nothere")).empty());
}

TEST(FolderWalk, PathTests) {
  TestTree t;
  t.File("f.txt");
  ASSERT_EQ(mkfifo(t.Path("fifo").c_str(), 0644), 0);
  struct Case {
    std::string path;
    bool folder, file;
  } cases[] = {{t.root(), true, false},
               {t.Path("f.txt"), false, true},
               {t.Path("fifo"), false, false},
               {t.Path("none"), false, false},
               {"", false, false},
               {"/" + std::string(os::kPathLimit, 'a'), false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsFolder(c.path), c.folder) << c.path;
    EXPECT_EQ(IsExistingFile(c.path), c.file) << c.path;
  }
}
#endif  // _WIN32

TEST(FolderWalk, UnlistableNames) {
  struct Case {
    std::string name;
    bool unlistable;
  } cases[] = {{"", false},
               {"plain.txt", false},
               {"ü日本", false},
               {"what?.txt", false},
               {"tab\there", true},
               {"del\x7f", true},
               {"c1\xc2\x85", true},
               {"\xff", true},
               {"\xc3", true},
               {"\xed\xa0\x80", true},
               {"dir\xf8\x80\x80", true},
               {"\xf5\x80\x80\x80", true},
               {"\xfe\x80\x80", true},
               {"\xf4\x8f\xbf\xbf", false}};
  for (const auto& c : cases) EXPECT_EQ(HasUnlistableChars(c.name), c.unlistable) << c.name;
}
