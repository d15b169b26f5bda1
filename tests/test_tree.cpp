#include "tests/test_tree.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "fs/folder_tree.h"
#include "fs/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 text, as the program's are.
fs::path Native(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

void OpenToAll(const fs::path& folder) {
#ifndef _WIN32
  // A test may drop root's privileges: everyone may enter and write.
  chmod(folder.c_str(), 0777);
#else
  (void)folder;
#endif
}

}  // namespace

TestTree::TestTree() {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("lark-" + std::to_string(random() % 1000000000));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      OpenToAll(candidate);
      const std::u8string text = candidate.u8string();
      root_ = std::string(text.begin(), text.end()) + os::kSeparator;
    }
  }
  if (root_.empty()) throw std::runtime_error("no temporary folder");
}

TestTree::~TestTree() {
  std::error_code ec;
#ifndef _WIN32
  // Make every folder writable again so that removal cannot fail.
  for (auto it = fs::recursive_directory_iterator(
           root_, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0777);
  }
#endif
  fs::remove_all(Native(root_), ec);
}

std::string TestTree::Path(const std::string& relative) const {
  std::string path = root_ + relative;
  for (char& c : path)
    if (c == '/') c = os::kSeparator;
  return path;
}

void TestTree::Folder(const std::string& relative) const {
  fs::create_directories(Native(Path(relative)));
  OpenToAll(Native(Path(relative)));
}

void TestTree::File(const std::string& relative, const std::string& content,
                    std::time_t mtime) const {
  const fs::path path = Native(Path(relative));
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  if (mtime != 0) {
    const auto when = std::chrono::system_clock::from_time_t(mtime);
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
#ifndef _WIN32
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};  // access time too
    utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
  }
}

std::string TestTree::Read(const std::string& relative) const {
  std::ifstream in(Native(Path(relative)), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

#ifdef _WIN32
bool UnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
#else
int RunUnprivileged(const std::function<int()>& fn) {
  if (geteuid() != 0) return fn();
  pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
    _exit(fn());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> WalkedFolders(const std::vector<std::string>& listed, bool recurse,
                                       UiServices& ui, std::vector<std::string>* files) {
  std::vector<std::string> walked;
  FolderTree(listed, recurse, files != nullptr).Read(ui, [&](const FolderTree::Folder& f) {
    if (f.dropped) return;
    for (std::size_t i = 0; files != nullptr && walked.empty() && i < f.size(); ++i)
      files->emplace_back(f[i].name);
    walked.push_back(f.path);
  });
  return walked;
}
