#include "fs/folder_tree.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "app/failure.h"
#include "fs/folder_walk.h"

FolderTree::File FolderTree::Folder::operator[](std::size_t i) const {
  const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
  return {std::string_view(names).substr(start, ends[i] - start), stamps[i]};
}

FolderTree::FolderTree(std::vector<std::string> listed, bool recurse, bool files, int workers,
                       bool every_name, FolderPruning pruning)
    : recurse_(recurse), files_(files), every_name_(every_name), pruning_(std::move(pruning)) {
  os::RefreshMounts();
  if (workers > 0) wanted_ = most_ = workers;
  // Expanded unless the worker, off the window's thread, finds otherwise.
  Queue({}, listed, true, Expands(0), 0);
  workers_.reserve(static_cast<std::size_t>(most_));
  // The first workers wait until all are started: each may start more.
  std::lock_guard lock(mutex_);
  try {
    for (int i = 0; i < wanted_; ++i) workers_.emplace_back([this, i] { Work(i); });
  } catch (const std::system_error& e) {
    // One worker is enough; none, and the reader reports it.
    wanted_ = static_cast<int>(workers_.size());
    if (workers_.empty())
      failed_ = std::make_exception_ptr(Failure(
          std::string("The folders cannot be read: no thread could be started (") + e.what() + ")",
          e.code().value()));
  }
}

FolderTree::~FolderTree() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  room_.notify_all();
  rest_.notify_all();
  for (auto& w : workers_) w.join();
}

void FolderTree::Fill(Folder& folder) const {
  // A listed entry that is no folder, too long or a virtual mount keeps its
  // place and is read for files only.
  if (folder.listed &&
      (os::PastPathLimit(folder.path) || !IsFolder(folder.path) || os::IsVirtualMount(folder.path)))
    folder.expand = false;
  if (!folder.expand && !files_) return;
  os::FileVisitor on_file;
  if (files_) {
    on_file = [&](std::string_view name, const os::FileStamps& s) {
      if (!every_name_ && HasUnlistableChars(name)) return;
      folder.names += name;
      folder.ends.push_back(static_cast<std::uint32_t>(folder.names.size()));
      folder.stamps.push_back(s);
    };
  }
  const int error = os::ListFolder(folder.path, folder.listed,
                                   folder.expand ? &folder.subfolders : nullptr, on_file);
  folder.error = error;
  // Sub-folders read before a failure stay; the folder itself goes.
  if (folder.expand && (error == EACCES || error == EPERM || error == ENOENT || error == ENOTDIR)) {
    folder.dropped = true;
    folder.names.clear();
    folder.ends.clear();
    folder.stamps.clear();
  }
  const std::string base = folder.path.empty() || folder.path.back() != os::kSeparator
                               ? folder.path + os::kSeparator
                               : folder.path;
  std::size_t kept = 0;
  for (std::string& name : folder.subfolders) {
    if (!every_name_ && HasUnlistableChars(name)) continue;
    // Neither a folder past the path limit nor anything below it is searched.
    if (!os::PastPathLimit(base + name + os::kSeparator)) folder.subfolders[kept++].swap(name);
  }
  folder.subfolders.resize(kept);
}

void FolderTree::Sequence() {
  while (sequenced_ < next_ && slots_[sequenced_ - base_].ready) {
    Folder& done = slots_[sequenced_ - base_];
    if (pruning_.skip_folder) std::erase_if(done.subfolders, pruning_.skip_folder);
    if (!done.subfolders.empty())
      Queue(done.path.back() == os::kSeparator ? done.path : done.path + os::kSeparator,
            done.subfolders, false, recurse_ && Expands(done.depth + 1), done.depth + 1);
    done.subfolders = {};
    ++sequenced_;
  }
}

void FolderTree::Queue(std::string parent, const std::vector<std::string>& names, bool listed,
                       bool expand, int depth) {
  if (names.empty()) return;
  Pending group{std::move(parent), {}, 0, listed, expand, depth};
  for (const std::string& name : names) group.names.append(name).push_back('\0');
  pending_count_ += names.size();
  pending_.push_back(std::move(group));
}

void FolderTree::TakeFront(Folder& folder) {
  Pending& group = pending_.front();
  const std::size_t end = group.names.find('\0', group.at);
  folder.listed = group.listed;
  folder.expand = group.expand;
  folder.depth = group.depth;
  folder.path = group.parent;
  folder.path.append(group.names, group.at, end - group.at);
  if (!group.listed) folder.path += os::kSeparator;
  group.at = end + 1;
  --pending_count_;
  if (group.at == group.names.size()) pending_.pop_front();
}

void FolderTree::Work(int index) {
  try {
    Serve(index);
  } catch (...) {
    // The reader takes it up and reports it through its pass's trap.
    {
      std::lock_guard lock(mutex_);
      if (!failed_) failed_ = std::current_exception();
      stop_ = true;
    }
    ready_.notify_all();
    room_.notify_all();
    rest_.notify_all();
  }
}

void FolderTree::Adapt(double waited, double took) {
  // Judged over a few reads together: single folders vary too much, and one
  // read held up by chance (memory being mapped for another thread) is no
  // busy disk.
  window_waited_ += waited;
  window_took_ += took;
  window_waits_ += waited > 0 ? 1 : 0;
  if (++window_reads_ < 16) return;
  const double share = window_waited_ / window_took_;
  const bool most_waited = window_waits_ * 2 > window_reads_;
  window_waited_ = window_took_ = 0;
  window_reads_ = window_waits_ = 0;
  if (share < 0.2 && wanted_ > 2) --wanted_;
  if (share < 0.5 || !most_waited || wanted_ >= most_ || stop_) return;
  wanted_ = std::min(most_, wanted_ * 2);
  try {
    while (static_cast<int>(workers_.size()) < wanted_) {
      const int index = static_cast<int>(workers_.size());
      workers_.emplace_back([this, index] { Work(index); });
    }
  } catch (const std::system_error&) {
    wanted_ = static_cast<int>(workers_.size());  // the ones there are go on
  }
  rest_.notify_all();
}

void FolderTree::Serve(int index) {
  for (;;) {
    Folder folder;
    std::size_t j = 0;
    {
      std::unique_lock lock(mutex_);
      const auto finished = [&] { return next_ == known() && sequenced_ == known(); };
      // Resting apart, so that waking the readers never wakes the resting.
      rest_.wait(lock, [&] { return stop_ || finished() || index < wanted_; });
      ++idle_;
      room_.wait(lock, [&] {
        return stop_ || finished() || index >= wanted_ ||
               (next_ < known() && next_ < base_ + kWindow);
      });
      --idle_;
      if (stop_) return;
      if (index >= wanted_) continue;  // told to rest meanwhile
      if (next_ == known()) return;    // finished
      j = next_++;
      TakeFront(folder);
      slots_.emplace_back();
    }
    const auto started = std::chrono::steady_clock::now();
    const os::ThreadUse before = os::ThisThreadUse();
    Fill(folder);
    const os::ThreadUse after = os::ThisThreadUse();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // A read that never gave way spent the rest of its time queued for a
    // processor (the other threads busy), which more workers would only lengthen.
    const double waited = after.waits == before.waits
                              ? 0.0
                              : std::max(0.0, took - (after.cpu_seconds - before.cpu_seconds));
    folder.ready = true;
    bool wake_reader = false, wake_worker = false;
    {
      std::lock_guard lock(mutex_);
      slots_[j - base_] = std::move(folder);
      Sequence();
      Adapt(waited, took);
      // Waking a thread costs more than a small folder takes to read: the
      // reader looks again within a millisecond anyway, and is woken only at
      // the end; the other worker only when there is a folder for it.
      const bool finished = next_ == known() && sequenced_ == known();
      wake_reader = reader_waits_ && finished;
      wake_worker = idle_ > 0 && (next_ < known() || finished);
      if (finished) rest_.notify_all();
    }
    if (wake_reader) ready_.notify_one();
    if (wake_worker) room_.notify_all();
  }
}

void FolderTree::Read(UiServices& ui, const std::function<void(const Folder&)>& fn) {
  for (std::size_t i = 0;; ++i) {
    ui.Yield();
    const Folder* folder = nullptr;
    for (;;) {
      std::unique_lock lock(mutex_);
      auto settled = [&] { return failed_ || sequenced_ > i || sequenced_ == known(); };
      reader_waits_ = true;
      const bool ready = ready_.wait_for(lock, std::chrono::milliseconds(1), settled);
      reader_waits_ = false;
      if (failed_) std::rethrow_exception(failed_);
      if (ready) {
        if (i == known()) return;
        folder = &slots_[i - base_];
        ui.Progress(static_cast<double>(i) / static_cast<double>(known()));
        break;
      }
      lock.unlock();
      ui.Yield();
    }
    fn(*folder);
    bool wake_worker = false;
    {
      std::lock_guard lock(mutex_);
      slots_.pop_front();
      ++base_;
      // Workers held back by the window go on once a good part of it is free.
      wake_worker = idle_ > 0 && next_ < known() && next_ + kWindow / 8 <= base_ + kWindow;
    }
    if (wake_worker) room_.notify_all();
  }
}
