#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <cstdio>

#include "app/program_folder.h"
#include "app/qt_ui_services.h"
#include "app/settings_store.h"
#include "fs/platform.h"
#include "setup_page/form1.h"

namespace {

// Qt aborts when it finds no display; say what is missing instead.
bool DisplayAvailable() {
#if defined(Q_OS_LINUX)
  return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "Larkspur Suite needs a graphical display (X11 or Wayland), and none was found:\n"
                 "start it from a desktop session, or set DISPLAY or WAYLAND_DISPLAY.\n");
    return 1;
  }
  os::InitLocalTime();
  QApplication app(argc, argv);
  // Lets docks and task bars match the windows to the desktop entry.
  QGuiApplication::setDesktopFileName("com.vantrel.LarkspurSuite");
  QtUiServices ui;
  SettingsStore settings;
  Form1 form(ui, settings, ProgramFolder());
  form.Form_Load();
  form.MoveWithinScreen(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(),
                                            form.screen()->availableGeometry())
                            .topLeft(),
                        {});
  form.show();
  return app.exec();
}
