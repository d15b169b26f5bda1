#include "results_page/export.h"

#include <cerrno>
#include <chrono>
#include <future>

#include "app/failure.h"
#include "fs/path_rules.h"
#include "fs/platform.h"

void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string(std::size_t)>& line, UiServices& ui) {
  const auto old = os::Examine(path);
  if (old && !old->regular) ThrowError(EISDIR);
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
  if (int error = done.get()) ThrowError(error);
}
