#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/ui_services.h"
#include "fs/platform.h"

// Reads folder trees breadth-first by depth on worker threads, a bounded
// window ahead of the reader, each folder once for both its sub-folders and
// its files. The file system's calls dominate a large walk: two of them in
// flight halve it on two cores, and one reading of a folder saves a second
// pass over it. While reads wait on the disk (a cold cache: most reads give
// way, and far more time passes than the thread spends working; a busy
// processor only queues them), more workers join, up to eight:
// threads that wait cost no processor, and a disk's queue needs reads in
// flight to work well (on a spinning disk too: its scheduler orders the
// reads queued by where they lie, so more of them mean shorter seeks). Once
// reads come from the cache again the extra ones rest, back to two, since
// more would only switch among themselves.
// Which folders a tree reads at all: with most_levels, those whose files lie
// that many levels of folders deep or less (1: the listed folders' own files
// only); none whose name skip_folder takes.
struct FolderPruning {
  int most_levels = 0;  // 0: any depth
  std::function<bool(std::string_view name)> skip_folder = nullptr;
};

class FolderTree {
 public:
  struct File {
    std::string_view name;
    os::FileStamps stamps;
  };
  struct Folder {
    std::string path;      // as listed, or its parent's path, its name and the separator
    int depth = 0;         // 0 for a listed folder, 1 for its sub-folders...
    bool listed = false;   // one of the folders the tree was made with
    bool expand = false;   // its sub-folders are wanted
    bool dropped = false;  // gone, or not listable for lack of permission
    int error = 0;         // why it could not be read, or not wholly
    bool ready = false;
    std::vector<std::string> subfolders;  // their names, until they are queued
    std::string names;                    // the files' names end to end
    std::vector<std::uint32_t> ends;
    std::vector<os::FileStamps> stamps;
    std::size_t size() const { return ends.size(); }
    File operator[](std::size_t i) const;
  };

  // The listed folders come first, as given; then their sub-folders level by
  // level (with recurse false, the first level only). A listed entry that is
  // no folder, is too long or is a virtual mount stays but is not expanded.
  // With files false no file is read. workers fixes the number of workers
  // (tests); 0 lets it follow the disk.
  // every_name: names that are no text (control characters, bytes that are
  // not UTF-8) are read too, where the window passes them over.
  FolderTree(std::vector<std::string> listed, bool recurse, bool files, int workers = 0,
             bool every_name = false, FolderPruning pruning = {});
  static constexpr int kMostWorkers = 8;
  ~FolderTree();
  FolderTree(const FolderTree&) = delete;
  FolderTree& operator=(const FolderTree&) = delete;

  // Calls fn for every folder in order, letting the window have its events
  // once per folder and while a folder is still being read.
  void Read(UiServices& ui, const std::function<void(const Folder&)>& fn);

 private:
  static constexpr std::size_t kWindow = 512;
  void Work(int index);
  void Serve(int index);
  // Doubles the workers while reads wait on the disk (to the most), rests
  // one at a time once they do not (to two).
  void Adapt(double waited, double took);
  void Fill(Folder& folder) const;
  // Queues the sub-folders of every read folder whose earlier ones are read.
  void Sequence();
  std::size_t known() const { return next_ + pending_count_; }

  const bool recurse_;
  const bool files_;
  bool every_name_ = false;
  const FolderPruning pruning_;
  // Whether a folder at depth has its sub-folders read.
  bool Expands(int depth) const {
    return pruning_.most_levels == 0 || depth + 1 < pruning_.most_levels;
  }
  // The folders no worker has taken yet, by the folder they lie in: its path
  // with its final separator (none for the listed ones, whose names are their
  // paths) and their names end to end, each ended by a zero byte, so that a
  // wide tree's queue of known folders costs little more than their names.
  struct Pending {
    std::string parent;
    std::string names;
    std::size_t at = 0;  // where the next one's name starts
    bool listed = false, expand = false;
    int depth = 0;
  };
  std::deque<Pending> pending_;
  std::size_t pending_count_ = 0;  // folders in pending_ not yet taken
  // Queues names, the sub-folders of parent (or, listed, whole paths).
  void Queue(std::string parent, const std::vector<std::string>& names, bool listed, bool expand,
             int depth);
  // Takes the pending folder at the front into folder: its path and flags.
  void TakeFront(Folder& folder);
  std::deque<Folder> slots_;   // slot k holds folder base_ + k, taken by a worker
  std::size_t base_ = 0;       // the first folder not yet taken by the reader
  std::size_t next_ = 0;       // the first folder no worker has taken
  std::size_t sequenced_ = 0;  // folders whose sub-folders are queued
  bool reader_waits_ = false;
  int idle_ = 0;  // workers waiting for a folder to read
  bool stop_ = false;
  std::exception_ptr failed_;  // a worker's failure, or none could start
  std::mutex mutex_;
  std::condition_variable ready_, room_, rest_;
  std::vector<std::thread> workers_;
  int wanted_ = 2;           // workers with a lower index read; the others rest
  int most_ = kMostWorkers;  // the most wanted_ may become
  // The reads since the workers were last judged: seconds waited and taken,
  // and how many of them waited.
  double window_waited_ = 0, window_took_ = 0;
  int window_reads_ = 0, window_waits_ = 0;
};
