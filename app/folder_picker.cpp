#include "app/folder_picker.h"

#include "fs/path_rules.h"

namespace {

// "/" on Linux; "C:\" on Windows.
bool IsRoot(const std::string& path) {
  return path.size() == 1 || (path.size() == 3 && path[1] == ':');
}

}  // namespace

std::string BrowseForFolder(UiServices& ui, const std::string& title, const std::string& initial) {
  std::string path = NativeSpelling(ui.PickFolder(title, initial));
  while (!path.empty() && !IsRoot(path) && path.back() == os::kSeparator) path.pop_back();
  return path;
}
