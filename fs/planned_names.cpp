#include "fs/planned_names.h"

#include "fs/path_rules.h"

std::optional<os::FileFacts> PlannedNames::Facts(const std::string& path) {
  if (const auto it = at_.find(path); it != at_.end()) return it->second;
  // Another spelling of a planned name is that file where the folder ignores case.
  const auto folded = by_folded_.find(os::FoldCase(path));
  if (folded != by_folded_.end()) {
    const std::string folder = FolderOf(path);
    auto [ignores, added] = ignores_case_.try_emplace(folder, false);
    if (added) ignores->second = os::IgnoresCase(folder);
    if (ignores->second) return at_[folded->second];
  }
  return os::Examine(path);
}

void PlannedNames::Place(const std::string& source, const os::FileFacts& facts,
                         const std::string& path) {
  at_[path] = facts;
  by_folded_[os::FoldCase(path)] = path;
  from_[path] = source;
}

void PlannedNames::Copy(const std::string& source, const os::FileFacts& facts,
                        const std::string& path) {
  os::FileFacts copy = facts;
  copy.id = {0, ++copies_};
  Place(source, copy, path);
}

void PlannedNames::Move(const std::string& source, const os::FileFacts& facts,
                        const std::string& path) {
  Gone(source);
  Place(source, facts, path);
}

const std::string& PlannedNames::Content(const std::string& path) const {
  const auto from = from_.find(path);
  return from != from_.end() ? from->second : path;
}
