#include "setup_page/file_lister.h"

#include <chrono>

#include "fs/folder_walk.h"

FileLister::Entry FileLister::Folder::operator[](std::size_t i) const {
  const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
  return {std::string_view(names).substr(start, ends[i] - start), stamps[i]};
}

FileLister::FileLister(std::vector<std::string> folders) : folders_(std::move(folders)) {
  const std::size_t count = std::min<std::size_t>(2, folders_.size());
  for (std::size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
}

FileLister::~FileLister() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  room_.notify_all();
  for (auto& w : workers_) w.join();
}

void FileLister::Work() {
  for (;;) {
    std::size_t j = 0;
    {
      std::unique_lock lock(mutex_);
      room_.wait(lock,
                 [&] { return stop_ || next_ >= folders_.size() || next_ < base_ + kWindow; });
      if (stop_ || next_ >= folders_.size()) return;
      j = next_++;
      while (slots_.size() <= j - base_) slots_.emplace_back();
    }
    Folder listed;
    ForEachFileInFolder(folders_[j], "*.*", [&](std::string_view name, const os::FileStamps& s) {
      listed.names += name;
      listed.ends.push_back(static_cast<std::uint32_t>(listed.names.size()));
      listed.stamps.push_back(s);
    });
    listed.ready = true;
    {
      std::lock_guard lock(mutex_);
      slots_[j - base_] = std::move(listed);
    }
    ready_.notify_all();
  }
}

const FileLister::Folder* FileLister::TryTake(std::size_t i) {
  std::unique_lock lock(mutex_);
  auto is_ready = [&] { return i - base_ < slots_.size() && slots_[i - base_].ready; };
  if (!ready_.wait_for(lock, std::chrono::milliseconds(1), is_ready)) return nullptr;
  return &slots_[i - base_];
}

void FileLister::Release(std::size_t i) {
  {
    std::lock_guard lock(mutex_);
    if (i != base_ || slots_.empty()) return;
    slots_.pop_front();
    ++base_;
  }
  room_.notify_all();
}
