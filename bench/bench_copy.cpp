// Copying and moving files against cp and mv, on one file system and onto
// another (an XFS image and an exFAT one through FUSE, so it runs as root);
// small files on a fresh ext4 image and on the build disk.
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_util.h"
#include "results_page/transfer.h"

namespace {

// Every named file of from copied or moved into to as the results page does
// it: every row ticked, the sources noted first, each destination tested for
// a clash, the work flushed at the end.
void Transfer(const std::string& from, const std::string& to, const std::vector<std::string>& names,
              TransferKind kind, bench::NullUi& ui) {
  FailureTrap trap(ui, "bench");
  TransferRows rows{names.size(), [&](std::size_t i) { return from + "/" + names[i]; },
                    [](std::size_t) { return true; }};
  TransferChecked(
      rows, [&] { return to; }, [kind] { return kind; }, trap);
}

// Our copy of every small file into out, flushed, in seconds.
double OursSmallFiles(const std::string& small, const std::string& out,
                      const std::vector<std::string>& names, bench::NullUi& ui) {
  return bench::Seconds([&] { Transfer(small, out, names, TransferKind::kCopy, ui); });
}

// Best of five of cp and of ours copying the small files into an emptied
// folder, for both tools alike.
std::pair<double, double> CopyingNew(const std::string& small, const std::string& out,
                                     const std::vector<std::string>& names, bench::NullUi& ui) {
  double cp = 1e30, ours = 1e30;
  for (int run = 0; run < 5; ++run) {
    cp = std::min(cp, bench::CpSmallFiles(small, out));
    bench::Fresh(out);
    ours = std::min(ours, OursSmallFiles(small, out, names, ui));
  }
  return {cp, ours};
}

// Best of five of cp and of ours copying the small files over an earlier copy;
// ours makes each replacement durable before it takes the old file's place.
std::pair<double, double> Replacing(const std::string& small, const std::string& out,
                                    const std::vector<std::string>& names, bench::NullUi& ui) {
  double cp = 1e30, ours = 1e30;
  for (int run = 0; run < 5; ++run) {
    // Each tool starts with nothing left to write back: a flush of the file
    // system must not be charged with the other tool's writing.
    bench::CpSmallFiles(small, out);
    bench::Shell("sync");
    cp = std::min(cp, bench::Seconds([&] {
                    bench::Shell("cp --preserve=timestamps '" + small + "'/*.dat '" + out + "/'");
                  }));
    bench::Shell("sync");
    ours = std::min(ours, OursSmallFiles(small, out, names, ui));
  }
  return {cp, ours};
}

// Best of five of mv and of ours moving the small files from a into in,
// a folder of another file system; both start with nothing left to write.
std::pair<double, double> MovingTo(const std::string& in, const std::string& a,
                                   const std::string& small, const std::vector<std::string>& names,
                                   bench::NullUi& ui) {
  double mv = 1e30, ours = 1e30;
  for (int run = 0; run < 5; ++run) {
    bench::Fresh(a);
    bench::Fresh(in);
    bench::Shell("cp '" + small + "'/*.dat '" + a + "/' && sync");
    mv = std::min(mv, bench::Seconds([&] { bench::Shell("mv '" + a + "'/*.dat '" + in + "/'"); }));
    bench::Fresh(in);
    bench::Shell("cp '" + small + "'/*.dat '" + a + "/' && sync");
    ours = std::min(ours, bench::Seconds([&] { Transfer(a, in, names, TransferKind::kMove, ui); }));
  }
  return {mv, ours};
}

// Best of five of moving the small files from a into in by hand, checked as
// ours checks a move onto a stick: cp, then cmp of every file (diff -r, one
// process for them all), then rm.
double CheckedByHand(const std::string& in, const std::string& a, const std::string& small) {
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    bench::Fresh(a);
    bench::Fresh(in);
    bench::Shell("cp '" + small + "'/*.dat '" + a + "/' && sync");
    best =
        std::min(best, bench::Seconds([&] {
                   bench::Shell("cp --preserve=timestamps '" + a + "'/*.dat '" + in +
                                "/' && diff -rq '" + a + "' '" + in + "' && rm '" + a + "'/*.dat");
                 }));
  }
  return best;
}

// The FUSE requests each small file costs copied onto exFAT through
// exfat-fuse, counted in its debug log: ours (the command line's rerun
// check, a checked copy read back, each named once on disk) and cp's.
std::pair<double, double> FuseRequests(const std::string& root, const std::string& small,
                                       const std::vector<std::string>& names, bench::NullUi& ui) {
  const std::string image = root + "/counted.img", at = root + "/counted",
                    log = root + "/counted.log";
  bench::Fresh(at);
  bench::Shell("truncate -s 256M '" + image + "' && mkfs.exfat '" + image +
               "' >/dev/null && (mount.exfat-fuse -d $(losetup -f --show '" + image + "') '" + at +
               "' >'" + log + "' 2>&1 &) && for i in $(seq 100); do mountpoint -q '" + at +
               "' && break; sleep 0.1; done && mkdir '" + at + "/ours' '" + at + "/cp'");
  const auto requests = [&] {
    std::ifstream in(log);
    long n = 0;
    for (std::string line; std::getline(in, line);) n += line.find("opcode:") != std::string::npos;
    return n;
  };
  const long before = requests();
  {
    FailureTrap trap(ui, "bench");
    TransferRows rows{names.size(), [&](std::size_t i) { return small + "/" + names[i]; },
                      [](std::size_t) { return true; }};
    TransferOptions options;
    options.skip_gathered = true;
    TransferChecked(
        rows, [&] { return at + "/ours"; }, [] { return TransferKind::kCopy; }, trap, options);
  }
  const long ours = requests();
  bench::Shell("cp --preserve=timestamps '" + small + "'/*.dat '" + at + "/cp/'");
  const long cp = requests();
  bench::Shell("umount '" + at + "' && losetup -d $(losetup -j '" + image +
               "' | cut -d: -f1) && rm -f '" + image + "' '" + log + "'");
  const double files = static_cast<double>(names.size());
  return {(ours - before) / files, (cp - ours) / files};
}

}  // namespace

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

  double cp_big = 1e30, ours_big = 1e30;
  for (int run = 0; run < 3; ++run) {
    bench::Fresh(out);
    cp_big = std::min(cp_big, bench::Seconds([&] {
                        bench::Shell("cp --preserve=timestamps '" + big + "' '" + out + "/'");
                      }));
    bench::Fresh(out);
    ours_big = std::min(ours_big, bench::Seconds([&] {
                          TransferRun run(ui);
                          CopyFileChecked(big, out + "/big.bin", run);
                        }));
  }
  // Moves go back and forth between two folders of one file system.
  const std::string a = root + "/move-a", b = root + "/move-b";
  double mv = 1e30, ours_move = 1e30;
  for (int run = 0; run < 5; ++run) {
    bench::Fresh(a);
    bench::Fresh(b);
    bench::Shell("cp '" + small + "'/*.dat '" + a + "/'");
    mv = std::min(mv, bench::Seconds([&] { bench::Shell("mv '" + a + "'/*.dat '" + b + "/'"); }));
    ours_move = std::min(ours_move,
                         bench::Seconds([&] { Transfer(b, a, names, TransferKind::kMove, ui); }));
  }
  // Small files, new and replacing, on a freshly made ext4 (mkfs's defaults,
  // so with a journal) and on the build disk itself. On an ext4 without a
  // journal a new file's inode skips every inode freed in the last minutes, so
  // there a figure depends on what was deleted before it.
  const std::string image = root + "/ext4";
  bench::Fresh(image);
  bench::Shell("truncate -s 512M '" + root + "/ext4.img' && mkfs.ext4 -q -F '" + root +
               "/ext4.img' && mount -o loop '" + root + "/ext4.img' '" + image + "'");
  bench::Shell("cp -r '" + small + "' '" + image + "/small'");
  const auto [cp_small, ours_small] = CopyingNew(image + "/small", image + "/out", names, ui);
  const auto [cp_replace, ours_replace] = Replacing(image + "/small", image + "/out", names, ui);
  bench::Shell("umount '" + image + "' && rm -f '" + root + "/ext4.img'");
  const auto [cp_small_here, ours_small_here] = CopyingNew(small, out, names, ui);
  const auto [cp_here, ours_here] = Replacing(small, out, names, ui);
  // Moving to another disk file system: an XFS image on a loop device (root).
  const std::string disk = root + "/xfs";
  bench::Fresh(disk);
  bench::Shell("truncate -s 512M '" + root + "/xfs.img' && mkfs.xfs -q -f '" + root +
               "/xfs.img' && mount -o loop '" + root + "/xfs.img' '" + disk + "'");
  const auto [mv_disk, ours_disk] = MovingTo(disk + "/in", a, small, names, ui);
  bench::Shell("umount '" + disk + "' && rm -f '" + root + "/xfs.img'");
  // Moving onto a stick: exFAT through exfat-fuse, where each file and its
  // folder must be synced before a source goes.
  const std::string stick = root + "/exfat";
  bench::Fresh(stick);
  const std::string exfat = "'" + root + "/exfat.img'";
  bench::Shell("truncate -s 512M " + exfat + " && mkfs.exfat " + exfat +
               " >/dev/null && mount.exfat-fuse $(losetup -f --show " + exfat + ") '" + stick +
               "' 2>/dev/null");
  const auto [mv_fuse, ours_fuse] = MovingTo(stick + "/in", a, small, names, ui);
  const double cp_cmp_rm = CheckedByHand(stick + "/in", a, small);
  // Copies onto it are each on the stick before they have their names.
  const auto [cp_fuse, ours_copy_fuse] = CopyingNew(small, stick + "/copy", names, ui);
  bench::Shell("umount '" + stick + "' && losetup -d $(losetup -j " + exfat +
               " | cut -d: -f1) && rm -f " + exfat);
  const auto [fuse_requests, cp_fuse_requests] = FuseRequests(root, small, names, ui);
  std::filesystem::remove_all(out);
  std::printf("cp small seconds: %.4f\n", cp_small);
  std::printf("copy small seconds: %.4f\n", ours_small);
  std::printf("cp small seconds on the build disk: %.4f\n", cp_small_here);
  std::printf("copy small seconds on the build disk: %.4f\n", ours_small_here);
  std::printf("cp big seconds: %.4f\n", cp_big);
  std::printf("copy big seconds: %.4f\n", ours_big);
  std::printf("mv seconds: %.4f\n", mv);
  std::printf("move seconds: %.4f\n", ours_move);
  std::printf("cp over seconds: %.4f\n", cp_replace);
  std::printf("replace small seconds: %.4f\n", ours_replace);
  std::printf("cp over seconds on the build disk: %.4f\n", cp_here);
  std::printf("replace small seconds on the build disk: %.4f\n", ours_here);
  std::printf("mv to xfs seconds: %.4f\n", mv_disk);
  std::printf("move to xfs seconds: %.4f\n", ours_disk);
  std::printf("mv to exfat-fuse seconds: %.4f\n", mv_fuse);
  std::printf("move to exfat-fuse seconds: %.4f\n", ours_fuse);
  std::printf("cp, cmp and rm to exfat-fuse seconds: %.4f\n", cp_cmp_rm);
  std::printf("cp to exfat-fuse seconds: %.4f\n", cp_fuse);
  std::printf("copy to exfat-fuse seconds: %.4f\n", ours_copy_fuse);
  std::printf("fuse requests/copied file: %.2f\n", fuse_requests);
  std::printf("cp fuse requests/copied file: %.2f\n", cp_fuse_requests);
  std::printf("copy-small/cp ratio: %.3f\n", ours_small / cp_small);
  std::printf("copy-small/cp ratio on the build disk: %.3f\n", ours_small_here / cp_small_here);
  std::printf("copy-big/cp ratio: %.3f\n", ours_big / cp_big);
  std::printf("move/mv ratio: %.3f\n", ours_move / mv);
  std::printf("replace-small/cp ratio: %.3f\n", ours_replace / cp_replace);
  std::printf("replace-small/cp ratio on the build disk: %.3f\n", ours_here / cp_here);
  std::printf("move-xfs/mv ratio: %.3f\n", ours_disk / mv_disk);
  std::printf("move-fuse/mv ratio: %.3f\n", ours_fuse / mv_fuse);
  // Every move onto a stick is checked by its bytes: the same run, against
  // the same checks made by hand.
  std::printf("verified-move-fuse/cp-cmp-rm ratio: %.3f\n", ours_fuse / cp_cmp_rm);
  std::printf("copy-fuse/cp ratio: %.3f\n", ours_copy_fuse / cp_fuse);
  return 0;
}
