#pragma once
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/ui_services.h"

namespace bench {

inline double Seconds(const std::function<void()>& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of n runs: the figure least disturbed by the rest of the machine.
inline double Best(int n, const std::function<void()>& fn) {
  double best = 1e30;
  for (int i = 0; i < n; ++i) best = std::min(best, Seconds(fn));
  return best;
}

inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// Resident memory of this process, in bytes.
inline long Rss() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// A tree of `files` regular files, about 30 a folder over several levels
// (each level repeated `depth` times), some hidden, some with non-ASCII
// names; half dated 2020, half 2022. Cached: made once under root and reused.
inline std::string Tree(const std::string& root, long files, int depth = 1) {
  const std::string dir = root + "/tree-" + std::to_string(files) +
                          (depth > 1 ? "-deep" + std::to_string(depth) : std::string());
  if (std::filesystem::exists(dir + ".complete")) return dir;
  std::filesystem::remove_all(dir);
  std::fprintf(stderr, "making a tree of %ld files in %s ...\n", files, dir.c_str());
  const long folders = (files + 29) / 30;
  const struct timeval old_time[2] = {{1590000000, 0}, {1590000000, 0}};
  const struct timeval new_time[2] = {{1650000000, 0}, {1650000000, 0}};
  long made = 0;
  for (long f = 0; f < folders; ++f) {
    // Folder f lies under folder f / 8: a tree of fan-out 8, several levels deep.
    std::string path;
    for (long k = f + 1; k > 0; k /= 8)
      for (int r = 0; r < depth; ++r)
        path = "/d" + std::to_string(k % 8) + (k % 5 == 0 ? "é" : "") + path;
    path = dir + path + "-" + std::to_string(f);
    std::filesystem::create_directories(path);
    for (int i = 0; i < 30 && made < files; ++i, ++made) {
      std::string name = i == 0 ? ".hidden" : i % 7 == 0 ? "fïlé-" : "file-";
      name += std::to_string(i) + ".txt";
      const std::string file = path + "/" + name;
      std::ofstream(file).put('x');
      utimes(file.c_str(), made % 2 ? new_time : old_time);
    }
  }
  std::ofstream(dir + ".complete");
  return dir;
}

inline void Fresh(const std::string& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
}

inline std::string SmallFileName(int i) {
  std::string name = "f";  // appended, not "f" + ...: GCC 12 warns falsely on that form
  name += std::to_string(i);
  name += ".dat";
  return name;
}

// 2,000 files of 4 KiB, made once under root and reused.
inline std::string SmallFiles(const std::string& root) {
  const std::string dir = root + "/small-files";
  if (std::filesystem::exists(dir + ".complete")) return dir;
  Fresh(dir);
  const std::string block(4096, 'x');
  for (int i = 0; i < 2000; ++i) std::ofstream(dir + "/" + SmallFileName(i)) << block;
  std::ofstream(dir + ".complete");
  return dir;
}

// `cp --preserve=timestamps` of the small files into an emptied folder.
inline double CpSmallFiles(const std::string& small, const std::string& out) {
  Fresh(out);
  return Seconds([&] { Shell("cp --preserve=timestamps '" + small + "'/*.dat '" + out + "/'"); });
}

// No window: every box is answered at once (yes), a failure is printed, and
// a yield has no events to serve.
class NullUi : public UiServices {
 public:
  void Information(const std::string&) override {}
  bool Question(const std::string&) override { return true; }
  void FailureBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
  void OpenFolder(const std::string&) override {}
  bool Yield() override { return false; }
  void EndProgram() override {}
};

}  // namespace bench
