// "Next >" and "Start Finding" over large trees, against GNU find's walk.
#include "bench/wizard_bench.h"

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "bench-data";
  qputenv("QT_QPA_PLATFORM", "offscreen");
  os::InitLocalTime();
  QApplication app(argc, argv);
  const std::string work = root + "/find-work";
  std::filesystem::create_directories(work);
  const std::string big = bench::Tree(root, 1000000), small = bench::Tree(root, 100000);
  const std::string find = "find '" + big + "' -type f -printf '%T@ %p\\n' > /dev/null";
  bench::Shell(find);
  const double find_s = bench::Best(3, [&] { bench::Shell(find); });

  bench::Wizard w(work);
  // Half the files are dated 2020, half 2022: "After" 2021-01-01 keeps half.
  auto start_finding = [&] {
    w.page2().SelectOption(w.page2().Option1);
    w.page2().DTPicker1->setDate(QDate(2021, 1, 1));
    const double s = bench::Seconds([&] { w.page2().PushButton1_Click(); });
    w.ui.Pump();  // the window has its events before the next click, as between two clicks
    return s;
  };
  w.List(small);
  w.form1.PushButton6_Click();
  const double find_small = start_finding();

  const long before = bench::Rss();
  w.List(big);
  w.ui.Reset();
  const double next_s = bench::Seconds([&] { w.form1.PushButton6_Click(); });
  const double next_gap = w.ui.max_gap_ms;
  w.ui.Reset();
  double find_big = start_finding();
  find_big = std::min(find_big, start_finding());
  const double find_gap = w.ui.max_gap_ms;
  const long after = bench::Rss();

  std::printf("candidates: %zu\n", w.page2().model().candidates()->paths.size());
  std::printf("rows: %zu\n", w.page2().model().count());
  std::printf("find seconds: %.4f\n", find_s);
  std::printf("next seconds: %.4f\n", next_s);
  std::printf("start-finding 1M seconds: %.4f\n", find_big);
  std::printf("start-finding 100k seconds: %.4f\n", find_small);
  std::printf("start-finding max event gap ms: %.1f\n", find_gap);
  std::printf("next/find ratio: %.3f\n", next_s / find_s);
  std::printf("max event gap ms: %.1f\n", next_gap);
  std::printf("start-finding/find ratio: %.3f\n", find_big / find_s);
  std::printf("start-finding 1M/100k ratio: %.2f\n", find_big / find_small);
  std::printf("bytes/candidate: %.1f\n",
              static_cast<double>(after - before) /
                  static_cast<double>(w.page2().model().candidates()->paths.size()));
  return 0;
}
