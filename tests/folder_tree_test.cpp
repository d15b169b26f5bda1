#include "fs/folder_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

namespace {

std::size_t Depth(const std::string& path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), os::kSeparator));
}

// The threads this process has now; 0 where Windows cannot tell a worker's
// waits on the disk from its turns.
int ThreadsNow() {
#ifdef __linux__
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
#endif
  return 0;
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
  // Files or none, with the most workers a cold disk gets (first: it sets the
  // folders' access times) and with the two a warm cache keeps, even with
  // every processor busy, which more would only slow down.
  std::vector<std::tuple<bool, int, bool>> rows = {
      {true, FolderTree::kMostWorkers, false}, {true, 0, false}, {false, 0, false}};
  rows.insert(rows.end(), 8, {true, 0, true});
  for (const auto& [files, workers, busy] : rows) {
    ScriptedUi ui;
    std::vector<std::string> order;
    std::map<std::string, std::vector<std::string>> read;
    std::vector<std::jthread> spinners(busy ? std::thread::hardware_concurrency() : 0);
    for (auto& spin : spinners)
      spin = std::jthread([](std::stop_token stop) {
        while (!stop.stop_requested()) continue;
      });
    const int threads_before = ThreadsNow();
    int threads = threads_before;
    FolderTree tree({t.root()}, true, files, workers);
    tree.Read(ui, [&](const FolderTree::Folder& f) {
      threads = std::max(threads, ThreadsNow());
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
    if (threads_before > 0) {
      EXPECT_EQ(threads - threads_before, workers > 0 ? workers : 2) << "busy " << busy;
    }
  }
}
