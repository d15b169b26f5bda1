#pragma once
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_services.h"

// A temporary folder made by the test itself, removed at the end; on every
// platform.
class TestTree {
 public:
  TestTree();
  ~TestTree();
  TestTree(const TestTree&) = delete;
  TestTree& operator=(const TestTree&) = delete;

  // Root path with a final separator.
  const std::string& root() const { return root_; }
  // The path of relative (written with "/") in the system's own spelling.
  std::string Path(const std::string& relative) const;
  void Folder(const std::string& relative) const;
  void File(const std::string& relative, const std::string& content = "x",
            std::time_t mtime = 0) const;
  std::string Read(const std::string& relative) const;

 private:
  std::string root_;
};

#ifdef _WIN32
// Wine shows most of Windows, not all: a case it cannot show says so and skips.
bool UnderWine();
#else
// Runs fn in a child process without root's privileges (or directly when
// not root) and returns fn's result; -1 when the child died.
int RunUnprivileged(const std::function<int()>& fn);
#endif

// v in ascending order, for comparing lists whose order the system chooses.
std::vector<std::string> Sorted(std::vector<std::string> v);

// The folders a walk of listed reads, in its order, those it dropped left
// out; the files read in the first folder go to files when it is given.
std::vector<std::string> WalkedFolders(const std::vector<std::string>& listed, bool recurse,
                                       UiServices& ui, std::vector<std::string>* files = nullptr);
