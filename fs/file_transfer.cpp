#include "fs/file_transfer.h"

#include <cerrno>
#include <utility>

#include "fs/folder_walk.h"
#include "fs/path_rules.h"

TransferRun::TransferRun(UiServices& ui)
    : ui_(ui), between_chunks_([this](std::uint64_t copied) {
        if (copied != 0) ui_.CopiedBytes(copied);
        ui_.Yield();
      }) {}

TransferRun::~TransferRun() = default;

using Action = TransferStep::Action;

TransferError TransferRun::RenameRefused(int error, const std::string& source,
                                         const std::string& d) {
  // A folder this user may not change keeps its files: that, not the
  // destination, is what refuses, and across file systems no copy is made.
  if ((error == EACCES || error == EPERM || error == EXDEV) && os::CanWriteIn(FolderOf(d)) &&
      !os::CanWriteIn(FolderOf(source)))
    return Found(TransferError::Kind::kCannotLeaveFolder, source, d, EACCES);
  return Classify(error, source, d);
}

void TransferRun::NotDone(TransferKind kind, const std::string& source,
                          const std::string& destination, TransferError error, bool boxed) {
  outcomes_.Done(
      row_, kind == TransferKind::kMove ? FileOutcome::kNotMoved : FileOutcome::kNotCopied, source,
      destination, std::move(error), boxed ? FileOutcome::Box::kShown : FileOutcome::Box::kNone);
}

bool TransferRun::EnterFolder(const std::string& folder) {
  if (folder == turns_folder_) return true;
  if (!FolderStands(folder)) return false;
  turns_folder_ = folder;
  turns_ = std::make_unique<os::FolderTurns>(folder);
  os::RemoveStaleTemporaries(folder);
  return true;
}

CopyResult TransferRun::Execute(const TransferStep& step) {
  const std::string &s = step.source, &d = step.name;
  switch (step.action) {
    case Action::kCopy:
      return Copy(step);
    case Action::kMove:
      return Move(step);
    case Action::kPassOver:
      PassOver(step);
      break;
    case Action::kDropSecondName:
      if (const int error = os::RemoveFile(s))
        return {Found(TransferError::Kind::kSecondNameStays, s, d, error)};
      outcomes_.Done(row_, FileOutcome::kMoved, s, d);
      break;
    default:  // carried out by Carry
      break;
  }
  return {};
}

void TransferRun::PassOver(const TransferStep& step) {
  const std::string &s = step.source, &there = step.name;
  if (step.kind == TransferKind::kMove) {
    outcomes_.Leave(row_, FileOutcome::kAlreadyThere, s, there, there);
    if (const int error = os::RemoveFile(s)) {
      outcomes_.Done(row_, FileOutcome::kKeptBoth, s, there,
                     Found(TransferError::Kind::kGatheredStays, s, there, error),
                     FileOutcome::Box::kMove);
      return;
    }
  }
  outcomes_.Done(row_, FileOutcome::kAlreadyThere, s, there);
}

bool TransferRun::ReadAgain(const std::string& source) {
  return verify_ || untrusted_.SourceFolder(FolderOf(source));
}

bool TransferRun::Checked(const std::string& source, const std::string& destination) {
  return untrusted_.Folder(FolderOf(destination)) || ReadAgain(source);
}

CopyResult TransferRun::Copy(const TransferStep& step) {
  const std::string& source = step.source;
  std::string destination = step.name;
  EnterFolder(FolderOf(destination));
  // A replacement, or a new file on a file system whose own flush is not
  // trusted, is named once it is on disk: with others, so their flushes are few.
  // Where either side may not be trusted, the copy is checked by its bytes:
  // the source read again (a stick may note no change), the copy read back.
  const bool untrusted = untrusted_.Folder(FolderOf(destination));
  // The source is read again only where it could change unnoticed.
  const bool reread = ReadAgain(source);
  const bool checked = untrusted || reread;
  const bool wait = step.there || checked;
  auto file = std::make_unique<os::NewFile>();
  os::Error error = file->Create(destination, std::nullopt);
  if (!error) error = file->CopyFrom(source, between_chunks_, checked);
  if (error == 0 && reread) error = os::SameContent(source, *file->digest(), between_chunks_);
  if (error == 0 && wait) {
    batch_.Add({std::move(file), source, false, step.there.has_value(), row_,
                DurableBatch::State::kWritten});
    return {};
  }
  if (error == 0)
    error = names_.Take(TransferKind::kCopy, destination, std::nullopt, Publishing(*file));
  if (error != 0) return {Classify(error, source, destination)};
  names_.Remember(file->destination(), file->facts(), NamePlanner::Guard::kCopied);
  outcomes_.Copied(row_, source, *file);
  return {};
}

void TransferRun::RenameDone(const std::string& source, const os::FileFacts& file,
                             const std::string& d) {
  names_.Remember(d, file, NamePlanner::Guard::kMoved);  // a rename keeps the file's identity
  if (!untrusted_.Folder(FolderOf(d))) return outcomes_.Moved(row_, source, d);
  batch_.Renamed(row_, source, d, DateNote(os::KeepDates(d, file), d));
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

bool TransferRun::RenameUnlooked(const TransferStep& step) {
  const std::string &s = step.source, &d = step.name;
  const auto file = os::Examine(s);
  if (!file || !file->regular || !EnterFolder(FolderOf(d)) ||
      apart_ == std::pair{turns_folder_, file->id.volume})
    return false;
  BeforeRename(s, *file, d);
  const int error = os::Rename(s, d, false, file->id.volume);
  if (error == EXDEV) apart_ = {turns_folder_, file->id.volume};
  if (error != 0) return false;
  RenameDone(s, *file, d);
  return true;
}

CopyResult TransferRun::Move(const TransferStep& step) {
  const std::string& source = step.source;
  const os::FileFacts& file = *step.file;
  std::string d = step.name;
  EnterFolder(FolderOf(d));
  // What is there may have become a file to keep (ticked) while the window
  // had its events: the newcomer then takes a numbered name.
  int error =
      names_.Take(TransferKind::kMove, d, step.there, [&](const std::string& name, bool replace) {
        BeforeRename(source, file, name);
        return os::Rename(source, name, replace, file.id.volume);
      });
  if (error == 0) {
    RenameDone(source, file, d);
    return {};
  }
  if (error != EXDEV || (os::CanWriteIn(FolderOf(d)) && !os::CanWriteIn(FolderOf(source))))
    return {RenameRefused(error, source, d)};
  // Across file systems: a copy first; the source goes once the copy is safe
  // (checked by its bytes, read back, where a side may not be trusted).
  const bool replace = step.there && d == step.name;
  const bool checked = Checked(source, d);
  const bool wait = replace || checked;
  auto copy = std::make_unique<os::NewFile>();
  os::Error copied = copy->Create(d, std::nullopt);
  if (!copied) copied = copy->CopyFrom(source, between_chunks_, checked);
  // Where a read may go wrong unnoticed, the source is read again before its
  // copy is named, as a copy's is: nothing that fails its check is named.
  if (!copied && ReadAgain(source))
    copied = os::SameContent(source, *copy->digest(), between_chunks_);
  if (!copied && !wait)
    copied = names_.Take(TransferKind::kMove, d, std::nullopt, Publishing(*copy));
  d = copy->destination();
  if (copied == os::kSourceChanged)
    return {Found(os::Examine(source) ? TransferError::Kind::kChangedDuringMove
                                      : TransferError::Kind::kRemovedDuringMove,
                  source, d)};
  if (copied) return {With(Classify(copied, source, d), TransferError::Then::kNothingMoved)};
  if (!wait) names_.Remember(d, copy->facts(), NamePlanner::Guard::kMoved);
  batch_.Add({std::move(copy), source, true, replace, row_,
              wait ? DurableBatch::State::kWritten : DurableBatch::State::kNamed});
  return {};
}
