// Page 1 as a user first sees it, measured with the font the program
// resolves on this machine: every caption must fit the control that shows
// it. Run by the package check, where only the package's fonts are present.
#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>

#include "app/qt_ui_services.h"
#include "app/settings_store.h"
#include "setup_page/form1.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir home;
  SettingsStore settings(home.filePath("settings.ini"));
  QtUiServices ui;
  Form1 form(ui, settings, QString());
  form.Form_Load();
  int clipped = 0;
  auto check = [&](QWidget* w, const QString& text, int needed) {
    if (!w->isVisibleTo(&form) || text.isEmpty()) return;
    const bool fits = needed <= w->width();
    std::printf("%-4s %-40s needs %3d of %3d px (%s)\n", fits ? "ok" : "CUT", qPrintable(text),
                needed, w->width(), qPrintable(QFontInfo(w->font()).family()));
    clipped += !fits;
  };
  for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
    if (!b->inherits("QPushButton")) check(b, b->text(), b->sizeHint().width());
  for (QLabel* l : form.findChildren<QLabel*>())
    if (!l->wordWrap()) check(l, l->text(), l->sizeHint().width());
  return clipped == 0 ? 0 : 1;
}
