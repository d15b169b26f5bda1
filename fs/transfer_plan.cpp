#include <cerrno>

#include "fs/file_transfer.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"

// The plan of each file of a transfer: the one place its name is decided,
// and, in a dry run, where it is told as the run would carry it out.

using Action = TransferStep::Action;

TransferStep TransferRun::Plan(TransferKind kind, const std::string& source,
                               const std::string& destination) {
  TransferStep step;
  step.kind = kind;
  step.source = NormalizeSlashes(source);
  step.name = NormalizeSlashes(destination);
  if (std::string same = Gathered(step); !same.empty()) {
    step.action = Action::kPassOver;
    step.name = std::move(same);
    return step;
  }
  // A file already in the destination folder takes the full course, which
  // knows it by its identity: a rename onto itself may succeed doing nothing.
  const std::string from = FolderOf(step.source), to = FolderOf(step.name);
  if (kind == TransferKind::kMove && !names_.planning() && !names_.Promised(step.name) &&
      !step.there && !(from.size() == to.size() && os::FoldCase(from) == os::FoldCase(to))) {
    step.action = Action::kMove;
    step.looked = false;
    return step;
  }
  return Look(std::move(step));
}

TransferStep TransferRun::Look(TransferStep step) {
  const std::string& s = step.source;
  using K = TransferError::Kind;
  const auto refuse = [&step](TransferError error) {
    step.action = Action::kRefused;
    step.error = std::move(error);
    return step;
  };
  step.looked = true;
  if (names_.Promised(step.name)) {  // what waits for the name is there first
    Flush();
    step.seen = false;
  }
  if (!step.seen) step.there = Facts(step.name);
  // A copy into a free name reads its source as it copies it: no look first.
  if (step.kind == TransferKind::kMove || step.there || names_.planning()) step.file = Facts(s);
  const bool in_place = step.file && step.there && step.file->id == step.there->id;
  if (step.there && !in_place && names_.MustKeep(step.name, *step.there, step.kind)) {
    if (step.kind == TransferKind::kCopy && !names_.keeps_existing())
      return refuse(
          With(Found(K::kClash, s, step.name, EEXIST), TransferError::Then::kSourceStays));
    step.name = names_.NextName(step.name);
    step.there.reset();
  }
  if (step.kind == TransferKind::kCopy) {
    if (!FolderStands(FolderOf(step.name))) return refuse(Classify(ENOENT, s, step.name));
    step.action = Action::kCopy;
    if (in_place)
      step.action = Action::kInPlace;
    else if (step.there && !step.there->regular)
      return refuse(Found(K::kTargetNotAFile, s, step.name));
    else if (step.there && step.there->read_only)
      return refuse(Found(K::kTargetReadOnly, s, step.name));
    return step;
  }
  if (in_place) {
    // It is there already. A hard link elsewhere is a second name of it,
    // which the move takes away; one name spelt two ways stays as it is.
    const bool second = step.file->links > 1 && os::DistinctEntries(s, step.name);
    step.action = second ? Action::kDropSecondName : Action::kInPlace;
    return step;
  }
  if (!step.file) return refuse(Found(K::kMoveSourceGone, s, step.name, ENOENT));
  if (!step.file->regular) return refuse(Found(K::kMoveSourceNotAFile, s, step.name, EINVAL));
  if (!step.there && !FolderStands(FolderOf(step.name)))
    return refuse(Classify(ENOENT, s, step.name));
  step.action = Action::kMove;
  return step;
}

bool TransferRun::FolderStands(const std::string& folder) {
  if (folder == folder_stands_) return true;
  if (!IsFolder(folder) && !(names_.planning() && names_.planned().Made(folder))) return false;
  folder_stands_ = folder;
  return true;
}
int TransferRun::Nameable(const std::string& path) {
  std::string folder = FolderOf(path);
  // A folder still to be made takes what its parent takes.
  if (names_.planned().Made(folder)) {
    folder = FolderOf(folder.substr(0, folder.size() - 1));
    if (folder.empty()) folder = std::string(".") + os::kSeparator;
  }
  if (!os::NameFits(folder, FileNameOf(path))) return ENAMETOOLONG;
  return os::CanWriteIn(folder) ? 0 : EACCES;
}

std::string TransferRun::Gathered(TransferStep& step) {
  const std::string &source = step.source, &d = step.name;
  // An empty name, the common case, needs no look at the source.
  if (!skip_gathered_) return {};
  // The source, and the file at its name, each looked at and read through
  // one opening: a rerun compares every file it finds. A plan knows the
  // disk as planned; a name that cannot be opened is looked at.
  os::OpenedFile at_name;
  std::optional<os::FileFacts> first;
  const int error = names_.planning() ? EPERM : os::OpenToRead(d, at_name);
  if (error == 0) first = at_name.facts;
  if (error != 0 && error != ENOENT) first = Facts(d);
  step.there = first;
  step.seen = true;
  if (!first) return {};
  os::OpenedFile self;
  if ((names_.planning() && !Facts(source)) || os::OpenToRead(source, self) != 0 ||
      !self.facts.regular)
    return {};
  std::optional<os::Digest> mine;
  for (int n = 1;; ++n) {
    std::string there = n == 1 ? d : NumberedName(d, n);
    const auto facts = n == 1 ? first : Facts(there);
    if (!facts || (n == 1 && facts->id == self.facts.id)) return {};
    if (!facts->regular || facts->size != self.facts.size || facts->id == self.facts.id) continue;
    if (!mine && os::DigestOfOpen(self, mine.emplace(), between_chunks_) != 0) return {};
    self.handle.reset();  // closed: a file open on Windows cannot be removed
    os::Digest theirs;
    const int unread =
        n == 1 && at_name.handle.valid()
            ? os::DigestOfOpen(at_name, theirs, between_chunks_)
            : os::DigestOfFile(names_.planned().Content(there), theirs, between_chunks_);
    at_name.handle.reset();
    if (unread == 0 && theirs == *mine) return there;
  }
}

CopyResult TransferRun::Carry(const TransferStep& step) {
  if (step.action == Action::kRefused) return {step.error};
  if (step.action == Action::kInPlace) {  // nothing to write, in a plan as in a run
    outcomes_.Done(row_, FileOutcome::kInPlace, step.source, step.name);
    return {};
  }
  return names_.planning() ? Pretend(step) : Execute(step);
}

CopyResult TransferRun::Pretend(const TransferStep& step) {
  const std::string &s = step.source, &d = step.name;
  switch (step.action) {
    case Action::kCopy:
      if (const int error = !step.file ? ENOENT : Nameable(d)) return {Classify(error, s, d)};
      names_.planned().Copy(s, *step.file, d);
      names_.Remember(d, *names_.planned().Facts(d), NamePlanner::Guard::kCopied);
      outcomes_.Copied(row_, s, d);
      break;
    case Action::kMove: {
      int error = Nameable(d);
      if (error == 0 && !os::CanWriteIn(FolderOf(s))) error = EACCES;
      if (error == 0 && step.there && IsFolder(d)) error = EISDIR;
      if (error != 0) return {RenameRefused(error, s, d)};
      names_.planned().Move(s, *step.file, d);
      names_.Remember(d, *step.file, NamePlanner::Guard::kMoved);
      outcomes_.Moved(row_, s, d);
      break;
    }
    case Action::kPassOver:
    case Action::kDropSecondName:
      if (step.kind == TransferKind::kMove) names_.planned().Gone(s);
      outcomes_.Done(
          row_, step.action == Action::kPassOver ? FileOutcome::kAlreadyThere : FileOutcome::kMoved,
          s, d);
      break;
    default:  // carried out by Carry
      break;
  }
  return {};
}
