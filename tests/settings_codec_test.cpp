#include "app/settings_codec.h"

#include <gtest/gtest.h>

#include "app/failure.h"

TEST(SettingsCodec, Flags) {
  struct Case {
    const char* text;
    bool value;
  } cases[] = {{"True", true}, {"False", false}, {"TRUE", true}, {"false", false},
               {"1", true},    {"0", false},     {"-1", true},   {" 2.5 ", true}};
  for (const auto& c : cases) EXPECT_EQ(ParseFlag(c.text), c.value) << c.text;
  for (const char* bad : {"", "yes", "1x", "Tru", "\t1", "nan", "inf", "0x0", "-infinity"})
    EXPECT_THROW(ParseFlag(bad), Failure) << bad;
  EXPECT_EQ(FlagText(true), "True");
  EXPECT_EQ(FlagText(false), "False");
}
