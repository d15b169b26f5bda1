#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Many file paths, each kept as its folder's index and its name: a folder's
// path is kept once, however many files it holds, so the memory a path takes
// does not grow with the depth of its folder. Full paths are built on demand.
class PathList {
 public:
  void clear();
  // Split at the last separator; a path without one has the empty folder.
  void push_back(std::string_view path);
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string operator[](std::size_t i) const;
  // One path is one (folder, name) pair: equal folders share their index.
  std::uint32_t folder(std::size_t i) const { return folder_of_[i]; }
  std::string_view name(std::size_t i) const;
  const std::string& folder_text(std::uint32_t f) const { return folders_[f]; }
  std::size_t folder_count() const { return folders_.size(); }
  // Counts the times the list was emptied: indices into it are good only
  // while it stays the same.
  std::uint64_t generation() const { return generation_; }

 private:
  std::uint32_t FolderIndex(std::string_view folder);
  static constexpr std::size_t kBlock = 1u << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = kBlock;  // in the last block
  // Offset (block * kBlock + position) in the high 48 bits, length in the low 16.
  std::vector<std::uint64_t> entries_;
  std::vector<std::uint32_t> folder_of_;
  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::uint32_t> folder_index_;
  std::uint64_t generation_ = 0;
};
