#include "results_page/export.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>

#include "app/failure.h"
#include "fs/path_rules.h"
#include "fs/platform.h"

namespace {

// What stands at path, a file system object other than a file, for a box.
std::string WhatIsAt(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path p(std::u8string(path.begin(), path.end()));
  const fs::file_status status = fs::symlink_status(p, error);
  if (fs::is_symlink(status))
    return fs::is_directory(fs::status(p, error)) ? "a link to a folder" : "a link";
  switch (status.type()) {
    case fs::file_type::directory:
      return "a folder";
    case fs::file_type::fifo:
      return "a FIFO";
    case fs::file_type::socket:
      return "a socket";
    case fs::file_type::block:
    case fs::file_type::character:
      return "a device";
    default:
      return "something other than a file";
  }
}

// The files this program saved, by name: a save started before another one
// to the same new name finished may replace what that one wrote, though
// nobody was asked, since the user chose that name for the list both times.
std::map<std::string, os::FileId>& SavedHere() {
  static std::map<std::string, os::FileId> saved;
  return saved;
}

}  // namespace

void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string(std::size_t)>& line, UiServices& ui) {
  const auto old = os::Examine(path);
  if (old && !old->regular)
    throw Failure("Path/File access error: " + path + " is " + WhatIsAt(path) +
                      ": the list is saved only as a file",
                  EISDIR);
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !os::IsFolder(folder))
    throw Failure("Path not found: the folder " + folder + " does not exist", ENOENT);
  // Read-only is refused as a copy refuses it, root or not.
  if (old && old->read_only) ThrowError(EACCES);
  os::RemoveStaleTemporaries(FolderOf(path));
  os::NewFile out;
  if (int error = out.Create(path, old ? std::optional<unsigned>(old->mode) : std::nullopt))
    ThrowError(error);
  for (std::size_t i = 0; i < count; ++i) {
    ui.Yield();
    out.Append(line(i));
    out.Append("\r\n");
  }
  // Flushing a long list, and letting go of the one it replaces, take a
  // while: the window keeps its events meanwhile.
  auto done = std::async(std::launch::async, [&out, replace = old.has_value()] {
    const int error = out.Sync();
    return error != 0 ? error : out.Publish(replace);
  });
  while (done.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) ui.Yield();
  int error = done.get();
  if (error == EEXIST && !old) {
    const auto now = os::Examine(path);
    const auto saved = SavedHere().find(path);
    if (now && saved != SavedHere().end() && saved->second == now->id) error = out.Publish(true);
    if (error == EEXIST)
      throw Failure(
          "File already exists: " + path +
              " was made by another program while the list was saved; it is kept as it is",
          EEXIST);
  }
  if (error != 0) ThrowError(error);
  SavedHere()[path] = out.facts().id;
}
