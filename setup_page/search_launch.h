#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_services.h"
#include "fs/file_times.h"
#include "setup_page/candidate_lists.h"

// Indices (0-based) of listed folders that equal or lie below a folder
// listed after them, in increasing order. A prefix test: every path ends in
// the separator.
// With within_any, also those that lie below any other folder, listed before
// them too: a listing that is never sorted for duplicates needs each folder
// walked once whatever the order.
std::vector<std::size_t> MarkNestedFolders(const std::vector<std::string>& folders,
                                           bool within_any = false);

// What a walk passed over: a folder it could not read (or not wholly), and
// the system's error; or a partial copy an interrupted transfer left.
struct PassedOver {
  std::string path;
  int error = 0;
  bool partial_copy = false;
};
using PassedOverHook = std::function<void(const PassedOver&)>;

// Which files a walk takes. By name, by glob: one of include, or of
// include_folded whatever its case, when any is given; none of exclude. No
// file in a folder whose name matches one of exclude_folders, or lies more
// than most_levels folders deep (1: the listed folder's own files; 0: any).
// By size, from min_size to max_size bytes.
struct FileFilter {
  std::vector<std::string> include, include_folded, exclude, exclude_folders;
  int most_levels = 0;
  std::uint64_t min_size = 0, max_size = UINT64_MAX;
  bool TakesAll() const {
    return include.empty() && include_folded.empty() && exclude.empty() && min_size == 0 &&
           max_size == UINT64_MAX;
  }
};

using FoundFile = std::function<void(const std::string& folder, std::string_view name,
                                     const std::optional<DateValue>& date, bool first)>;

// Tells found of every file of the listed folder and all its sub-folders
// (breadth-first), as each folder is read; names beginning with "~" left
// out. kind is asked again for every file: the user may change it meanwhile.
// With keep, only the files whose date it keeps are told of. A folder that
// could not be read (or not wholly) is passed over; unread, when given, is
// told of it and why, and of each partial copy an interrupted transfer left,
// which is never found. With every_name, names that are no
// text are taken too.
void WalkCandidates(const std::string& listed_folder, UiServices& ui,
                    const std::function<std::optional<DateKind>()>& kind,
                    const std::function<bool(const std::optional<DateValue>&)>& keep,
                    const FoundFile& found, const PassedOverHook& unread = nullptr,
                    bool every_name = false, const FileFilter& filter = {});

// Appends every file WalkCandidates finds to out.
void CollectCandidates(const std::string& listed_folder, CandidateLists& out, UiServices& ui,
                       const std::function<std::optional<DateKind>()>& kind,
                       const std::function<bool(const std::optional<DateValue>&)>& keep = nullptr,
                       const PassedOverHook& unread = nullptr, bool every_name = false,
                       const FileFilter& filter = {});
