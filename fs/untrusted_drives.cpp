#include "fs/untrusted_drives.h"

#include "fs/path_rules.h"
#include "fs/platform.h"

bool UntrustedDrives::Folder(const std::string& folder) {
  auto [it, added] = folders_.try_emplace(folder, false);
  if (added) it->second = !os::SyncReachesDisk(folder) || os::OnRemovableDrive(folder);
  return it->second;
}

bool UntrustedDrives::Source(std::uint64_t volume, const std::string& source) {
  auto [it, added] = volumes_.try_emplace(volume, false);
  if (added || volume == 0) it->second = Folder(FolderOf(source));
  return it->second;
}

bool UntrustedDrives::SourceFolder(const std::string& folder) {
  if (folder != last_source_folder_.first) {
    const auto facts = os::Examine(folder);
    last_source_folder_ = {folder, Source(facts ? facts->id.volume : 0, folder)};
  }
  return last_source_folder_.second;
}
