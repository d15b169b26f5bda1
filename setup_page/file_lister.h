#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fs/platform.h"

// Lists the files of many folders on two worker threads, a bounded window
// ahead of the reader, and hands the folders out in their order. The file
// system's stat calls dominate a large walk; two of them in flight halve it.
class FileLister {
 public:
  struct Entry {
    std::string_view name;
    os::FileStamps stamps;
  };
  struct Folder {
    std::string names;
    std::vector<std::uint32_t> ends;
    std::vector<os::FileStamps> stamps;
    bool ready = false;
    std::size_t size() const { return ends.size(); }
    Entry operator[](std::size_t i) const;
  };

  explicit FileLister(std::vector<std::string> folders);
  ~FileLister();
  FileLister(const FileLister&) = delete;
  FileLister& operator=(const FileLister&) = delete;

  // Folder i once it is listed, or null when it is not ready yet after a
  // short wait (the caller then lets the window have its events).
  const Folder* TryTake(std::size_t i);
  // Frees folder i; the workers may go on further ahead.
  void Release(std::size_t i);
  // The path of folder i, as given.
  const std::string& folder(std::size_t i) const { return folders_[i]; }

 private:
  static constexpr std::size_t kWindow = 512;
  void Work();

  std::vector<std::string> folders_;
  std::deque<Folder> slots_;  // slot k holds folder base_ + k
  std::size_t base_ = 0;
  std::size_t next_ = 0;
  bool stop_ = false;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::vector<std::thread> workers_;
};
