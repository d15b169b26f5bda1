#include "fs/name_planner.h"

#include <cerrno>

#include "fs/folder_walk.h"
#include "fs/path_rules.h"

namespace {

std::size_t Hash(const std::string& text) { return std::hash<std::string>{}(text); }

std::size_t FoldedHash(const std::string& path) { return Hash(os::FoldCase(path)); }

}  // namespace

std::optional<os::FileFacts> NamePlanner::Facts(const std::string& path) {
  return plan_ ? planned_.Facts(path) : os::Examine(path);
}

void NamePlanner::Remember(const std::string& path, const os::FileFacts& facts, Guard guard) {
  if (keep_existing_) return;  // nothing there is replaced: no file needs guarding
  // A moved file stays one: a copy never replaces it.
  const auto note = [guard](auto& map, const auto& key) {
    auto [it, added] = map.emplace(key, guard);
    if (!added && it->second == Guard::kCopied) it->second = guard;
  };
  note(placed_exact_, Hash(path));
  note(placed_folded_, FoldedHash(path));
  note(placed_ids_, facts.id);
}

bool NamePlanner::MustKeep(const std::string& path, const os::FileFacts& facts, TransferKind kind) {
  if (keep_existing_) return true;
  // A copy may replace an earlier copy of this run: its source still exists.
  const auto applies = [kind](const auto& map, const auto& key) {
    auto it = map.find(key);
    return it != map.end() && (it->second != Guard::kCopied || kind == TransferKind::kMove);
  };
  if (applies(placed_exact_, Hash(path)) || applies(placed_ids_, facts.id)) return true;
  // Another spelling of a placed name is that file where the file system
  // ignores case: its folder then does not list this spelling.
  if (applies(placed_folded_, FoldedHash(path)) &&
      !os::ListsExactly(FolderOf(path), FileNameOf(path)))
    return true;
  return ticked_source_ && ticked_source_(path, facts);
}

std::string NamePlanner::FreeName(const std::string& d) {
  for (int& n = next_number_.try_emplace(os::FoldCase(d), 2).first->second;; ++n) {
    std::string numbered = NumberedName(d, n);
    if (Promised(numbered) || Facts(numbered)) continue;
    ++n;
    return numbered;
  }
}

std::string NamePlanner::NextName(const std::string& taken) {
  const auto wanted = wanted_.find(taken);
  const std::string name = wanted != wanted_.end() ? wanted->second : taken;
  if (wanted != wanted_.end()) wanted_.erase(wanted);
  std::string next = FreeName(name);
  wanted_[next] = name;
  return next;
}

int NamePlanner::Take(TransferKind kind, std::string& name,
                      const std::optional<os::FileFacts>& there, const NameIt& name_it) {
  bool replace = there.has_value();
  // A copy over a file to keep was refused before it came here; a move takes the next name.
  if (replace && kind == TransferKind::kMove && MustKeep(name, *there, kind)) {
    name = NextName(name);
    replace = false;
  }
  int error = name_it(name, replace);
  for (; error == EEXIST && keep_existing_; error = name_it(name, false)) name = NextName(name);
  return error;
}
