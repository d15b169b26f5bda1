#include "fs/durable_batch.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "fs/transfer_error.h"

namespace {

// Enough to keep flushes rare (each costs about as much as copying a few
// hundred small files), few enough to keep the work a crash would undo small.
constexpr std::size_t kBatchFiles = 2048;
// Where the drive is not trusted each file is looked at again by name when
// it is named: a FUSE driver's cached look lasts about a second, which a
// smaller batch stays within.
constexpr std::size_t kUntrustedBatchFiles = 256;
constexpr std::uint64_t kBatchBytes = 1u << 30;

}  // namespace

void DurableBatch::Add(Work work) {
  bytes_ += work.file->facts().size;
  if (work.state == State::kWritten) names_.Promise(work.file->destination());
  work_.push_back(std::move(work));
  // The drive is asked only once the batch is as large as a small one may be.
  const bool full = work_.size() >= std::min(kBatchFiles, os::OpenFileBudget()) ||
                    (work_.size() >= kUntrustedBatchFiles &&
                     untrusted_.Folder(FolderOf(work_.back().file->destination())));
  if (full || bytes_ >= kBatchBytes) Flush();
}

bool DurableBatch::SyncAll(bool content) {
  // One flush a file system where that reaches the disk (the waiting files
  // are on few volumes); elsewhere each file, then each folder for its names.
  std::map<std::uint64_t, bool> reaches;
  std::set<std::string> folders;
  int error = 0;
  for (auto w = work_.begin(); error == 0 && w != work_.end(); ++w) {
    if (w->state == State::kEnded) continue;
    const std::string folder = FolderOf(w->file->destination());
    auto [volume, added] = reaches.emplace(w->file->facts().id.volume, false);
    if (added && (volume->second = os::SyncReachesDisk(folder)))
      error = os::SyncFileSystemOf(folder);
    if (volume->second) continue;
    outcomes_.ui().Yield();
    if (content) error = w->file->Sync();
    folders.insert(folder);
  }
  for (auto f = folders.begin(); error == 0 && f != folders.end(); ++f) error = os::SyncFolder(*f);
  if (error == 0) return true;
  for (Work& each : work_)
    if (each.state != State::kEnded)
      GiveUp(each, Classify(error, each.source, each.file->destination()));
  return false;
}

void DurableBatch::GiveUp(Work& work, TransferError why) {
  using T = TransferError::Then;
  const bool named = work.state == State::kNamed;
  work.state = State::kEnded;
  const std::string& d = work.file->destination();
  why.source = work.source;
  why.path = d;
  if (!work.move) {
    outcomes_.Done(work.row, FileOutcome::kNotCopied, work.source, d,
                   named ? With(why, T::kMayNotBeOnDrive) : why);
    return;
  }
  // A copy named already is complete: only its name may not have reached the drive.
  outcomes_.Done(work.row, FileOutcome::kNotMoved, work.source, d,
                 With(why, named ? T::kNamedSourceStays : T::kNotCompleted),
                 FileOutcome::Box::kMove);
}

os::Error DurableBatch::SinceCopied(const Work& work, const os::FileFacts& now) {
  const os::FileFacts& then = work.file->source_facts();
  const auto& digest = work.file->digest();
  if (os::Unchanged(then, now))
    return digest ? os::SameContent(work.source, *digest, between_chunks_) : 0;
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

void DurableBatch::Complete(Work& w) {
  w.state = State::kEnded;
  if (!w.move) {
    outcomes_.Copied(w.row, w.source, *w.file);
    return;
  }
  const std::string& d = w.file->destination();
  const auto there = os::Examine(d);
  const auto source = os::Examine(w.source);
  using K = TransferError::Kind;
  K why = K::kNone;
  int code = 0;
  FileOutcome::What outcome = FileOutcome::kNotMoved;
  os::Error reread;  // a checked source's bytes, read again
  // A source out of reach (its drive went away) is not gone: it may be there
  // still. Looked at once more, a file that is gone says ENOENT, and one that
  // is there is no folder.
  const int reach = source ? 0 : os::FolderError(w.source);
  if (!there && !IsFolder(FolderOf(d))) {
    why = K::kFolderGoneMeanwhile;
  } else if (!there || !(there->id == w.file->facts().id) || there->size != w.file->facts().size) {
    why = there ? K::kReplacedMeanwhile : K::kRemovedMeanwhile;
  } else if (reach != 0 && reach != ENOENT && reach != ENOTDIR) {
    why = K::kUnreachable, code = reach;
    outcome = FileOutcome::kKeptBoth;
  } else if (!source) {
    // Another path to a file this run has just moved (a folder searched
    // twice, through a bind mount): its second copy goes.
    if (const auto earlier = moved_away_.find(w.file->source_facts().id);
        earlier != moved_away_.end()) {
      os::RemoveFile(d);
      outcomes_.Moved(w.row, w.source, earlier->second);
      return;
    }
    why = K::kRemovedCopyHolds;
    outcome = FileOutcome::kMoved;
  } else if ((reread = SinceCopied(w, *source)) == os::kSourceChanged) {
    why = K::kChangedCopyHolds;
    outcome = FileOutcome::kKeptBoth;
  } else if (reread) {
    why = K::kNotReadAgain, code = reread.code();
    outcome = FileOutcome::kKeptBoth;
  } else if (outcomes_.Leave(w.row, FileOutcome::kMoved, w.source, d, d);
             int error = os::RemoveFile(w.source)) {
    why = K::kNotRemoved, code = error;
    outcome = FileOutcome::kKeptBoth;
  } else {
    moved_away_[w.file->source_facts().id] = d;
    outcomes_.Moved(w.row, w.source, d, DateNote(w.file->dates_kept(), d));
    return;
  }
  const TransferError what = Found(why, w.source, d, code);
  if (outcome == FileOutcome::kMoved)
    outcomes_.Moved(w.row, w.source, d, {}, what, FileOutcome::Box::kMove);
  else
    outcomes_.Done(w.row, outcome, w.source, outcome == FileOutcome::kNotMoved ? w.source : d, what,
                   FileOutcome::Box::kMove);
}

bool DurableBatch::NameWritten() {
  bool named = false;
  for (Work& w : work_) {
    if (w.state != State::kWritten) continue;
    // A checked copy is named only once it reads back as it was written.
    if (const os::Error error = w.file->ReadBack(between_chunks_)) {
      GiveUp(w, Classify(error, w.source, w.file->destination()));
      continue;
    }
    std::string name = w.file->destination();
    const auto there = w.replace ? os::Examine(name) : std::nullopt;
    const TransferKind kind = w.move ? TransferKind::kMove : TransferKind::kCopy;
    // Asked again now: the file there may have become a ticked source.
    if (!w.move && there && names_.MustKeep(name, *there, kind)) {
      GiveUp(w, Found(TransferError::Kind::kClash, w.source, name, EEXIST));
      continue;
    }
    const int error = names_.Take(kind, name, there, Publishing(*w.file));
    if (error != 0) {
      GiveUp(w, Classify(error, w.source, w.file->destination()));
      continue;
    }
    names_.Remember(w.file->destination(), w.file->facts(),
                    w.move ? NamePlanner::Guard::kMoved : NamePlanner::Guard::kCopied);
    // A move's source goes, and a copy on a drive whose flush is not trusted
    // is told done, once its name is on disk.
    if (w.move || untrusted_.Folder(FolderOf(w.file->destination()))) {
      w.state = State::kNamed;
      named = true;
    } else {
      Complete(w);
    }
  }
  return named;
}

void DurableBatch::Flush() {
  if (!work_.empty()) {
    // The new content reaches the disk before it takes any old file's place.
    // A source goes only when its destination is on disk under its name, is
    // the file written and holds all of it, and the source is still what
    // was copied: an edit made since exists nowhere else.
    if (SyncAll(true) && (!NameWritten() || SyncAll(false))) {
      for (Work& w : work_) {
        if (w.state != State::kNamed) continue;
        outcomes_.ui().Yield();
        Complete(w);
      }
    }
    work_.clear();
    moved_away_.clear();
    names_.PromisesKept();
    bytes_ = 0;
  }
  // The names made where the file system's own flush is not trusted; a
  // rename whose folder could not be flushed may be undone by a power cut.
  std::map<std::string, int> synced;
  for (const Rename& r : renamed_) {
    auto [folder, added] = synced.try_emplace(FolderOf(r.path), 0);
    if (added) folder->second = os::SyncFolder(folder->first);
    if (folder->second == 0) {
      outcomes_.Moved(r.row, r.source, r.path, r.note);
      continue;
    }
    outcomes_.Moved(
        r.row, r.source, r.path, r.note,
        With(Classify(folder->second, r.source, r.path), TransferError::Then::kMayStillBeAt),
        FileOutcome::Box::kMove);
  }
  renamed_.clear();
}

void DurableBatch::Renamed(std::size_t row, const std::string& source, const std::string& path,
                           TransferError note) {
  renamed_.push_back({row, source, path, std::move(note)});
  if (renamed_.size() >= kBatchFiles) Flush();
}
