#include "results_page/clipboard_text.h"

#include <vector>

std::size_t CharacterCount(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::optional<std::string> ClipboardText(const ListView& list, UiServices* ui) {
  if (list.rows == 0) return std::nullopt;
  std::vector<std::size_t> widths(list.columns, 0);
  for (std::size_t c = 0; c < list.columns; ++c) {
    for (std::size_t r = 0; r < list.rows; ++r) {
      if (ui != nullptr) ui->Yield();
      widths[c] = std::max(widths[c], CharacterCount(list.cell(r, c)));
    }
  }
  std::string text;
  for (std::size_t r = 0; r < list.rows; ++r) {
    if (ui != nullptr) ui->Yield();
    if (!list.ticked(r)) continue;
    const std::size_t line_start = text.size();
    for (std::size_t c = 0; c < list.columns; ++c) {
      std::string_view cell = list.cell(r, c);
      text += cell;
      // A cell that grew while the window was served is no narrower than its column.
      const std::size_t length = CharacterCount(cell);
      if (length < widths[c]) text.append(widths[c] - length, ' ');
      text += '\t';
    }
    if (text.size() > line_start) text.pop_back();
    // Blanks are trimmed from the end of the whole text, as the original did.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    text += "\r\n";
  }
  return text;
}
