#pragma once
#include <QString>

#include "results_page/clipboard_text.h"

// Empties the clipboard, trying up to 1000 times while another program holds it.
void ClearClipboard();
// Puts text on the clipboard with the same retry rule; true when it took.
bool SetClipboardText(const QString& text);
// The ticked rows as aligned text onto the clipboard; false when no row is
// ticked (the clipboard is left alone). Throws when the clipboard refuses.
bool CopyListViewToClipboard(const ListView& list, UiServices& ui);
