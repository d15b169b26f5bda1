// The whole collection (walk, list, one date per file, date text) against GNU find.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "fs/file_times.h"
#include "fs/platform.h"
#include "setup_page/search_launch.h"

namespace {

std::size_t Collect(const std::string& dir, bench::NullUi& ui) {
  CandidatePaths.clear();
  CandidateDates.clear();
  CollectCandidates(dir + "/", ui, [] { return std::optional<DateKind>(DateKind::kModified); });
  // Every date turned into its text, as the list shows it.
  const DatePatterns patterns;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < CandidateDates.size(); ++i)
    chars += DateText(CandidateDates[i].value_or(0), patterns).size();
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
  const double find_s = bench::Best(5, [&] { bench::Shell(find); });
  std::size_t chars = 0;
  const double walk_s = bench::Best(5, [&] { chars = Collect(dir, ui); });
  std::printf("files: %zu\n", CandidatePaths.size());
  std::printf("date text chars: %zu\n", chars);
  std::printf("find seconds: %.4f\n", find_s);
  std::printf("walk seconds: %.4f\n", walk_s);

  const std::string big = bench::Tree(root, 1000000);
  CandidatePaths.clear();
  CandidateDates.clear();
  const long before = bench::Rss();
  CollectCandidates(big + "/", ui, [] { return std::optional<DateKind>(DateKind::kModified); });
  const long after = bench::Rss();
  std::printf("files at 1M: %zu\n", CandidatePaths.size());
  std::printf("walk/find ratio: %.3f\n", walk_s / find_s);
  std::printf("walk bytes/file: %.1f\n",
              static_cast<double>(after - before) / static_cast<double>(CandidatePaths.size()));
  return 0;
}
