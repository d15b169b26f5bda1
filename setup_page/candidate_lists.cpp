#include "setup_page/candidate_lists.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "fs/platform.h"

void PathList::clear() {
  blocks_.clear();
  entries_.clear();
  entries_.shrink_to_fit();
  folder_of_.clear();
  folder_of_.shrink_to_fit();
  folder_chars_.clear();
  folder_chars_.shrink_to_fit();
  folder_ends_.clear();
  folder_ends_.shrink_to_fit();
  folder_slots_.clear();
  folder_slots_.shrink_to_fit();
  repeated_.clear();
  repeated_.shrink_to_fit();
  current_ = 0;
  used_ = kBlock;
}

std::string_view PathList::folder_text(std::uint32_t f) const {
  const std::size_t start = f == 0 ? 0 : folder_ends_[f - 1];
  return std::string_view(folder_chars_).substr(start, folder_ends_[f] - start);
}

std::size_t PathList::SlotOf(std::string_view folder) const {
  const std::size_t mask = folder_slots_.size() - 1;
  std::size_t s = std::hash<std::string_view>()(folder) & mask;
  while (folder_slots_[s] != 0 && folder_text(folder_slots_[s] - 1) != folder) s = (s + 1) & mask;
  return s;
}

std::uint32_t PathList::FolderIndex(std::string_view folder) {
  const std::size_t count = folder_ends_.size();
  // Files come folder by folder: the last folder is nearly always the one.
  if (count > 0 && folder_text(static_cast<std::uint32_t>(count - 1)) == folder)
    return static_cast<std::uint32_t>(count - 1);
  if (2 * (count + 1) > folder_slots_.size()) {
    // Kept at most half full, so a probe ends soon.
    std::size_t size = 64;
    while (size < 4 * (count + 1)) size *= 2;
    folder_slots_.assign(size, 0);
    for (std::size_t f = 0; f < count; ++f)
      folder_slots_[SlotOf(folder_text(static_cast<std::uint32_t>(f)))] =
          static_cast<std::uint32_t>(f + 1);
  }
  const std::size_t s = SlotOf(folder);
  if (folder_slots_[s] != 0) return folder_slots_[s] - 1;
  folder_chars_ += folder;
  folder_ends_.push_back(folder_chars_.size());
  repeated_.push_back(false);
  folder_slots_[s] = static_cast<std::uint32_t>(count + 1);
  return static_cast<std::uint32_t>(count);
}

void PathList::push_back(std::string_view path) {
  const std::size_t cut = path.rfind(os::kSeparator);
  const std::size_t name_at = cut == std::string_view::npos ? 0 : cut + 1;
  const std::uint32_t folder = FolderIndex(path.substr(0, name_at));
  repeated_[folder] = true;  // nothing says the names differ
  Append(folder, path.substr(name_at));
}

void PathList::StartReading(std::string_view folder) {
  const std::size_t count = folder_ends_.size();
  current_ = FolderIndex(folder);
  if (current_ < count) repeated_[current_] = true;
}

void PathList::Append(std::uint32_t folder, std::string_view name) {
  if (name.size() > 0xFFFF) throw std::length_error("name too long");
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
  const std::string_view folder = folder_text(folder_of_[i]);
  const std::string_view leaf = name(i);
  std::string path;
  path.reserve(folder.size() + leaf.size());
  path += folder;
  path += leaf;
  return path;
}
