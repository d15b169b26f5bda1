#include "setup_page/search_launch.h"

#include "fs/folder_walk.h"
#include "fs/path_rules.h"

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
  std::string path;
  for (const std::string& folder : queue) {
    ui.Yield();
    const std::string cut = folder.substr(0, folder.size() - 1);
    ForEachFileInFolder(cut, "*.*", [&](std::string_view name, const os::FileStamps& stamps) {
      if (name.front() == '~') return;
      path.assign(cut);
      path += os::kSeparator;
      path += name;
      ui.Yield();
      const std::optional<DateKind> chosen = kind();
      if (!chosen) return;  // no date option: no candidate, so the lists stay parallel
      CandidatePaths.push_back(NormalizeSlashes(path));
      CandidateDates.push_back(DateOf(stamps, *chosen));
    });
  }
}
