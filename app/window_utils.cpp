#include "app/window_utils.h"

#include "fs/platform.h"

std::string AppTitleFrom(const std::string& product_name) {
  std::string title = product_name;
  do {
    std::size_t blank = title.rfind(' ');
    if (blank == std::string::npos) break;
    title.erase(blank);
  } while (title.size() > 40);
  return title;
}

std::string SkinFilePath(const std::string& program_folder) {
  return program_folder + os::kSeparator + "x" + os::kSeparator + "o.cjs";
}

namespace {
std::string& Title() {
  static std::string title = kProductName;
  return title;
}
}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }

const std::string& ApplicationTitle() { return Title(); }
