// Copying and moving files against cp and mv on the same file system.
#include <string>

#include "bench/bench_util.h"
#include "fs/file_transfer.h"

int main(int argc, char** argv) {
  const std::string root = (argc > 1 ? argv[1] : "bench-data") + std::string("/copy");
  const std::string small = bench::SmallFiles(argc > 1 ? argv[1] : "bench-data");
  const std::string big = root + "/big.bin", out = root + "/out";
  if (!std::filesystem::exists(big)) {
    std::filesystem::create_directories(root);
    bench::Shell("head -c 1G /dev/urandom > '" + big + ".part' && mv '" + big + ".part' '" + big +
                 "'");
  }
  bench::NullUi ui;
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) names.push_back(bench::SmallFileName(i));

  // Each run copies onto fresh files in an emptied folder, for both tools alike.
  double cp_small = 1e30, ours_small = 1e30;
  for (int run = 0; run < 5; ++run) {
    cp_small = std::min(cp_small, bench::CpSmallFiles(small, out));
    bench::Fresh(out);
    ours_small = std::min(ours_small, bench::Seconds([&] {
                            for (const auto& n : names)
                              CopyFileChecked(small + "/" + n, out + "/" + n);
                          }));
  }
  double cp_big = 1e30, ours_big = 1e30;
  for (int run = 0; run < 3; ++run) {
    bench::Fresh(out);
    cp_big = std::min(cp_big, bench::Seconds([&] {
                        bench::Shell("cp --preserve=timestamps '" + big + "' '" + out + "/'");
                      }));
    bench::Fresh(out);
    ours_big = std::min(ours_big, bench::Seconds([&] { CopyFileChecked(big, out + "/big.bin"); }));
  }
  // Moves go back and forth between two folders of one file system.
  const std::string a = root + "/move-a", b = root + "/move-b";
  double mv = 1e30, ours_move = 1e30;
  for (int run = 0; run < 5; ++run) {
    bench::Fresh(a);
    bench::Fresh(b);
    bench::Shell("cp '" + small + "'/*.dat '" + a + "/'");
    mv = std::min(mv, bench::Seconds([&] { bench::Shell("mv '" + a + "'/*.dat '" + b + "/'"); }));
    ours_move = std::min(ours_move, bench::Seconds([&] {
                           for (const auto& n : names) FSOFileMove(b + "/" + n, a + "/" + n, ui);
                         }));
  }
  std::filesystem::remove_all(out);
  std::printf("cp small seconds: %.4f\n", cp_small);
  std::printf("copy small seconds: %.4f\n", ours_small);
  std::printf("cp big seconds: %.4f\n", cp_big);
  std::printf("copy big seconds: %.4f\n", ours_big);
  std::printf("mv seconds: %.4f\n", mv);
  std::printf("move seconds: %.4f\n", ours_move);
  std::printf("copy-small/cp ratio: %.3f\n", ours_small / cp_small);
  std::printf("copy-big/cp ratio: %.3f\n", ours_big / cp_big);
  std::printf("move/mv ratio: %.3f\n", ours_move / mv);
  return 0;
}
