// The clipboard text of a large result list, and how it grows with the list.
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "results_page/clipboard_text.h"

namespace {

double TextSeconds(std::size_t rows) {
  std::vector<std::string> paths(rows), dates(rows);
  for (std::size_t i = 0; i < rows; ++i) {
    paths[i] = "/home/user/Documents/projects/folder-" + std::to_string(i % 977) + "/file-" +
               std::to_string(i) + ".txt";
    dates[i] = "07/12/2025 14:0" + std::to_string(i % 10) + ":00";
  }
  ListView list;
  list.rows = rows;
  list.columns = 2;
  list.cell = [&](std::size_t r, std::size_t c) {
    return std::string_view(c == 0 ? paths[r] : dates[r]);
  };
  list.ticked = [](std::size_t) { return true; };
  bench::NullUi ui;
  std::size_t size = 0;
  const double s = bench::Best(3, [&] { size = ClipboardText(list, &ui)->size(); });
  std::printf("clipboard %zu rows bytes: %zu\n", rows, size);
  return s;
}

}  // namespace

int main() {
  const double small = TextSeconds(100000);
  const double large = TextSeconds(1000000);
  std::printf("clipboard 100k seconds: %.4f\n", small);
  std::printf("clipboard 1M seconds: %.4f\n", large);
  std::printf("clipboard 1M/100k ratio: %.2f\n", large / small);
  return 0;
}
