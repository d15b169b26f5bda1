// The whole collection (walk, list, one date per file, date text) against GNU find.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "fs/file_times.h"
#include "fs/platform.h"
#include "setup_page/search_launch.h"

namespace {

std::optional<DateKind> Modified() { return DateKind::kModified; }

std::size_t Collect(const std::string& dir, CandidateLists& found, bench::NullUi& ui) {
  found = {};
  CollectCandidates(dir + "/", found, ui, Modified);
  // Every date turned into its text, as the list shows it.
  const DatePatterns patterns;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < found.dates.size(); ++i)
    chars += DateText(found.dates[i].value_or(0), patterns).size();
  return chars;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "bench-data";
  os::InitLocalTime();
  bench::NullUi ui;
  const std::string dir = bench::Tree(root, 100000);
  const std::string find = "find '" + dir + "' -type f -printf '%T@ %p\\n' > /dev/null";
  bench::Shell(find);  // warm the cache
  // Best of nine for both: a run here takes a tenth of a second, and this
  // machine's speed wanders over a few seconds.
  const double find_s = bench::Best(9, [&] { bench::Shell(find); });
  std::size_t chars = 0;
  CandidateLists found;
  const double walk_s = bench::Best(9, [&] { chars = Collect(dir, found, ui); });
  std::printf("files: %zu\n", found.paths.size());
  std::printf("date text chars: %zu\n", chars);
  std::printf("find seconds: %.4f\n", find_s);
  std::printf("walk seconds: %.4f\n", walk_s);

  // Memory a candidate costs (growth of the resident set), at 1M files, and
  // under a tree three times as deep: it should not grow with the path.
  // Each in a process of its own, so no memory freed before is reused.
  auto bytes_per_candidate = [&](const std::string& tree, double& path_bytes) {
    double figures[2] = {0, 0};
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    if (fork() == 0) {
      CandidateLists found;
      const PathList& paths = found.paths;
      const long before = bench::Rss();
      CollectCandidates(tree + "/", found, ui, Modified);
      const long after = bench::Rss();
      double total = 0;
      for (std::size_t i = 0; i < paths.size(); ++i) total += paths[i].size();
      const double n = static_cast<double>(paths.size());
      figures[0] = static_cast<double>(after - before) / n;
      figures[1] = total / n;
      if (write(fds[1], figures, sizeof figures) != sizeof figures) _exit(1);
      _exit(0);
    }
    if (read(fds[0], figures, sizeof figures) != sizeof figures) std::exit(1);
    wait(nullptr);
    close(fds[0]);
    close(fds[1]);
    path_bytes = figures[1];
    return figures[0];
  };
  double path_bytes = 0, deep_path_bytes = 0;
  const double bytes = bytes_per_candidate(bench::Tree(root, 1000000), path_bytes);
  const double deep = bytes_per_candidate(bench::Tree(root, 1000000, 3), deep_path_bytes);
  // Cold: the first search after a boot, caches dropped before each run
  // (root only); the median of three for both.
  const std::string big = bench::Tree(root, 1000000);
  auto cold = [&](const std::function<void()>& run) {
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
      if (std::system("sync && echo 3 > /proc/sys/vm/drop_caches") != 0) {
        std::fprintf(stderr, "the cold runs need root, to drop the caches\n");
        std::exit(1);
      }
      runs.push_back(bench::Seconds(run));
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
  };
  const double cold_find =
      cold([&] { bench::Shell("find '" + big + "' -type f -printf '%T@ %p\\n' > /dev/null"); });
  const double cold_walk = cold([&] { Collect(big, found, ui); });
  std::printf("cold find seconds: %.4f\n", cold_find);
  std::printf("cold walk seconds: %.4f\n", cold_walk);
  std::printf("walk/find ratio: %.3f\n", walk_s / find_s);
  std::printf("cold walk/find ratio: %.3f\n", cold_walk / cold_find);
  std::printf("bytes/candidate: %.1f\n", bytes);
  std::printf("path bytes/candidate: %.1f\n", path_bytes);
  std::printf("deep bytes/candidate: %.1f\n", deep);
  std::printf("deep path bytes/candidate: %.1f\n", deep_path_bytes);
  return 0;
}
