#include "setup_page/search_launch.h"

#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "setup_page/file_lister.h"

PathList CandidatePaths;
DateList CandidateDates;

std::vector<std::size_t> MarkNestedFolders(const std::vector<std::string>& folders) {
  std::vector<std::size_t> marked;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    for (std::size_t j = i + 1; j < folders.size(); ++j) {
      if (folders[i].starts_with(folders[j])) {
        marked.push_back(i);
        break;
      }
    }
  }
  return marked;
}

namespace {

// Appends the files of the walked folders to out.
void CollectFiles(std::vector<std::string> queue, CandidateLists out, UiServices& ui,
                  const std::function<std::optional<DateKind>()>& kind) {
  // Folder paths come normalized from the walk unless the listed one was not.
  std::vector<bool> clean(queue.size());
  for (std::size_t f = 0; f < queue.size(); ++f) {
    clean[f] = NormalizeSlashes(queue[f]) == queue[f];
    queue[f].pop_back();  // the lister takes folders without their final separator
  }
  const std::size_t count = queue.size();
  // The folder list is handed over, not copied: it is the walk's largest part.
  FileLister lister(std::move(queue));
  std::string path;
  for (std::size_t f = 0; f < count; ++f) {
    ui.Yield();
    const FileLister::Folder* files = nullptr;
    while ((files = lister.TryTake(f)) == nullptr) ui.Yield();
    for (std::size_t i = 0; i < files->size(); ++i) {
      const FileLister::Entry file = (*files)[i];
      if (file.name.front() == '~') continue;
      path.assign(lister.folder(f));
      path += os::kSeparator;
      path += file.name;
      ui.Yield();
      const std::optional<DateKind> chosen = kind();
      if (!chosen) continue;  // no date option: no candidate, so the lists stay parallel
      out.paths.push_back(clean[f] ? path : NormalizeSlashes(path));
      out.dates.push_back(DateOf(file.stamps, *chosen));
    }
    lister.Release(f);
  }
}

}  // namespace

void CollectCandidates(const std::string& listed_folder, CandidateLists out, UiServices& ui,
                       const std::function<std::optional<DateKind>()>& kind) {
  std::vector<std::string> queue = {listed_folder};
  ui.Yield();
  GetSubDirectories2016(queue, true, ui);
  CollectFiles(std::move(queue), out, ui, kind);
  // The walk's folder list, a deep tree's largest part, is gone now: give its
  // memory back, or the program keeps it for as long as it runs.
  os::ReturnFreedMemory();
}
