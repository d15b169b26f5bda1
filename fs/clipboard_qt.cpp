#include "fs/clipboard_qt.h"

#include <QClipboard>
#include <QGuiApplication>

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

void CopyListViewToClipboard(const ListView& list, UiServices& ui) {
  auto text = ClipboardText(list, &ui);
  if (!text) return;
  ClearClipboard();
  SetClipboardText(QString::fromStdString(*text));
}
