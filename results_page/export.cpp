#include "results_page/export.h"

#include <cerrno>

#include "app/failure.h"
#include "fs/platform.h"

void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string(std::size_t)>& line, UiServices& ui) {
  const auto old = os::Examine(path);
  if (old && !old->regular) ThrowError(EISDIR);
  // Read-only is refused as a copy refuses it, root or not.
  if (old && old->read_only) ThrowError(EACCES);
  os::NewFile out;
  if (int error = out.Create(path, old ? std::optional<unsigned>(old->mode) : std::nullopt))
    ThrowError(error);
  for (std::size_t i = 0; i < count; ++i) {
    ui.Yield();
    out.Append(line(i));
    out.Append("\r\n");
  }
  if (int error = out.Sync()) ThrowError(error);
  if (int error = out.Publish(old.has_value())) ThrowError(error);
}
