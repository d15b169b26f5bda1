#include "app/date_locale.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <string>

#include "fs/file_times.h"

TEST(DateLocale, DateTextFollowsEachLocalesOwnPatterns) {
  const DateValue value = DaysFromCivil(2024, 3, 5) + (14 * 3600 + 7 * 60 + 9) / 86400.0;
  struct Case {
    const char* locale;
    std::string text;
  } cases[] = {
      {"en_US", "3/5/2024 2:07:09 PM"},
      {"de_DE", "05.03.2024 14:07:09"},
      {"ko_KR", "2024. 3. 5. \xec\x98\xa4\xed\x9b\x84 2\xec\x8b\x9c 7\xeb\xb6\x84 9\xec\xb4\x88"},
      {"fa_IR", "2024/3/5 14:07:09"},
      {"ja_JP",
       "2024/03/05 14\xe6\x99\x82"
       "07\xe5\x88\x86"
       "09\xe7\xa7\x92"}};
  for (const auto& c : cases)
    EXPECT_EQ(DateText(value, DatePatternsOf(QLocale(c.locale))), c.text) << c.locale;
}
