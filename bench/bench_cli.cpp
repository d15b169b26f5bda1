// larkspur-gather's listing against find and fd over the 1M-file tree, warm,
// with name filters too, how soon its first line comes, the memory it takes
// per file found and per file copied, and a nightly rerun that finds every
// file gathered already, against rsync --checksum.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "bench/bench_util.h"

namespace {

// The peak resident memory, in bytes, of command run in a process of its own.
long PeakBytes(const std::string& command) {
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss * 1024;
}

// Seconds from starting command until its first byte of output; the rest is
// read and dropped.
double FirstByteSeconds(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* pipe = popen(command.c_str(), "r");
  std::fgetc(pipe);
  const auto first = std::chrono::steady_clock::now();
  char drop[65536];
  while (std::fread(drop, 1, sizeof drop, pipe) > 0) {
  }
  pclose(pipe);
  return std::chrono::duration<double>(first - start).count();
}

// The number command prints.
long Count(const std::string& command) {
  long n = 0;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (std::fscanf(pipe, "%ld", &n) != 1) n = 0;
  pclose(pipe);
  return n;
}

// 100,000 files of 4 KiB, each named and filled differently, in 100
// folders, dated 2022. Made once under root and reused.
std::string Distinct(const std::string& root) {
  const std::string dir = root + "/distinct-100000";
  if (std::filesystem::exists(dir + ".complete")) return dir;
  std::filesystem::remove_all(dir);
  const struct timeval date[2] = {{1650000000, 0}, {1650000000, 0}};
  for (int i = 0; i < 100000; ++i) {
    const std::string folder = dir + "/" + std::to_string(i / 1000);
    if (i % 1000 == 0) std::filesystem::create_directories(folder);
    const std::string file = folder + "/" + bench::SmallFileName(i);
    std::string content(4096, 'x');
    content.replace(0, std::to_string(i).size(), std::to_string(i));
    std::ofstream(file) << content;
    utimes(file.c_str(), date);
  }
  std::ofstream(dir + ".complete");
  return dir;
}

// A rerun of a copy whose every file is there already, with its bytes
// compared, against rsync -a --checksum of the same tree, which reads both
// sides' content where sizes match: seconds of each, warm, best of three.
std::pair<double, double> Rerun(const std::string& root) {
  const std::string tree = Distinct(root), ours = root + "/rerun-ours",
                    theirs = root + "/rerun-rsync";
  bench::Fresh(ours);
  bench::Fresh(theirs);
  const std::string gather = std::string("'") + GATHER + "' -q --after 2021-01-01 --copy-to '" +
                             ours + "' '" + tree + "'";
  const std::string rsync = "rsync -a --checksum '" + tree + "/' '" + theirs + "/'";
  bench::Shell(gather);
  bench::Shell(rsync);
  const double ours_s = bench::Best(3, [&] { bench::Shell(gather); });
  const double rsync_s = bench::Best(3, [&] { bench::Shell(rsync); });
  if (Count("ls '" + ours + "' | wc -l") != 100000) {
    std::fprintf(stderr, "the rerun gathered files again\n");
    std::exit(1);
  }
  return {ours_s, rsync_s};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "bench-data";
  const std::string dir = bench::Tree(root, 1000000);
  const std::string ours = std::string("'") + GATHER + "' --after 2021-01-01 '" + dir + "'";
  const std::string find_files = "find '" + dir + "' -type f -newermt 2021-01-02";
  const std::string print = " -printf '%T@ %p\\n'";
  const std::string find = find_files + print;
  const std::string fd =
      "fdfind --unrestricted --type f --changed-after 2021-01-02 . '" + dir + "'";
  bench::Shell(find + " > /dev/null");  // warm the cache
  const double find_s = bench::Best(3, [&] { bench::Shell(find + " > /dev/null"); });
  const double fd_s = bench::Best(3, [&] { bench::Shell(fd + " > /dev/null"); });
  const double ours_s = bench::Best(3, [&] { bench::Shell(ours + " > /dev/null"); });
  // Names filtered as the walk reads them, find filtering the same way.
  const std::string filters = " --name '*.txt' --exclude '*7*'";
  const double find_filtered_s = bench::Best(
      3, [&] { bench::Shell(find_files + " -name '*.txt' ! -name '*7*'" + print + " > /dev/null"); });
  const double ours_filtered_s = bench::Best(3, [&] { bench::Shell(ours + filters + " > /dev/null"); });
  double first_line = 1e9;
  for (int i = 0; i < 3; ++i) first_line = std::min(first_line, FirstByteSeconds(ours));
  const long found = Count(ours + " | wc -l");
  const long peak = PeakBytes(ours + " > /dev/null");
  // What the program takes before any file: its code and libraries.
  bench::Shell("mkdir -p '" + root + "/empty'");
  const long base = PeakBytes(std::string("'") + GATHER + "' --after 2021-01-01 '" + root +
                              "/empty' > /dev/null");
  std::printf("files found: %ld\n", found);
  std::printf("find seconds: %.4f\n", find_s);
  std::printf("fd seconds: %.4f\n", fd_s);
  std::printf("cli seconds: %.4f\n", ours_s);
  std::printf("cli peak bytes: %ld\n", peak);
  std::printf("cli-list/find ratio: %.3f\n", ours_s / find_s);
  std::printf("cli-list/fd ratio: %.3f\n", ours_s / fd_s);
  std::printf("find filtered seconds: %.4f\n", find_filtered_s);
  std::printf("cli filtered seconds: %.4f\n", ours_filtered_s);
  std::printf("cli-list-filtered/find-filtered ratio: %.3f\n", ours_filtered_s / find_filtered_s);
  std::printf("cli first line seconds: %.4f\n", first_line);
  std::printf("first-line/find ratio: %.4f\n", first_line / find_s);
  std::printf("cli bytes/file: %.1f\n", static_cast<double>(peak) / static_cast<double>(found));
  std::printf("cli empty-folder peak bytes: %ld\n", base);
  std::printf("cli bytes/file over that: %.1f\n",
              static_cast<double>(peak - base) / static_cast<double>(found));
  // A copy holds its list of files until it is done: the files found above,
  // many of one name and content, all copied into an empty folder; in memory where there is
  // a tmpfs, since the figure is the program's memory, not the disk's speed.
  const std::string out =
      (std::filesystem::is_directory("/dev/shm") ? std::string("/dev/shm") : root) + "/cli-copy";
  bench::Shell("rm -rf '" + out + "' && mkdir '" + out + "'");
  const long copy_peak = PeakBytes(ours + " --quiet --duplicates --copy-to '" + out + "'");
  const long copied = Count("ls '" + out + "' | wc -l");
  bench::Shell("rm -rf '" + out + "'");
  std::printf("files copied: %ld\n", copied);
  std::printf("cli copy bytes/file: %.1f\n",
              static_cast<double>(copy_peak) / static_cast<double>(copied));
  std::printf("cli copy bytes/file over the empty-folder peak: %.1f\n",
              static_cast<double>(copy_peak - base) / static_cast<double>(copied));
  const auto [rerun_s, rsync_s] = Rerun(root);
  std::printf("rerun seconds: %.4f\n", rerun_s);
  std::printf("rsync --checksum seconds: %.4f\n", rsync_s);
  std::printf("rerun/rsync-checksum ratio: %.3f\n", rerun_s / rsync_s);
  return 0;
}
