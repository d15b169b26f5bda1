#pragma once
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_times.h"

// Many file paths, each kept as its folder's index and its name: a folder's
// path is kept once, however many files it holds, so the memory a path takes
// does not grow with the depth of its folder. Full paths are built on demand.
class PathList {
 public:
  void clear();
  // Split at the last separator; a path without one has the empty folder.
  void push_back(std::string_view path);
  // The files of one reading of folder follow, pushed by name: names that
  // differ from each other, as one listing of a folder gives them.
  void StartReading(std::string_view folder);
  void PushName(std::string_view name) { Append(current_, name); }
  // All paths in folder f came from one reading, so no two are equal.
  bool read_once(std::uint32_t f) const { return !repeated_[f]; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string operator[](std::size_t i) const;
  // One path is one (folder, name) pair: equal folders share their index.
  std::uint32_t folder(std::size_t i) const { return folder_of_[i]; }
  std::string_view name(std::size_t i) const;
  std::string_view folder_text(std::uint32_t f) const;
  std::size_t folder_count() const { return folder_ends_.size(); }

 private:
  std::uint32_t FolderIndex(std::string_view folder);
  void Append(std::uint32_t folder, std::string_view name);
  // The slot holding folder's index, or the free slot where it belongs.
  std::size_t SlotOf(std::string_view folder) const;
  static constexpr std::size_t kBlock = 1u << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = kBlock;  // in the last block
  // Offset (block * kBlock + position) in the high 48 bits, length in the low 16.
  // Deques, not vectors: a list of millions grows by blocks, never by one
  // copy of the whole that would hold the window.
  std::deque<std::uint64_t> entries_;
  std::deque<std::uint32_t> folder_of_;
  // Folder texts end to end, and an open-addressing table of their indices
  // plus one (zero: free), so a folder costs its text and a few bytes more.
  std::string folder_chars_;
  std::vector<std::size_t> folder_ends_;
  std::vector<std::uint32_t> folder_slots_;
  std::vector<bool> repeated_;  // a folder's paths may hold one twice
  std::uint32_t current_ = 0;   // the folder being read
};

// Each candidate's chosen date (NaN when it has none), index for index with
// its path.
class DateList {
 public:
  void clear() {
    dates_.clear();
    dates_.shrink_to_fit();
  }
  void push_back(std::optional<DateValue> date) { dates_.push_back(date ? *date : NAN); }
  std::size_t size() const { return dates_.size(); }
  std::optional<DateValue> operator[](std::size_t i) const {
    return std::isnan(dates_[i]) ? std::nullopt : std::optional<DateValue>(dates_[i]);
  }

 private:
  std::deque<double> dates_;
};

// The candidates of one search: every file of the listed trees and its
// date. Made by one "Next >" run, then shared, never changed, by the list
// and every pass that reads it.
struct CandidateLists {
  PathList paths;
  DateList dates;
};
