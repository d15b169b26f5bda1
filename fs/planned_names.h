#pragma once
// What a planned transfer (a dry run) would have put where, laid over what
// the disk holds: the run's own naming rules then see the names it planned.
#include <optional>
#include <string>
#include <unordered_map>

#include "fs/platform.h"

class PlannedNames {
 public:
  // What is at path: as planned (a file, or nothing where a planned move
  // took it away), or else on disk.
  std::optional<os::FileFacts> Facts(const std::string& path);
  // A file from source planned at path: a copy (a new file) or a move (the
  // file itself, facts as they are).
  void Copy(const std::string& source, const os::FileFacts& facts, const std::string& path);
  void Move(const std::string& source, const os::FileFacts& facts, const std::string& path);
  // Nothing at path any more (a move of it planned).
  void Gone(const std::string& path) { at_[path] = std::nullopt; }
  // The file whose bytes path holds: its planned source, or path itself.
  const std::string& Content(const std::string& path) const;
  // A folder the run makes before its first file (its path with the final
  // separator): empty, in a parent folder that stands.
  void MakeFolder(const std::string& folder) { made_folder_ = folder; }
  bool Made(const std::string& folder) const {
    return !made_folder_.empty() && folder == made_folder_;
  }

 private:
  void Place(const std::string& source, const os::FileFacts& facts, const std::string& path);
  std::unordered_map<std::string, std::optional<os::FileFacts>> at_;
  std::unordered_map<std::string, std::string> by_folded_;  // the paths by folded spelling
  std::unordered_map<std::string, std::string> from_;       // each planned file's source
  std::unordered_map<std::string, bool> ignores_case_;      // by folder
  std::uint64_t copies_ = 0;                                // each planned copy's identity
  std::string made_folder_;
};
