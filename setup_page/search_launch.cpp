#include "setup_page/search_launch.h"

#include <algorithm>
#include <utility>

#include "fs/folder_tree.h"
#include "fs/name_glob.h"
#include "fs/path_rules.h"
#include "fs/temp_names.h"

std::vector<std::size_t> MarkNestedFolders(const std::vector<std::string>& folders,
                                           bool within_any) {
  std::vector<std::size_t> marked;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    for (std::size_t j = within_any ? 0 : i + 1; j < folders.size(); ++j) {
      // Of equal ones the last stays, so an earlier one counts only when longer.
      if (j <= i && folders[i].size() <= folders[j].size()) continue;
      if (folders[i].starts_with(folders[j])) {
        marked.push_back(i);
        break;
      }
    }
  }
  return marked;
}

namespace {

// A filter's globs, each read once for a whole walk.
struct NameGlobs {
  std::vector<Glob> include, exclude, folders;
  explicit NameGlobs(const FileFilter& f) {
    for (const std::string& g : f.include) include.emplace_back(g, false);
    for (const std::string& g : f.include_folded) include.emplace_back(g, true);
    for (const std::string& g : f.exclude) exclude.emplace_back(g, false);
    for (const std::string& g : f.exclude_folders) folders.emplace_back(g, false);
  }
  static bool Any(const std::vector<Glob>& globs, std::string_view name) {
    return std::any_of(globs.begin(), globs.end(), [&](const Glob& g) { return g.Matches(name); });
  }
  // One of include, when any is given, and none of exclude.
  bool Take(std::string_view name) const {
    return (include.empty() || Any(include, name)) && !Any(exclude, name);
  }
};

}  // namespace

void WalkCandidates(const std::string& listed_folder, UiServices& ui,
                    const std::function<std::optional<DateKind>()>& kind,
                    const std::function<bool(const std::optional<DateValue>&)>& keep,
                    const FoundFile& found, const PassedOverHook& unread, bool every_name,
                    const FileFilter& filter) {
  ui.Yield();
  const bool all = filter.TakesAll();
  const NameGlobs globs(filter);
  FolderPruning pruning{filter.most_levels, nullptr};
  if (!globs.folders.empty())
    pruning.skip_folder = [&](std::string_view name) {
      return NameGlobs::Any(globs.folders, name);
    };
  FolderTree tree({listed_folder}, true, true, 0, every_name, std::move(pruning));
  tree.Read(ui, [&](const FolderTree::Folder& folder) {
    if (folder.error != 0 && unread) unread({folder.path, folder.error});
    std::string base = NormalizeSlashes(folder.path);
    if (base.empty() || base.back() != os::kSeparator) base += os::kSeparator;
    bool first = true;
    for (std::size_t i = 0; i < folder.size(); ++i) {
      const FolderTree::File file = folder[i];
      if (file.name.front() == '~') continue;
      // An interrupted transfer's partial copy is no file of the user's.
      if (os::IsTempName(file.name)) {
        if (unread) unread({base + std::string(file.name), 0, true});
        continue;
      }
      if (!all && (file.stamps.size < filter.min_size || file.stamps.size > filter.max_size ||
                   !globs.Take(file.name)))
        continue;
      ui.Yield();
      const std::optional<DateKind> chosen = kind();
      if (!chosen) continue;  // no date option: no candidate, so the lists stay parallel
      const std::optional<DateValue> date = DateOf(file.stamps, *chosen);
      if (keep && !keep(date)) continue;
      found(base, file.name, date, std::exchange(first, false));
    }
  });
  // The walk's folder list, a deep tree's largest part, is gone now: give its
  // memory back, or the program keeps it for as long as it runs.
  os::ReturnFreedMemory();
}

void CollectCandidates(const std::string& listed_folder, CandidateLists& out, UiServices& ui,
                       const std::function<std::optional<DateKind>()>& kind,
                       const std::function<bool(const std::optional<DateValue>&)>& keep,
                       const PassedOverHook& unread, bool every_name, const FileFilter& filter) {
  WalkCandidates(
      listed_folder, ui, kind, keep,
      [&](const std::string& folder, std::string_view name, const std::optional<DateValue>& date,
          bool first) {
        if (first) out.paths.StartReading(folder);
        out.paths.PushName(name);
        out.dates.push_back(date);
      },
      unread, every_name, filter);
}
