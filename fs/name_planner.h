#pragma once
// The names of one transfer: which file at a destination the run must keep,
// and the "stem (n).ext" a newcomer takes instead. One set of rules, whether
// the run writes or only plans (a dry run), so the plan is what the run does.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "fs/planned_names.h"
#include "fs/platform.h"
#include "fs/transfer_kind.h"

class NamePlanner {
 public:
  // How a placed file came there: a moved one is kept from any later copy.
  enum class Guard { kMoved, kCopied };
  using SourceTest = std::function<bool(const std::string& path, const os::FileFacts& facts)>;

  // No file already in a destination is replaced, whatever its name.
  void KeepExisting() { keep_existing_ = true; }
  bool keeps_existing() const { return keep_existing_; }
  // A ticked source of the run is never replaced.
  void KeepTickedSources(SourceTest test) { ticked_source_ = std::move(test); }
  // Nothing is written: names are laid over the disk as planned.
  void PlanOnly() { plan_ = true; }
  bool planning() const { return plan_; }
  PlannedNames& planned() { return planned_; }
  // What is at path: as planned, or else on disk.
  std::optional<os::FileFacts> Facts(const std::string& path);

  // The run placed a file at path.
  void Remember(const std::string& path, const os::FileFacts& facts, Guard guard);
  // Whether the file at path (as examined) must stay, for a transfer of kind.
  bool MustKeep(const std::string& path, const os::FileFacts& facts, TransferKind kind);
  // The next free numbered name of the one its row gave taken (a name the
  // row's file cannot have), noted as a renaming.
  std::string NextName(const std::string& taken);
  // Gives a complete file of a transfer of kind its planned name, by
  // name_it(name, replace): the file planned to be replaced (there) is,
  // unless it became one to keep meanwhile (a moved file then takes the next
  // free name; a copy is refused before it comes here); a name another program took
  // meanwhile gives the next free one where nothing is replaced. name ends
  // as the name tried last; the error of that try.
  using NameIt = std::function<int(const std::string& name, bool replace)>;
  int Take(TransferKind kind, std::string& name, const std::optional<os::FileFacts>& there,
           const NameIt& name_it);
  // Whether placed is a numbered name; it is forgotten as one.
  bool Renamed(const std::string& placed) { return wanted_.erase(placed) != 0; }
  // A name promised to a complete file that waits for it; until the promises
  // are kept, no other file takes it.
  void Promise(const std::string& path) { promised_.insert(os::FoldCase(path)); }
  bool Promised(const std::string& path) const {
    return !promised_.empty() && promised_.count(os::FoldCase(path)) != 0;  // folded only if any
  }
  void PromisesKept() { promised_.clear(); }

  struct IdHash {
    std::size_t operator()(const os::FileId& id) const {
      return std::hash<std::uint64_t>{}(id.index ^ (id.volume * 0x9e3779b97f4a7c15u));
    }
  };

 private:
  // The first "stem (n).ext" of d where nothing is.
  std::string FreeName(const std::string& d);

  bool keep_existing_ = false;
  bool plan_ = false;
  SourceTest ticked_source_;
  PlannedNames planned_;
  // What this run placed, by hashes of the path as written and case-folded
  // (kept small, for millions of files), and by identity where the file
  // system keeps it. A collision can only make the run keep a file.
  std::unordered_map<std::size_t, Guard> placed_exact_, placed_folded_;
  std::unordered_map<os::FileId, Guard, IdHash> placed_ids_;
  std::unordered_map<std::string, std::string> wanted_;  // numbered name: the row's name
  std::unordered_set<std::string> promised_;             // folded
  // The next number to try for a name that was taken, by folded path: many
  // files of one name are placed without trying every number again.
  std::unordered_map<std::string, int> next_number_;
};
