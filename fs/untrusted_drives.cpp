#include "fs/untrusted_drives.h"

#include "fs/platform.h"

bool UntrustedDrives::Folder(const std::string& folder) {
  auto [it, added] = folders_.try_emplace(folder, false);
  if (added) it->second = !os::SyncReachesDisk(folder) || os::OnRemovableDrive(folder);
  return it->second;
}

bool UntrustedDrives::SourceFolder(const std::string& folder) {
  if (folder == last_source_folder_.first) return last_source_folder_.second;
  const auto facts = os::Examine(folder);
  auto [it, added] = volumes_.try_emplace(facts ? facts->id.volume : 0, false);
  if (added || !facts) it->second = Folder(folder);
  last_source_folder_ = {folder, it->second};
  return it->second;
}
