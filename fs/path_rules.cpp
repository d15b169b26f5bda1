#include "fs/path_rules.h"

#include <algorithm>

namespace {

// Replaces every non-overlapping doubled separator, scanning from the left.
std::string CollapsePairs(const std::string& text, char sep) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == sep && i + 1 < text.size() && text[i + 1] == sep) ++i;
  }
  return out;
}

}  // namespace

std::string NativeSpelling(std::string path) {
  std::replace(path.begin(), path.end(), '/', os::kSeparator);
  return NormalizeSlashes(path);
}

std::string NormalizeSlashes(const std::string& path, char separator) {
  if (separator == '/') {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
      if (c == '/' && !out.empty() && out.back() == '/') continue;
      out += c;
    }
    return out;
  }
  if (path.empty() || path[0] != separator) return CollapsePairs(path, separator);
  std::size_t k = path.find_first_not_of(separator);
  if (k == std::string::npos) return std::string(2, separator);
  return std::string(2, separator) + CollapsePairs(path.substr(k), separator);
}

std::string FileNameOf(const std::string& path, char separator) {
  std::size_t last = path.rfind(separator);
  return last == std::string::npos ? path : path.substr(last + 1);
}

std::string FolderOf(const std::string& path, char separator) {
  std::size_t last = path.rfind(separator);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string NumberedName(const std::string& path, int n, char separator) {
  const std::size_t name = path.rfind(separator) + 1;  // 0 without a separator
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name) dot = path.size();
  return path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
}
