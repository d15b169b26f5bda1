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

void CollectCandidates(const std::string& listed_folder, UiServices& ui,
                       const std::function<std::optional<DateKind>()>& kind) {
  std::vector<std::string> queue = {listed_folder};
  ui.Yield();
  GetSubDirectories2016(queue, true, ui);
  std::vector<std::string> cut;
  cut.reserve(queue.size());
  for (const std::string& folder : queue) cut.push_back(folder.substr(0, folder.size() - 1));
  FileLister lister(cut);
  std::string path;
  for (std::size_t f = 0; f < cut.size(); ++f) {
    ui.Yield();
    const FileLister::Folder* files = nullptr;
    while ((files = lister.TryTake(f)) == nullptr) ui.Yield();
    // Folder paths come normalized from the walk unless the listed one was not.
    const bool clean = NormalizeSlashes(queue[f]) == queue[f];
    for (std::size_t i = 0; i < files->size(); ++i) {
      const FileLister::Entry file = (*files)[i];
      if (file.name.front() == '~') continue;
      path.assign(cut[f]);
      path += os::kSeparator;
      path += file.name;
      ui.Yield();
      const std::optional<DateKind> chosen = kind();
      if (!chosen) continue;  // no date option: no candidate, so the lists stay parallel
      CandidatePaths.push_back(clean ? path : NormalizeSlashes(path));
      CandidateDates.push_back(DateOf(file.stamps, *chosen));
    }
    lister.Release(f);
  }
}
