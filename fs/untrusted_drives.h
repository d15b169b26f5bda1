#pragma once
// Which drives a transfer does not trust, each asked once: FUSE, network and
// unknown file systems, whose own flush may not reach the disk, and any
// drive that can be unplugged, whatever its file system. There a new file is
// on disk before it has its name, and copies to or from it are checked by
// their bytes.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

class UntrustedDrives {
 public:
  // Whether folder lies on such a drive.
  bool Folder(const std::string& folder);
  // Whether a source in folder lies on one; the folder is looked at once
  // for the files that follow in it, and each volume asked once.
  bool SourceFolder(const std::string& folder);

 private:
  std::unordered_map<std::string, bool> folders_;
  std::unordered_map<std::uint64_t, bool> volumes_;
  std::pair<std::string, bool> last_source_folder_;
};
