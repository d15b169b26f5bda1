#include "fs/folder_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

namespace {

std::size_t Depth(const std::string& path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), os::kSeparator));
}

}  // namespace

// More folders than the workers may read ahead of the reader, at three
// depths: every folder once, level by level, each with exactly its own files.
TEST(FolderTree, AWideTreeComesLevelByLevelEachFolderWithItsOwnFiles) {
  TestTree t;
  std::map<std::string, std::vector<std::string>> expected = {{t.root(), {"top.txt"}}};
  t.File("top.txt");
  for (int a = 0; a < 30; ++a) {
    const std::string n = std::to_string(a), one = "a" + n;
    t.Folder(one);
    expected[t.Path(one + "/")] = {};
    for (int b = 0; b < 25; ++b) {
      const std::string n = std::to_string(b), two = one + "/b" + n, file = "f" + n + ".txt";
      t.File(two + "/" + file);
      t.File(two + "/~lock");
      expected[t.Path(two + "/")] = {file, "~lock"};
    }
  }
  // Files or none, with the workers a warm cache keeps and with the most a cold disk gets.
  for (const auto& [files, workers] :
       {std::pair{true, 0}, {false, 0}, {true, FolderTree::kMostWorkers}}) {
    ScriptedUi ui;
    std::vector<std::string> order;
    std::map<std::string, std::vector<std::string>> read;
    FolderTree tree({t.root()}, true, files, workers);
    tree.Read(ui, [&](const FolderTree::Folder& f) {
      order.push_back(f.path);
      auto& names = read[f.path];
      for (std::size_t i = 0; i < f.size(); ++i) names.emplace_back(f[i].name);
      std::sort(names.begin(), names.end());
    });
    ASSERT_EQ(order.size(), expected.size()) << "files " << files << ", workers " << workers;
    EXPECT_EQ(order.front(), t.root());
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end(),
                               [](auto& x, auto& y) { return Depth(x) < Depth(y); }));
    for (const auto& [path, names] : expected)
      EXPECT_EQ(read[path], files ? names : std::vector<std::string>{}) << path;
  }
}
