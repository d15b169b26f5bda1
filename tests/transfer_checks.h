#pragma once
// What the transfer tests look at, and the file systems they mount for real.
#include <ctime>
#include <string>
#include <vector>

std::time_t MTime(const std::string& path);
// The entries of folder, hidden ones included, sorted.
std::vector<std::string> Names(const std::string& folder);

#ifndef _WIN32
// This process has path open: a copy from it is under way.
bool Reading(const std::string& path);

// A file system of the test's own, mounted on folder (made if missing) and
// unmounted at the end: "tmpfs" with mount options; "xfs", "exfat" or "fat"
// (no permission bits) on an image beside folder; or "lazyfs" over a folder
// beside it. Needs root; error() says why not.
class Mounted {
 public:
  Mounted(std::string folder, std::string kind, std::string options = {});
  ~Mounted();
  Mounted(const Mounted&) = delete;
  Mounted& operator=(const Mounted&) = delete;
  const std::string& error() const { return error_; }
  // Turns the file system read-only under the running program.
  bool MakeReadOnly();
  // A machine crash: the file system stops at once, without writing what it
  // still holds in memory, and is mounted again after its log is replayed.
  bool CrashAndRemount();
  // lazyfs: every byte not yet synced is lost, as in a power cut.
  bool PowerCut();
  // fat, exfat: the program serving it is killed, as a drive that went away.
  bool Disconnect();

 private:
  bool Sh(const std::string& command);
  std::string folder_, kind_, image_, device_, error_;
  bool mounted_ = false;
};
#endif  // _WIN32
