#include "fs/folder_picker.h"

#include <algorithm>

#include "fs/path_rules.h"

namespace {

// "/" on Linux; "C:\" on Windows.
bool IsRoot(const std::string& path) {
  return path.size() == 1 || (path.size() == 3 && path[1] == ':');
}

}  // namespace

std::string BrowseForFolder(UiServices& ui, const std::string& title, const std::string& initial) {
  std::string path = ui.PickFolder(title, initial);
  // The dialog answers with "/" (C:/Data): the program's paths use the system's separator.
  std::replace(path.begin(), path.end(), '/', os::kSeparator);
  path = NormalizeSlashes(path);
  while (!path.empty() && !IsRoot(path) && path.back() == os::kSeparator) path.pop_back();
  return path;
}
