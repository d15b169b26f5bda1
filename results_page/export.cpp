#include "results_page/export.h"

#include "app/failure.h"
#include "fs/platform.h"

void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string_view(std::size_t)>& line, UiServices& ui) {
  os::AtomicWriter out;
  if (int error = out.Open(path)) ThrowError(error);
  for (std::size_t i = 0; i < count; ++i) {
    ui.Yield();
    out.Append(line(i));
    out.Append("\r\n");
  }
  if (int error = out.Commit()) ThrowError(error);
}
