#include <gtest/gtest.h>

#include <QApplication>

#include "fs/platform.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef SCALE_FACTOR
  // Set here, not by ctest: Wine passes no QT_ variable on to Windows programs.
  qputenv("QT_SCALE_FACTOR", SCALE_FACTOR);
#endif
  os::InitLocalTime();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
