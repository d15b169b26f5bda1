#include "results_page/clipboard_qt.h"

#include <QClipboard>
#include <QGuiApplication>

#include "app/failure.h"

namespace {
constexpr int kAttempts = 1000;
}

void ClearClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (int i = 0; i < kAttempts; ++i) {
    clipboard->clear();
    if (clipboard->text().isEmpty()) return;
  }
}

bool SetClipboardText(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (int i = 0; i < kAttempts; ++i) {
    clipboard->setText(text);
    if (clipboard->text() == text) return true;
  }
  return false;
}

bool CopyListViewToClipboard(const ListView& list, UiServices& ui) {
  auto text = ClipboardText(list, &ui);
  if (!text || text->empty()) return false;
  ClearClipboard();
  if (!SetClipboardText(QString::fromStdString(*text))) throw Failure("Can't open Clipboard");
  return true;
}
