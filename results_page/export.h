#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/ui_services.h"

// Writes one line per row, each ending in CR LF, to a new file that takes
// path's name only once it is complete and on disk. A read-only file is not
// replaced. Throws on failure; the old file then stays as it was.
void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string(std::size_t)>& line, UiServices& ui);
