#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/ui_services.h"

// Writes one line per row, each ending in CR LF, to a temporary file beside
// path and renames it over path only when complete. Throws on failure; the
// old file then stays as it was.
void SaveLines(const std::string& path, std::size_t count,
               const std::function<std::string_view(std::size_t)>& line, UiServices& ui);
