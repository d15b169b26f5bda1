// larkspur-gather's listing against find and fd over the 1M-file tree, warm,
// how soon its first line comes, and the memory it takes per file found and
// per file copied.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "bench-data";
  const std::string dir = bench::Tree(root, 1000000);
  const std::string ours = std::string("'") + GATHER + "' --after 2021-01-01 '" + dir + "'";
  const std::string find = "find '" + dir + "' -type f -newermt 2021-01-02 -printf '%T@ %p\\n'";
  const std::string fd =
      "fdfind --unrestricted --type f --changed-after 2021-01-02 . '" + dir + "'";
  bench::Shell(find + " > /dev/null");  // warm the cache
  const double find_s = bench::Best(3, [&] { bench::Shell(find + " > /dev/null"); });
  const double fd_s = bench::Best(3, [&] { bench::Shell(fd + " > /dev/null"); });
  const double ours_s = bench::Best(3, [&] { bench::Shell(ours + " > /dev/null"); });
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
  std::printf("cli first line seconds: %.4f\n", first_line);
  std::printf("first-line/find ratio: %.4f\n", first_line / find_s);
  std::printf("cli bytes/file: %.1f\n", static_cast<double>(peak) / static_cast<double>(found));
  std::printf("cli empty-folder peak bytes: %ld\n", base);
  std::printf("cli bytes/file over that: %.1f\n",
              static_cast<double>(peak - base) / static_cast<double>(found));
  // A copy holds its list of files until it is done: the files found above,
  // many of one name, copied into an empty folder; in memory where there is
  // a tmpfs, since the figure is the program's memory, not the disk's speed.
  const std::string out =
      (std::filesystem::is_directory("/dev/shm") ? std::string("/dev/shm") : root) + "/cli-copy";
  bench::Shell("rm -rf '" + out + "' && mkdir '" + out + "'");
  const long copy_peak = PeakBytes(ours + " --quiet --copy-to '" + out + "'");
  const long copied = Count("ls '" + out + "' | wc -l");
  bench::Shell("rm -rf '" + out + "'");
  std::printf("files copied: %ld\n", copied);
  std::printf("cli copy bytes/file: %.1f\n",
              static_cast<double>(copy_peak) / static_cast<double>(copied));
  std::printf("cli copy bytes/file over the empty-folder peak: %.1f\n",
              static_cast<double>(copy_peak - base) / static_cast<double>(copied));
  return 0;
}
