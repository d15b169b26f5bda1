#include "fs/outcomes.h"

#include "fs/name_planner.h"

std::string DateNote(bool kept, const std::string& path) {
  return kept ? std::string()
              : path + " cannot keep the file's date: its file system cannot hold it";
}

void Outcomes::Done(std::size_t row, FileOutcome::What what, const std::string& source,
                    const std::string& path, std::string why, FileOutcome::Box box) {
  if (tell_) tell_({row, what, source, path, std::move(why), box});
}

void Outcomes::Copied(std::size_t row, const std::string& source, const os::NewFile& copied) {
  const std::string& d = copied.destination();
  Done(row, names_.Renamed(d) ? FileOutcome::kCopiedRenamed : FileOutcome::kCopied, source, d,
       DateNote(copied.dates_kept(), d));
}

void Outcomes::Moved(std::size_t row, const std::string& source, const std::string& moved,
                     std::string why, FileOutcome::Box box) {
  Done(row, names_.Renamed(moved) ? FileOutcome::kMovedRenamed : FileOutcome::kMoved, source, moved,
       std::move(why), box);
}
