#include "fs/file_transfer.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "app/failure.h"
#include "app/failure_trap.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"

namespace {

#ifdef _WIN32
constexpr const char* kWildcards = "*?";
#else
constexpr const char* kWildcards = "";  // "?" and "*" are ordinary in Linux names
#endif

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

TransferRun::TransferRun(UiServices& ui)
    : ui_(ui), between_chunks_([this](std::uint64_t copied) {
        if (copied != 0) ui_.CopiedBytes(copied);
        ui_.Yield();
      }) {}

TransferRun::~TransferRun() = default;

bool TransferRun::HoldsKept(const std::string& s, const std::string& d, TransferKind kind) {
  if (names_.Promised(d)) Flush();
  const Destination there = LookAfresh(s, d);
  looked_ = {d, there};
  if (!there.facts || there.is_source) return false;  // the file itself: left where it is
  return names_.MustKeep(d, *there.facts, kind);
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

void TransferRun::NotDone(TransferKind kind, const std::string& source,
                          const std::string& destination, const std::string& why, bool boxed) {
  outcomes_.Done(row_,
                 kind == TransferKind::kMove ? FileOutcome::kNotMoved : FileOutcome::kNotCopied,
                 source, destination, why, boxed);
}

std::string TransferRun::PlaceForCopy(const std::string& source, const std::string& destination) {
  if (names_.keeps_existing()) return PlaceForMove(source, destination);
  CheckClash(source, destination, TransferKind::kCopy);
  return NormalizeSlashes(destination);
}

std::string TransferRun::PlaceForMove(const std::string& source, const std::string& destination) {
  const std::string d = NormalizeSlashes(destination);
  if (!HoldsKept(NormalizeSlashes(source), d, TransferKind::kMove)) return d;
  std::string numbered = names_.NextName(d);
  looked_ = {numbered, Destination{std::nullopt, false}};
  return numbered;
}

int TransferRun::Nameable(const std::string& path) {
  std::string folder = FolderOf(path);
  // A folder still to be made takes what its parent takes.
  if (names_.planning() && names_.planned().Made(folder)) {
    folder = FolderOf(folder.substr(0, folder.size() - 1));
    if (folder.empty()) folder = std::string(".") + os::kSeparator;
  }
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
  const int error = names_.planning() ? EPERM : os::OpenToRead(d, at_name);
  if (error == 0) first = at_name.facts;
  if (error != 0 && error != ENOENT) first = Facts(d);
  if (!first) return false;
  os::OpenedFile self;
  if ((names_.planning() && !Facts(source)) || os::OpenToRead(source, self) != 0 ||
      !self.facts.regular)
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
    const int unread =
        n == 1 && at_name.handle.valid()
            ? os::DigestOfOpen(at_name, theirs, between_chunks_)
            : os::DigestOfFile(names_.planned().Content(there), theirs, between_chunks_);
    at_name.handle.reset();
    if (unread != 0 || theirs != *mine) continue;
    if (kind == TransferKind::kMove) {
      if (names_.planning()) {
        names_.planned().Gone(source);
      } else if (outcomes_.Leave(row_, FileOutcome::kAlreadyThere, source, there, there);
                 int error = os::RemoveFile(source)) {
        const std::string what = source + " is already gathered as " + there +
                                 ", but it could not be removed (" + DescribeError(error) +
                                 "): the file is in both places";
        outcomes_.ReportMove(what);
        outcomes_.Done(row_, FileOutcome::kKeptBoth, source, there, what, true);
        return true;
      }
    }
    outcomes_.Done(row_, FileOutcome::kAlreadyThere, source, there);
    return true;
  }
}

CopyResult TransferRun::PlanCopy(const std::string& source, const std::string& destination) {
  const auto self = Facts(source);
  const int error = !self ? ENOENT : Nameable(destination);
  if (error != 0) return {WhyNot(error, source, destination)};
  names_.planned().Copy(source, *self, destination);
  names_.Remember(destination, *names_.planned().Facts(destination), NamePlanner::Guard::kCopied);
  outcomes_.Done(row_,
                 names_.Renamed(destination) ? FileOutcome::kCopiedRenamed : FileOutcome::kCopied,
                 source, destination);
  return {};
}

int TransferRun::Rename(const std::string& source, const std::string& destination, bool replace,
                        const os::FileFacts& file) {
  if (!names_.planning()) {
    BeforeRename(source, file, destination);
    return os::Rename(source, destination, replace, file.id.volume);
  }
  if (int error = Nameable(destination)) return error;
  if (!os::CanWriteIn(FolderOf(source))) return EACCES;
  const auto there = Facts(destination);
  if (there && !replace) return EEXIST;
  if (there && IsFolder(destination)) return EISDIR;
  names_.planned().Move(source, file, destination);
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
  if (!IsFolder(folder) && !(names_.planning() && names_.planned().Made(folder))) return false;
  last_folder_ = folder;
  if (!names_.planning()) {
    turns_ = std::make_unique<os::FolderTurns>(folder);
    os::RemoveStaleTemporaries(folder);
  }
  return true;
}

bool TransferRun::ReadAgain(const std::string& source) {
  return verify_ || untrusted_.SourceFolder(FolderOf(source));
}

bool TransferRun::Checked(const std::string& source, const std::string& destination) {
  return untrusted_.Folder(FolderOf(destination)) || ReadAgain(source);
}

CopyResult TransferRun::Copy(const std::string& source, const std::string& destination) {
  const Destination there = Look(source, destination);
  if (there.is_source) {
    outcomes_.Done(row_, FileOutcome::kInPlace, source, destination);
    return {};
  }
  if (there.facts && !there.facts->regular) return {destination + " is not a file"};
  if (there.facts && there.facts->read_only) return {destination + " is read-only"};
  if (names_.planning()) return PlanCopy(source, destination);
  // A replacement, or a new file on a file system whose own flush is not
  // trusted, is named once it is on disk: with others, so their flushes are few.
  // Where either side may not be trusted, the copy is checked by its bytes:
  // the source read again (a stick may note no change), the copy read back.
  const bool untrusted = untrusted_.Folder(FolderOf(destination));
  // The source is read again only where it could change unnoticed.
  const bool reread = ReadAgain(source);
  const bool checked = untrusted || reread;
  const bool wait = there.facts || checked;
  auto file = std::make_unique<os::NewFile>();
  int error = file->Create(destination, std::nullopt);
  if (error == 0) error = file->CopyFrom(source, between_chunks_, checked);
  if (error == 0 && reread) error = os::SameContent(source, *file->digest(), between_chunks_);
  if (error == 0 && wait) {
    batch_.Add({std::move(file), source, false, there.facts.has_value(), row_,
                DurableBatch::State::kWritten});
    return {};
  }
  if (error == 0) error = file->Publish(false);
  for (; error == EEXIST && names_.keeps_existing(); error = file->Publish(false))
    file->Retarget(names_.NextName(file->destination()));
  if (error != 0) return {WhyNot(error, source, destination)};
  names_.Remember(file->destination(), file->facts(), NamePlanner::Guard::kCopied);
  outcomes_.Copied(row_, source, *file);
  return {};
}

void TransferRun::RenameDone(const std::string& source, const os::FileFacts& file,
                          const std::string& d) {
  names_.Remember(d, file, NamePlanner::Guard::kMoved);  // a rename keeps the file's identity
  const bool untrusted = !names_.planning() && untrusted_.Folder(FolderOf(d));
  outcomes_.Moved(row_, source, d, DateNote(!untrusted || os::KeepDates(d, file), d));
  if (untrusted) batch_.SyncFolderLater(FolderOf(d));
}

void TransferRun::BeforeRename(const std::string& source, const os::FileFacts& file,
                               const std::string& d) {
  if (!outcomes_.recording()) return;
  // Told only where the rename can be what moves it, not a copy after it:
  // each destination folder's drive is asked once.
  if (auto& [folder, volume] = renamed_into_; folder != FolderOf(d)) {
    folder = FolderOf(d);
    const auto facts = os::Examine(folder);
    volume = facts ? facts->id.volume : 0;
  }
  if (renamed_into_.second == file.id.volume)
    outcomes_.Leave(row_, FileOutcome::kMoved, source, d, source);
}

bool TransferRun::MoveToFreeName(const std::string& source, const std::string& destination) {
  const std::string s = NormalizeSlashes(source), d = NormalizeSlashes(destination);
  // A file already in the destination folder is for the full course, which
  // knows it by its identity: a rename onto itself may succeed doing nothing.
  const std::string from = FolderOf(s), to = FolderOf(d);
  if (names_.planning() || names_.Promised(d) ||
      (from.size() == to.size() && os::FoldCase(from) == os::FoldCase(to)))
    return false;
  const auto file = os::Examine(s);
  if (!file || !file->regular || !IsDestinationFolder(FolderOf(d)) ||
      apart_ == std::pair{last_folder_, file->id.volume})
    return false;
  BeforeRename(s, *file, d);
  const int error = os::Rename(s, d, false, file->id.volume);
  if (error == EXDEV) apart_ = {last_folder_, file->id.volume};
  if (error != 0) return false;
  RenameDone(s, *file, d);
  return true;
}

void TransferRun::Move(const std::string& source, const os::FileFacts& file,
                       const std::string& destination, const std::optional<os::FileFacts>& there) {
  std::string d = destination;
  std::optional<os::FileFacts> old = there;
  // What is there may have become a file to keep (ticked) while the window
  // had its events: the newcomer then takes a numbered name.
  if (old && names_.MustKeep(d, *old, TransferKind::kMove)) {
    d = names_.NextName(destination);
    old.reset();
  }
  int error = Rename(source, d, old.has_value(), file);
  // Another program took the name meanwhile: the next free one.
  for (; error == EEXIST && names_.keeps_existing(); error = Rename(source, d, false, file))
    d = names_.NextName(d);
  if (error == 0) {
    RenameDone(source, file, d);
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
  // Where a read may go wrong unnoticed, the source is read again before its
  // copy is named, as a copy's is: nothing that fails its check is named.
  if (error == 0 && ReadAgain(source))
    error = os::SameContent(source, *copy->digest(), between_chunks_);
  if (error == 0 && !wait) error = copy->Publish(false);
  for (; error == EEXIST && names_.keeps_existing() && !wait; error = copy->Publish(false))
    copy->Retarget(names_.NextName(copy->destination()));
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
  if (!wait) names_.Remember(d, copy->facts(), NamePlanner::Guard::kMoved);
  batch_.Add({std::move(copy), source, true, old.has_value(), row_,
              wait ? DurableBatch::State::kWritten : DurableBatch::State::kNamed});
}

CopyResult CopyFileChecked(const std::string& source, const std::string& destination,
                           TransferRun& run) {
  if (IsBlank(source) || IsBlank(destination)) return {"Bad file name"};
  const std::string s = NormalizeSlashes(source), d = NormalizeSlashes(destination);
  // No file's name on Windows holds a wildcard. Whether the source is a file
  // is told by the copy's own opening of it.
  if (s.find_first_of(kWildcards) != std::string::npos) return {"File not found: the file is gone"};
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
