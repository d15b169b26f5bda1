#include "tests/test_tree.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TestTree::TestTree() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lark-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  chmod(pattern.c_str(), 0777);
  root_ = pattern + "/";
}

TestTree::~TestTree() {
  // Make every folder writable again so that removal cannot fail.
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           root_, std::filesystem::directory_options::skip_permission_denied, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0777);
  }
  std::filesystem::remove_all(root_, ec);
}

void TestTree::Folder(const std::string& relative) const {
  std::filesystem::create_directories(Path(relative));
  chmod(Path(relative).c_str(), 0777);
}

void TestTree::File(const std::string& relative, const std::string& content,
                    std::time_t mtime) const {
  std::string path = Path(relative);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
  if (mtime != 0) {
    struct utimbuf times {
      mtime, mtime
    };
    utime(path.c_str(), &times);
  }
}

std::string TestTree::Read(const std::string& relative) const {
  std::ifstream in(Path(relative), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

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
