#include <QApplication>
#include <QScreen>
#include <QStyle>

#include "app/program_folder.h"
#include "app/qt_ui_services.h"
#include "app/settings_store.h"
#include "fs/platform.h"
#include "setup_page/form1.h"

int main(int argc, char* argv[]) {
  os::InitLocalTime();
  QApplication app(argc, argv);
  QtUiServices ui;
  SettingsStore settings;
  Form1 form(ui, settings, ProgramFolder());
  form.Form_Load();
  form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(),
                                       form.screen()->availableGeometry()));
  form.show();
  return app.exec();
}
