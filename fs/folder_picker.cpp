#include "fs/folder_picker.h"

#include "fs/path_rules.h"

std::string BrowseForFolder(UiServices& ui, const std::string& title, const std::string& initial) {
  std::string path = NormalizeSlashes(ui.PickFolder(title, initial));
  while (path.size() > 1 && path.back() == os::kSeparator) path.pop_back();
  return path;
}
