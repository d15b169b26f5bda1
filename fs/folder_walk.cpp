#include "fs/folder_walk.h"

#include "app/failure_trap.h"
#include "fs/folder_tree.h"

namespace {

// Code point of the UTF-8 sequence at s[i], advancing i; -1 when malformed.
long NextCodePoint(std::string_view s, std::size_t& i) {
  unsigned char c = s[i++];
  if (c < 0x80) return c;
  // F5 to FF never begin a sequence.
  int extra = c >= 0xF0 && c <= 0xF4  ? 3
              : c >= 0xE0 && c < 0xF0 ? 2
              : c >= 0xC2 && c < 0xE0 ? 1
                                      : -1;
  if (extra < 0 || i + extra > s.size()) return -1;
  long cp = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    unsigned char t = s[i++];
    if ((t & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (t & 0x3F);
  }
  static const long kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

bool MatchesAll(const std::string& pattern) { return pattern == "*.*" || pattern == "*"; }

}  // namespace

bool HasUnlistableChars(std::string_view name) {
  for (std::size_t i = 0; i < name.size();) {
    long cp = NextCodePoint(name, i);
    if (cp < 32 || (cp >= 127 && cp <= 159)) return true;
  }
  return false;
}

bool IsFolder(const std::string& path) { return os::IsFolder(path); }

bool IsExistingFile(const std::string& path) { return os::IsExistingFile(path); }

void GetSubDirectories2016(std::vector<std::string>& folders, bool recurse, UiServices& ui) {
  FailureTrap trap(ui, kWalkProcedure);
  std::vector<std::string> walked;
  const bool read = trap.Step(150, [&] {
    FolderTree tree(folders, recurse, false);
    tree.Read(ui, [&](const FolderTree::Folder& f) {
      if (!f.dropped) walked.push_back(f.path);
    });
  });
  if (read) trap.Step(152, [&] { folders = std::move(walked); });
}

void ForEachFileInFolder(const std::string& folder, const std::string& pattern,
                         const os::FileVisitor& fn) {
  const bool all = MatchesAll(pattern);
  const std::string path =
      folder.empty() || folder.back() != os::kSeparator ? folder + os::kSeparator : folder;
  os::ListFolder(path, true, nullptr, [&](std::string_view name, const os::FileStamps& stamps) {
    if (HasUnlistableChars(name)) return;
    if (!all && !os::MatchesPattern(name, pattern)) return;
    fn(name, stamps);
  });
}

std::vector<std::string> GetFilesInFolder(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  ForEachFileInFolder(folder, pattern, [&](std::string_view name, const os::FileStamps&) {
    names.emplace_back(name);
  });
  return names;
}
