#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/ui_services.h"

// A read-only view of a list: its size, its cells and its ticks.
struct ListView {
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::function<std::string_view(std::size_t row, std::size_t column)> cell;
  std::function<bool(std::size_t row)> ticked;
};

// The ticked rows as column-aligned text: each cell padded with blanks to
// its column's width (in characters, over all rows), a tab between cells,
// trailing blanks dropped, CR LF after each line. Empty when the list has no
// rows at all (the clipboard is then left alone).
std::optional<std::string> ClipboardText(const ListView& list, UiServices* ui = nullptr);

// The length of UTF-8 text in characters.
std::size_t CharacterCount(std::string_view text);
