#include "fs/folder_walk.h"

#include <algorithm>
#include <cerrno>

#include "app/failure_trap.h"

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

bool IsHiddenSystem(const std::string& folder) { return os::IsVirtualMount(folder); }

bool MatchesAll(const std::string& pattern) { return pattern == "*.*" || pattern == "*"; }

// One level of the walk; returns how many entries it appended to folders.
// Entries of deeper levels were listed as real folders just before, so only
// the caller's own entries are tested for being folders and virtual mounts.
std::size_t ExpandLevel(std::vector<std::string>& folders, bool recurse, bool top, UiServices& ui) {
  FailureTrap trap(ui, kWalkProcedure);
  std::vector<std::string> working;
  std::size_t i = 0;
  while (i < folders.size()) {
    const std::string f = folders[i];
    if (os::PastPathLimit(f) || (top && !IsFolder(f))) {
      ++i;
      continue;
    }
    ui.Yield();
    if (top && IsHiddenSystem(f)) {
      ++i;
      continue;
    }
    std::vector<std::string> names;
    int error = os::ListSubFolders(f, names);
    const std::string base = f.back() == os::kSeparator ? f : f + os::kSeparator;
    for (const std::string& name : names) {
      ui.Yield();
      if (HasUnlistableChars(name)) continue;
      working.push_back(base + name + os::kSeparator);
    }
    if (error == EACCES || error == EPERM || error == ENOENT || error == ENOTDIR) {
      auto first = std::find(folders.begin(), folders.end(), f);
      std::size_t at = static_cast<std::size_t>(first - folders.begin());
      folders.erase(first);
      if (at <= i) continue;
    }
    ++i;
  }
  std::size_t own = working.size();
  if (recurse && !working.empty()) {
    trap.Step(150, [&] {
      const std::size_t deeper = ExpandLevel(working, true, false, ui);
      own = working.size() - deeper;
    });
  }
  std::size_t appended = 0;
  trap.Step(152, [&] {
    for (std::size_t k = 0; k < working.size(); ++k) {
      if (k < own && os::PastPathLimit(working[k])) continue;
      ui.Yield();
      folders.push_back(std::move(working[k]));
      ++appended;
    }
  });
  return appended;
}

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
  os::RefreshMounts();
  ExpandLevel(folders, recurse, true, ui);
}

void ForEachFileInFolder(const std::string& folder, const std::string& pattern,
                         const os::FileVisitor& fn) {
  const bool all = MatchesAll(pattern);
  const std::string path =
      folder.empty() || folder.back() != os::kSeparator ? folder + os::kSeparator : folder;
  os::ListFiles(path, [&](std::string_view name, const os::FileStamps& stamps) {
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
