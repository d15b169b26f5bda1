#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>

#include "fs/platform.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef SCALE_FACTOR
  // Set here, not by ctest: Wine passes no QT_ variable on to Windows programs.
  qputenv("QT_SCALE_FACTOR", SCALE_FACTOR);
  // A screen of 1280 by 1024 pixels, as a small monitor has; named by a
  // relative path, since the platform's options are split at colons.
  const QString screen = "larkspur-screen.json";
  QFile config(screen);
  if (!config.open(QIODevice::WriteOnly) ||
      config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1280,
                   "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
    return 1;
  config.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen).toUtf8());
#endif
  os::InitLocalTime();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
