#include "app/window_utils.h"

#include <gtest/gtest.h>

TEST(WindowUtils, AppTitleDropsTheLastWordAndFitsForty) {
  struct Case {
    const char* product;
    const char* title;
  } cases[] = {
      {"Larkspur Suite", "Larkspur"},
      {"Alpha Beta Gamma", "Alpha Beta"},
      {"Single", "Single"},
      {"aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeee", "aaaaaaaaaa bbbbbbbbbb cccccccccc"},
      {"aaaaaaaaaa bbbbbbbbbb cccccccccc ddddddd eeee",
       "aaaaaaaaaa bbbbbbbbbb cccccccccc ddddddd"}};
  for (const auto& c : cases) EXPECT_EQ(AppTitleFrom(c.product), c.title) << c.product;
}
