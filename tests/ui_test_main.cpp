#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>

#include "fs/platform.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef SCALE_FACTOR
  // Set here, not by ctest: Wine passes no QT_ variable on to Windows programs.
  qputenv("QT_SCALE_FACTOR", SCALE_FACTOR);
  // A 1280 by 1024 screen, named relatively: the platform's options split at colons.
  QFile screen("small-screen.json");
  if (!screen.open(QIODevice::WriteOnly) || screen.write(R"({"screens": [{"name": "s", "x": 0,
      "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96}]})") < 0)
    return 1;
  screen.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=small-screen.json");
#endif
  os::InitLocalTime();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
