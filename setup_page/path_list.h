#pragma once
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Many path texts in large shared blocks: about 8 bytes a path beyond its
// text, and no reallocation of the text as the list grows.
class PathList {
 public:
  void clear();
  void push_back(std::string_view path);
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string_view operator[](std::size_t i) const;
  // Counts the times the list was emptied: indices into it are good only
  // while it stays the same.
  std::uint64_t generation() const { return generation_; }

 private:
  static constexpr std::size_t kBlock = 1u << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = kBlock;  // in the last block
  std::uint64_t generation_ = 0;
  // Offset (block * kBlock + position) in the high 48 bits, length in the low 16.
  std::vector<std::uint64_t> entries_;
};
