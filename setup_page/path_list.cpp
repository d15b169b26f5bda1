#include "setup_page/path_list.h"

#include <cstring>
#include <stdexcept>

void PathList::clear() {
  ++generation_;
  blocks_.clear();
  entries_.clear();
  entries_.shrink_to_fit();
  used_ = kBlock;
}

void PathList::push_back(std::string_view path) {
  if (path.size() > 0xFFFF) throw std::length_error("path too long");
  if (used_ + path.size() > kBlock) {
    blocks_.push_back(std::make_unique<char[]>(kBlock));
    used_ = 0;
  }
  const std::uint64_t offset = (blocks_.size() - 1) * kBlock + used_;
  std::memcpy(blocks_.back().get() + used_, path.data(), path.size());
  used_ += path.size();
  entries_.push_back(offset << 16 | path.size());
}

std::string_view PathList::operator[](std::size_t i) const {
  const std::uint64_t e = entries_[i];
  const std::uint64_t offset = e >> 16;
  return {blocks_[offset / kBlock].get() + offset % kBlock, static_cast<std::size_t>(e & 0xFFFF)};
}
