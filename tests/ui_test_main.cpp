#include <gtest/gtest.h>

#include <QApplication>
#include <fstream>

#include "fs/platform.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef SCALE_FACTOR
  // Set here, not by ctest: Wine passes no QT_ variable on to Windows programs.
  qputenv("QT_SCALE_FACTOR", SCALE_FACTOR);
  // A 1280 by 1024 screen, named relatively: the platform's options split at colons.
  std::ofstream("small-screen.json") << R"({"screens": [{"name": "s", "width": 1280,
      "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96}]})";
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=small-screen.json");
#endif
  os::InitLocalTime();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
