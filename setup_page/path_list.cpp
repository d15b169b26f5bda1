#include "setup_page/path_list.h"

#include <cstring>
#include <stdexcept>

#include "fs/platform.h"

void PathList::clear() {
  ++generation_;
  blocks_.clear();
  entries_.clear();
  entries_.shrink_to_fit();
  folder_of_.clear();
  folder_of_.shrink_to_fit();
  folders_.clear();
  folder_index_.clear();
  used_ = kBlock;
}

std::uint32_t PathList::FolderIndex(std::string_view folder) {
  // Files come folder by folder: the last folder is nearly always the one.
  if (!folders_.empty() && folders_.back() == folder)
    return static_cast<std::uint32_t>(folders_.size() - 1);
  auto [it, added] =
      folder_index_.emplace(std::string(folder), static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.push_back(it->first);
  return it->second;
}

void PathList::push_back(std::string_view path) {
  const std::size_t cut = path.rfind(os::kSeparator);
  const std::size_t name_at = cut == std::string_view::npos ? 0 : cut + 1;
  const std::string_view name = path.substr(name_at);
  if (name.size() > 0xFFFF) throw std::length_error("name too long");
  const std::uint32_t folder = FolderIndex(path.substr(0, name_at));
  if (used_ + name.size() > kBlock) {
    blocks_.push_back(std::make_unique<char[]>(kBlock));
    used_ = 0;
  }
  const std::uint64_t offset = (blocks_.size() - 1) * kBlock + used_;
  std::memcpy(blocks_.back().get() + used_, name.data(), name.size());
  used_ += name.size();
  entries_.push_back(offset << 16 | name.size());
  folder_of_.push_back(folder);
}

std::string_view PathList::name(std::size_t i) const {
  const std::uint64_t e = entries_[i];
  const std::uint64_t offset = e >> 16;
  return {blocks_[offset / kBlock].get() + offset % kBlock, static_cast<std::size_t>(e & 0xFFFF)};
}

std::string PathList::operator[](std::size_t i) const {
  const std::string& folder = folders_[folder_of_[i]];
  const std::string_view leaf = name(i);
  std::string path;
  path.reserve(folder.size() + leaf.size());
  path += folder;
  path += leaf;
  return path;
}
