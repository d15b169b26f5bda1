#include "fs/file_transfer.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <utility>

#include "app/failure.h"
#include "app/failure_trap.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"

namespace {

// Enough to keep flushes rare (each costs about as much as copying a few
// hundred small files), few enough to keep the work a crash would undo small.
constexpr std::size_t kBatchFiles = 2048;
constexpr std::uint64_t kBatchBytes = 1u << 30;

#ifdef _WIN32
constexpr const char* kWildcards = "*?";
#else
constexpr const char* kWildcards = "";  // "?" and "*" are ordinary in Linux names
#endif

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

std::size_t Hash(const std::string& text) { return std::hash<std::string>{}(text); }

std::size_t FoldedHash(const std::string& path) { return Hash(os::FoldCase(path)); }

}  // namespace

TransferRun::TransferRun(UiServices& ui)
    : ui_(ui), between_chunks_([this](std::uint64_t copied) {
        if (copied != 0) ui_.CopiedBytes(copied);
        ui_.Yield();
      }) {}

TransferRun::~TransferRun() = default;

void TransferRun::Remember(const std::string& path, const os::FileFacts& facts, Guard guard) {
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

bool TransferRun::MustKeep(const std::string& path, const os::FileFacts& facts, TransferKind kind) {
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

bool TransferRun::HoldsKept(const std::string& s, const std::string& d, TransferKind kind) {
  if (replacing_names_.count(os::FoldCase(d)) != 0) Flush();
  const Destination there = LookAfresh(s, d);
  looked_ = {d, there};
  if (!there.facts || there.is_source) return false;  // the file itself: left where it is
  return MustKeep(d, *there.facts, kind);
}

void TransferRun::CheckClash(const std::string& source, const std::string& destination,
                             TransferKind kind) {
  const std::string s = NormalizeSlashes(source);
  const std::string d = NormalizeSlashes(destination);
  if (HoldsKept(s, d, kind))
    throw Failure("File already exists: " + d + " is one of the files of this transfer; " + s +
                      " stays where it is",
                  EEXIST);
}

std::string TransferRun::FreeName(const std::string& d) {
  for (int& n = next_number_.try_emplace(os::FoldCase(d), 2).first->second;; ++n) {
    std::string numbered = NumberedName(d, n);
    if (replacing_names_.count(os::FoldCase(numbered)) != 0 || Facts(numbered)) continue;
    ++n;
    return numbered;
  }
}

void TransferRun::Done(std::size_t row, FileOutcome::What what, const std::string& source,
                       const std::string& path, std::string why, bool boxed) {
  if (tell_) tell_({row, what, source, path, std::move(why), boxed});
}

void TransferRun::NotDone(TransferKind kind, const std::string& source,
                          const std::string& destination, const std::string& why, bool boxed) {
  Done(row_, kind == TransferKind::kMove ? FileOutcome::kNotMoved : FileOutcome::kNotCopied, source,
       destination, why, boxed);
}

bool TransferRun::Renamed(const std::string& placed) { return wanted_.erase(placed) != 0; }

namespace {

// What a complete copy lacks: the date, where its file system cannot hold it.
std::string DateNote(bool kept, const std::string& path) {
  return kept ? std::string()
              : path + " cannot keep the file's date: its file system cannot hold it";
}

}  // namespace

void TransferRun::Copied(std::size_t row, const std::string& source, const os::NewFile& copied) {
  const std::string& d = copied.destination();
  Done(row, Renamed(d) ? FileOutcome::kCopiedRenamed : FileOutcome::kCopied, source, d,
       DateNote(copied.dates_kept(), d));
}

void TransferRun::Moved(std::size_t row, const std::string& source, const std::string& moved,
                        std::string why, bool boxed) {
  Done(row, Renamed(moved) ? FileOutcome::kMovedRenamed : FileOutcome::kMoved, source, moved,
       std::move(why), boxed);
}

std::string TransferRun::PlaceForCopy(const std::string& source, const std::string& destination) {
  if (keep_existing_) return PlaceForMove(source, destination);
  CheckClash(source, destination, TransferKind::kCopy);
  return NormalizeSlashes(destination);
}

std::string TransferRun::NextName(const std::string& taken) {
  const auto wanted = wanted_.find(taken);
  const std::string name = wanted != wanted_.end() ? wanted->second : taken;
  if (wanted != wanted_.end()) wanted_.erase(wanted);
  std::string next = FreeName(name);
  wanted_[next] = name;
  return next;
}

std::string TransferRun::PlaceForMove(const std::string& source, const std::string& destination) {
  const std::string d = NormalizeSlashes(destination);
  if (!HoldsKept(NormalizeSlashes(source), d, TransferKind::kMove)) return d;
  std::string numbered = NextName(d);
  looked_ = {numbered, Destination{std::nullopt, false}};
  return numbered;
}

std::optional<os::FileFacts> TransferRun::Facts(const std::string& path) {
  return plan_ ? planned_.Facts(path) : os::Examine(path);
}

int TransferRun::Nameable(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (!os::NameFits(folder, FileNameOf(path))) return ENAMETOOLONG;
  return os::CanWriteIn(folder) ? 0 : EACCES;
}

bool TransferRun::AlreadyGathered(TransferKind kind, const std::string& source,
                                  const std::string& destination) {
  const std::string d = NormalizeSlashes(destination);
  // An empty name, the common case, needs no look at the source.
  if (!skip_gathered_) return false;
  // The source, and the file at its name, each looked at and read through
  // one opening: a rerun compares every file it finds. A plan knows the
  // disk as planned; a name that cannot be opened is looked at.
  os::OpenedFile at_name;
  std::optional<os::FileFacts> first;
  const int error = plan_ ? EPERM : os::OpenToRead(d, at_name);
  if (error == 0) first = at_name.facts;
  if (error != 0 && error != ENOENT) first = Facts(d);
  if (!first) return false;
  os::OpenedFile self;
  if ((plan_ && !Facts(source)) || os::OpenToRead(source, self) != 0 || !self.facts.regular)
    return false;
  std::optional<os::Digest> mine;
  for (int n = 1;; ++n) {
    const std::string there = n == 1 ? d : NumberedName(d, n);
    const auto facts = n == 1 ? first : Facts(there);
    if (!facts || (n == 1 && facts->id == self.facts.id)) return false;
    if (!facts->regular || facts->size != self.facts.size || facts->id == self.facts.id) continue;
    if (!mine && os::DigestOfOpen(self, mine.emplace(), between_chunks_) != 0) return false;
    self.handle.reset();  // closed: a file open on Windows cannot be removed
    os::Digest theirs;
    const int unread = n == 1 && at_name.handle.valid()
                           ? os::DigestOfOpen(at_name, theirs, between_chunks_)
                           : os::DigestOfFile(planned_.Content(there), theirs, between_chunks_);
    at_name.handle.reset();
    if (unread != 0 || theirs != *mine) continue;
    if (kind == TransferKind::kMove) {
      if (plan_) {
        planned_.Gone(source);
      } else if (int error = os::RemoveFile(source)) {
        const std::string what = source + " is already gathered as " + there +
                                 ", but it could not be removed (" + DescribeError(error) +
                                 "): the file is in both places";
        ReportMove(what);
        Done(row_, FileOutcome::kKeptBoth, source, there, what, true);
        return true;
      }
    }
    Done(row_, FileOutcome::kAlreadyThere, source, there);
    return true;
  }
}

CopyResult TransferRun::PlanCopy(const std::string& source, const std::string& destination) {
  const auto self = Facts(source);
  const int error = !self ? ENOENT : Nameable(destination);
  if (error != 0) return {WhyNot(error, source, destination)};
  planned_.Copy(source, *self, destination);
  Remember(destination, *planned_.Facts(destination), Guard::kCopied);
  Done(row_, Renamed(destination) ? FileOutcome::kCopiedRenamed : FileOutcome::kCopied, source,
       destination);
  return {};
}

int TransferRun::Rename(const std::string& source, const std::string& destination, bool replace,
                        const os::FileFacts& file) {
  if (!plan_) return os::Rename(source, destination, replace, file.id.volume);
  if (int error = Nameable(destination)) return error;
  if (!os::CanWriteIn(FolderOf(source))) return EACCES;
  const auto there = Facts(destination);
  if (there && !replace) return EEXIST;
  if (there && IsFolder(destination)) return EISDIR;
  planned_.Move(source, file, destination);
  return 0;
}

TransferRun::Destination TransferRun::LookAfresh(const std::string& source,
                                                 const std::string& destination) {
  Destination there{Facts(destination), false};
  if (there.facts) {
    const auto self = Facts(source);
    there.is_source = self && self->id == there.facts->id;
  }
  return there;
}

TransferRun::Destination TransferRun::Look(const std::string& source,
                                           const std::string& destination) {
  auto [last, there] = std::move(looked_);
  looked_ = {};
  return last == destination ? there : LookAfresh(source, destination);
}

bool TransferRun::IsDestinationFolder(const std::string& folder) {
  if (folder == last_folder_) return true;
  if (!IsFolder(folder)) return false;
  last_folder_ = folder;
  if (!plan_) {
    turns_ = std::make_unique<os::FolderTurns>(folder);
    os::RemoveStaleTemporaries(folder);
  }
  return true;
}

namespace {

// Errors that say the drive itself went away (a network drive dropped, a
// FUSE file system whose program ended).
bool Disconnected(int error) {
  switch (error) {
    case ENOTCONN:
    case ECONNABORTED:
    case ECONNRESET:
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTUNREACH:
#ifdef ESTALE
    case ESTALE:
#endif
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string WhyNot(int error, const std::string& source, const std::string& destination) {
  const std::string folder = FolderOf(destination), name = FileNameOf(destination);
  if (error == os::kSourceChanged)
    return os::Examine(source) ? "it changed while it was being copied"
                               : "it was removed meanwhile";
  if (error == os::kNotAFile) return "it is no longer a file: something else took its name";
  if (error == os::kCopyDiffers)
    return "Device error: " + destination + " does not read back as it was written; the drive " +
           "that holds " + folder + " may be failing";
  if (error == ENOENT && !source.empty() && !os::Examine(source))
    return "File not found: the file is gone";
  if (error == ENOENT || Disconnected(error)) {
    const int state = os::FolderError(folder);
    if (Disconnected(error) || Disconnected(state))
      return "Device unavailable: the drive that holds " + folder + " is no longer connected";
    if (state == ENOTDIR) return "Path not found: " + folder + " is a file, not a folder";
    if (state != 0) return "Path not found: the folder " + folder + " does not exist";
  }
  if (error == EROFS) return "Permission denied: " + folder + " is on a drive that is read-only";
  if (error == ENAMETOOLONG) return "File name too long: " + name + " is too long for " + folder;
  if (error == ENOSPC) return "Disk full: no room is left in " + folder;
  // A FUSE file system answers a name it cannot store, or a full disk, as
  // if a folder were missing, or as if making files there were not allowed.
  if (error == ENOENT || error == EINVAL ||
      ((error == EPERM || error == EACCES) && os::CanWriteIn(folder))) {
    const auto free = os::FreeSpace(folder);
    const auto file = os::Examine(source);
    if (free && (*free == 0 || (file && file->size > *free)))
      return "Disk full: no room is left in " + folder;
    return "Bad file name: the destination does not accept the name " + name;
  }
  return DescribeError(error);
}

bool TransferRun::Checked(const std::string& source, const std::string& destination) {
  return verify_ || untrusted_.Folder(FolderOf(destination)) ||
         untrusted_.SourceFolder(FolderOf(source));
}

int TransferRun::SinceCopied(const Work& work, const os::FileFacts& now) {
  const os::FileFacts& then = work.file->source_facts();
  if (os::Unchanged(then, now)) return Reread(work);
  // Another name of it (a hard link) moved meanwhile changes its link count,
  // and so its change time: then its bytes tell.
  const bool relinked = then.id == now.id && then.size == now.size && then.links != now.links &&
                        then.modified.sec == now.modified.sec &&
                        then.modified.nsec == now.modified.nsec;
  if (!relinked) return os::kSourceChanged;
  os::Digest copied;
  if (int error = os::DigestOfFile(work.file->destination(), copied, between_chunks_)) return error;
  return os::SameContent(work.source, copied, between_chunks_);
}

int TransferRun::Reread(const Work& work) {
  const auto& digest = work.file->digest();
  return digest ? os::SameContent(work.source, *digest, between_chunks_) : 0;
}

CopyResult TransferRun::Copy(const std::string& source, const std::string& destination) {
  const Destination there = Look(source, destination);
  if (there.is_source) {
    Done(row_, FileOutcome::kInPlace, source, destination);
    return {};
  }
  if (there.facts && !there.facts->regular) return {destination + " is not a file"};
  if (there.facts && there.facts->read_only) return {destination + " is read-only"};
  if (plan_) return PlanCopy(source, destination);
  // A replacement, or a new file on a file system whose own flush is not
  // trusted, is named once it is on disk: with others, so their flushes are few.
  // Where either side may not be trusted, the copy is checked by its bytes:
  // the source read again (a stick may note no change), the copy read back.
  const bool untrusted = untrusted_.Folder(FolderOf(destination));
  // The source is read again only where it could change unnoticed.
  const bool reread = verify_ || untrusted_.SourceFolder(FolderOf(source));
  const bool checked = untrusted || reread;
  const bool wait = there.facts || checked;
  auto file = std::make_unique<os::NewFile>();
  int error = file->Create(destination, std::nullopt);
  if (error == 0) error = file->CopyFrom(source, between_chunks_, checked);
  if (error == 0 && reread) error = os::SameContent(source, *file->digest(), between_chunks_);
  if (error == 0 && wait) {
    Enqueue({std::move(file), source, false, there.facts.has_value(), row_}, false);
    return {};
  }
  if (error == 0) error = file->Publish(false);
  for (; error == EEXIST && keep_existing_; error = file->Publish(false))
    file->Retarget(NextName(file->destination()));
  if (error != 0) return {WhyNot(error, source, destination)};
  Remember(file->destination(), file->facts(), Guard::kCopied);
  Copied(row_, source, *file);
  return {};
}

void TransferRun::Move(const std::string& source, const os::FileFacts& file,
                       const std::string& destination, const std::optional<os::FileFacts>& there) {
  std::string d = destination;
  std::optional<os::FileFacts> old = there;
  // What is there may have become a file to keep (ticked) while the window
  // had its events: the newcomer then takes a numbered name.
  if (old && MustKeep(d, *old, TransferKind::kMove)) {
    d = NextName(destination);
    old.reset();
  }
  int error = Rename(source, d, old.has_value(), file);
  // Another program took the name meanwhile: the next free one.
  for (; error == EEXIST && keep_existing_; error = Rename(source, d, false, file))
    d = NextName(d);
  if (error == 0) {
    Remember(d, file, Guard::kMoved);  // a rename keeps the file's identity
    const bool untrusted = !plan_ && untrusted_.Folder(FolderOf(d));
    Moved(row_, source, d, DateNote(!untrusted || os::KeepDates(d, file), d));
    if (untrusted) unsynced_folders_.insert(FolderOf(d));
    return;
  }
  // A folder this user may not change keeps its files: that, not the
  // destination, is what refuses, and across file systems no copy is made.
  if ((error == EACCES || error == EPERM || error == EXDEV) && os::CanWriteIn(FolderOf(d)) &&
      !os::CanWriteIn(FolderOf(source)))
    throw Failure(DescribeError(EACCES) + ": " + source +
                      " cannot be taken out of its folder; it stays where it is",
                  EACCES);
  if (error != EXDEV) throw Failure(WhyNot(error, source, d), error);
  // Across file systems: a copy first; the source goes once the copy is safe
  // (checked by its bytes, read back, where a side may not be trusted).
  const bool checked = Checked(source, d);
  const bool wait = old || checked;
  auto copy = std::make_unique<os::NewFile>();
  if ((error = copy->Create(d, std::nullopt)) == 0)
    error = copy->CopyFrom(source, between_chunks_, checked);
  if (error == 0 && !wait) error = copy->Publish(false);
  for (; error == EEXIST && keep_existing_ && !wait; error = copy->Publish(false))
    copy->Retarget(NextName(copy->destination()));
  d = copy->destination();
  if (error == os::kSourceChanged && !os::Examine(source))
    throw Failure(source +
                  " was removed by another program during its move; nothing was moved to " + d);
  if (error == os::kSourceChanged)
    throw Failure(source + " changed while it was being moved; it stays where it is");
  if (error != 0)
    throw Failure(WhyNot(error, source, d) + ": nothing was moved to " + d + "; " + source +
                      " stays where it is",
                  error);
  if (!wait) Remember(d, copy->facts(), Guard::kMoved);
  Enqueue({std::move(copy), source, true, old.has_value(), row_}, !wait);
}

void TransferRun::Enqueue(Work work, bool named) {
  waiting_bytes_ += work.file->facts().size;
  if (named) {
    named_.push_back(std::move(work));
  } else {
    replacing_names_.insert(os::FoldCase(work.file->destination()));
    replacing_.push_back(std::move(work));
  }
  const std::size_t limit = std::min(kBatchFiles, os::OpenFileBudget());
  if (named_.size() + replacing_.size() >= limit || waiting_bytes_ >= kBatchBytes) Flush();
}

bool TransferRun::SyncAll(bool content) {
  // One flush a file system where that reaches the disk (the waiting files
  // are on few volumes); elsewhere each file, then each folder for its names.
  std::map<std::uint64_t, bool> reaches;
  std::set<std::string> folders;
  int error = 0;
  for (const auto* list : {&replacing_, &named_}) {
    for (auto w = list->begin(); error == 0 && w != list->end(); ++w) {
      const std::string folder = FolderOf(w->file->destination());
      auto [volume, added] = reaches.emplace(w->file->facts().id.volume, false);
      if (added && (volume->second = os::SyncReachesDisk(folder)))
        error = os::SyncFileSystemOf(folder);
      if (volume->second) continue;
      ui_.Yield();
      if (content) error = w->file->Sync();
      folders.insert(folder);
    }
  }
  for (auto f = folders.begin(); error == 0 && f != folders.end(); ++f) error = os::SyncFolder(*f);
  if (error == 0) return true;
  for (const auto* list : {&replacing_, &named_})
    for (const Work& each : *list)
      GiveUp(each, WhyNot(error, each.source, each.file->destination()));
  return false;
}

void TransferRun::GiveUp(const Work& work, const std::string& why) {
  if (!work.move) {
    Done(work.row, FileOutcome::kNotCopied, work.source, work.file->destination(), why);
    return;
  }
  const std::string what = why + ": " + work.file->destination() + " was not completed; " +
                           work.source + " stays where it is";
  ReportMove(what);
  Done(work.row, FileOutcome::kNotMoved, work.source, work.file->destination(), what, true);
}

void TransferRun::ReportMove(const std::string& what) {
  FailureTrap(ui_, kMoveProcedure).Report(104, what);
}

void TransferRun::Complete(const Work& w) {
  const std::string& d = w.file->destination();
  const auto there = os::Examine(d);
  const auto source = os::Examine(w.source);
  std::string what;
  FileOutcome::What outcome = FileOutcome::kNotMoved;
  int reread = 0;  // a checked source's bytes, read again
  if (!there && !IsFolder(FolderOf(d))) {
    what = d +
           " is no longer where it was written: its folder was moved, removed or replaced "
           "meanwhile; " +
           w.source + " stays where it is";
  } else if (!there || !(there->id == w.file->facts().id) || there->size != w.file->facts().size) {
    what = d + " was " + (there ? "replaced" : "removed") + " by another program meanwhile; " +
           w.source + " stays where it is";
  } else if (!source) {
    // Another path to a file this run has just moved (a folder searched
    // twice, through a bind mount): its second copy goes.
    if (const auto earlier = moved_away_.find(w.file->source_facts().id);
        earlier != moved_away_.end()) {
      os::RemoveFile(d);
      Moved(w.row, w.source, earlier->second);
      return;
    }
    what = w.source + " was removed by another program during its move; " + d +
           " holds it as it was copied";
    outcome = FileOutcome::kMoved;
  } else if ((reread = SinceCopied(w, *source)) == os::kSourceChanged) {
    what = w.source + " changed while it was being moved: it stays where it is, and " + d +
           " holds it as it was before the change";
    outcome = FileOutcome::kKeptBoth;
  } else if (reread != 0) {
    what = w.source + " could not be read again to check its copy (" + DescribeError(reread) +
           "): it stays where it is, and " + d + " holds it as it was copied";
    outcome = FileOutcome::kKeptBoth;
  } else if (int error = os::RemoveFile(w.source)) {
    what = w.source + " was copied to " + d + ", but it could not be removed (" +
           DescribeError(error) + "): the file is now in both places";
    outcome = FileOutcome::kKeptBoth;
  } else {
    moved_away_[w.file->source_facts().id] = d;
    Moved(w.row, w.source, d, DateNote(w.file->dates_kept(), d));
    return;
  }
  ReportMove(what);
  if (outcome == FileOutcome::kMoved)
    Moved(w.row, w.source, d, what, true);
  else
    Done(w.row, outcome, w.source, outcome == FileOutcome::kNotMoved ? w.source : d, what, true);
}

void TransferRun::NameWaiting() {
  for (Work& w : replacing_) {
    // A checked copy is named only once it reads back as it was written.
    if (int error = w.file->ReadBack(between_chunks_)) {
      GiveUp(w, WhyNot(error, w.source, w.file->destination()));
      continue;
    }
    const std::string wanted = w.file->destination();
    const auto there = w.replace ? os::Examine(wanted) : std::nullopt;
    int error = 0;
    // Asked again now: the file there may have become a ticked source.
    if (w.replace && there &&
        MustKeep(wanted, *there, w.move ? TransferKind::kMove : TransferKind::kCopy)) {
      if (!w.move) {
        GiveUp(w, "File already exists: " + wanted + " is one of the files of this transfer");
        continue;
      }
      w.file->Retarget(NextName(wanted));
      error = w.file->Publish(false);
    } else {
      error = w.file->Publish(w.replace);
    }
    for (; error == EEXIST && keep_existing_; error = w.file->Publish(false))
      w.file->Retarget(NextName(w.file->destination()));
    if (error != 0) {
      GiveUp(w, WhyNot(error, w.source, w.file->destination()));
      continue;
    }
    const std::string folder = FolderOf(w.file->destination());
    Remember(w.file->destination(), w.file->facts(), w.move ? Guard::kMoved : Guard::kCopied);
    if (w.move) {
      named_.push_back(std::move(w));
      continue;
    }
    Copied(w.row, w.source, *w.file);
    if (untrusted_.Folder(folder)) unsynced_folders_.insert(folder);
  }
  replacing_.clear();
}

void TransferRun::Flush() {
  if (!replacing_.empty() || !named_.empty()) {
    const std::size_t moved_before = named_.size();
    // The new content reaches the disk before it takes any old file's place.
    if (SyncAll(true)) {
      NameWaiting();
      // A source goes only when its destination is on disk under its name,
      // is the file written and holds all of it, and the source is still
      // what was copied: an edit made since exists nowhere else.
      if (named_.size() == moved_before || SyncAll(false)) {
        for (const Work& w : named_) {
          ui_.Yield();
          Complete(w);
        }
      }
    }
    replacing_.clear();
    named_.clear();
    moved_away_.clear();
    replacing_names_.clear();
    waiting_bytes_ = 0;
  }
  // The names made where the file system's own flush is not trusted.
  for (const std::string& folder : unsynced_folders_) os::SyncFolder(folder);
  unsynced_folders_.clear();
}

CopyResult CopyFileChecked(const std::string& source, const std::string& destination,
                           TransferRun& run) {
  if (IsBlank(source) || IsBlank(destination)) return {"Bad file name"};
  const std::string s = NormalizeSlashes(source);
  std::string d = NormalizeSlashes(destination);
  if (s.find_first_of(kWildcards) != std::string::npos) d = FolderOf(d);
  if (!IsExistingFile(s)) return {"File not found: the file is gone"};
  if (!run.IsDestinationFolder(FolderOf(d))) return {WhyNot(ENOENT, s, d)};
  return FSOFileCopy(s, d, run);
}

CopyResult FSOFileCopy(const std::string& source, const std::string& destination,
                       TransferRun& run) {
  return run.Copy(source, destination);
}

bool FSOFileMove(const std::string& source, const std::string& destination, TransferRun& run) {
  UiServices& ui = run.ui();
  FailureTrap trap(ui, kMoveProcedure);
  const std::string s = NormalizeSlashes(source);
  const std::string d = NormalizeSlashes(destination);
  std::optional<os::FileFacts> file, there;
  // The old destination is replaced only by the move itself, so a move that
  // cannot proceed keeps it.
  trap.Step(102, [&] {
    ui.Yield();
    file = run.Facts(s);
    there = run.Look(s, d).facts;
  });
  if (file && there && file->id == there->id) {
    // It is there already. A hard link elsewhere is a second name of it,
    // which the move takes away; one name spelt two ways stays as it is.
    bool second_name = false;
    const bool gone = trap.Step(104, [&] {
      second_name = file->links > 1 && os::DistinctEntries(s, d);
      const int error = second_name ? os::RemoveFile(s) : 0;
      if (error != 0)
        throw Failure(s + " is another name of " + d + ", which holds it already, but it " +
                          "could not be removed (" + DescribeError(error) + ")",
                      error);
    });
    if (gone)
      run.Done(second_name ? FileOutcome::kMoved : FileOutcome::kInPlace, s, d);
    else
      run.NotDone(TransferKind::kMove, s, d, trap.last(), true);
    return false;
  }
  const bool moved = trap.Step(104, [&] {
    if (!file)
      throw Failure("File not found: " + s + " is no longer there; nothing was moved", ENOENT);
    if (!file->regular) throw Failure(s + " is no longer a file; nothing was moved", EINVAL);
    if (!there && !run.IsDestinationFolder(FolderOf(d)))
      throw Failure(WhyNot(ENOENT, s, d), ENOENT);
    run.Move(s, *file, d, there);
  });
  if (!moved) run.NotDone(TransferKind::kMove, s, d, trap.last(), true);
  return moved;
}

const char* TransferWord(TransferKind kind) {
  return kind == TransferKind::kCopy ? "Copy" : kind == TransferKind::kMove ? "Move" : "";
}

const char* TransferVerb(TransferKind kind) {
  return kind == TransferKind::kCopy ? "copied" : kind == TransferKind::kMove ? "moved" : "";
}
