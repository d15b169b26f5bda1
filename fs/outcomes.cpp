#include "fs/outcomes.h"

#include "fs/name_planner.h"

TransferError DateNote(bool kept, const std::string& path) {
  return kept ? TransferError() : Found(TransferError::Kind::kDateLost, {}, path);
}

void Outcomes::Done(std::size_t row, FileOutcome::What what, const std::string& source,
                    const std::string& path, TransferError error, FileOutcome::Box box) {
  if (tell_) tell_({row, what, source, path, std::move(error), {}, box});
}

void Outcomes::Copied(std::size_t row, const std::string& source, const os::NewFile& copied) {
  Copied(row, source, copied.destination(), DateNote(copied.dates_kept(), copied.destination()));
}

void Outcomes::Copied(std::size_t row, const std::string& source, const std::string& copied,
                      TransferError note) {
  const auto what = names_.Renamed(copied) ? FileOutcome::kCopiedRenamed : FileOutcome::kCopied;
  if (tell_) tell_({row, what, source, copied, {}, std::move(note), {}});
}

void Outcomes::Moved(std::size_t row, const std::string& source, const std::string& moved,
                     TransferError note, TransferError error, FileOutcome::Box box) {
  const auto what = names_.Renamed(moved) ? FileOutcome::kMovedRenamed : FileOutcome::kMoved;
  if (tell_) tell_({row, what, source, moved, std::move(error), std::move(note), box});
}
