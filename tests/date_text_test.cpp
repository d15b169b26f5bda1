// Date values and their text: plain arithmetic, the same on every platform.
#include <gtest/gtest.h>

#include <vector>

#include "fs/file_times.h"

namespace {

const DatePatterns kIso{"yyyy-MM-dd", "HH:mm:ss"};

}  // namespace

TEST(DateText, DateTextRules) {
  struct Case {
    DateValue value;
    DatePatterns patterns;
    const char* text;
  } cases[] = {
      {0, kIso, "00:00:00"},
      {0.5, kIso, "12:00:00"},
      {1, kIso, "1899-12-31"},
      {DaysFromCivil(2024, 2, 29) + 0.5 + 30.0 / 1440, {"d/M/yyyy", "h:mm:ss AP"},
       "29/2/2024 12:30:00 PM"},
      {DaysFromCivil(2024, 2, 29) + 0.25, {"M/d/yy", "h:mm:ss ap"}, "2/29/24 6:00:00 am"},
      {DaysFromCivil(9999, 12, 31) + 0.75, {"dd.MM.yyyy", "HH:mm:ss"}, "31.12.9999 18:00:00"},
      {DaysFromCivil(1601, 1, 1) + 1.0 / 86400, kIso, "1601-01-01 00:00:01"},
      {double(DaysFromCivil(2000, 1, 1)), {"yyyy'年'M'月'd'日'", "HH:mm:ss"}, "2000年1月1日"},
      {DaysFromCivil(2025, 12, 7) + 0.5, {"d MMM yyyy", "HH:mm:ss"}, "7 Dec 2025 12:00:00"},
      {double(DaysFromCivil(2026, 12, 7)),
       {"dddd, d MMMM yyyy", "HH:mm"},
       "Monday, 7 December 2026"},
      {double(DaysFromCivil(1899, 12, 31)), {"ddd dd/MM/yyyy", "HH:mm"}, "Sun 31/12/1899"},
  };
  for (const auto& c : cases) EXPECT_EQ(DateText(c.value, c.patterns), c.text);
}

TEST(DateText, CalendarArithmetic) {
  EXPECT_EQ(DaysFromCivil(1899, 12, 30), 0);
  EXPECT_EQ(DaysFromCivil(1900, 1, 1), 2);
  EXPECT_EQ(DaysFromCivil(2021, 8, 31), 44439);
  EXPECT_EQ(DaysFromCivil(1601, 1, 1), -109205);
  int y, m, d;
  CivilFromDays(44439, y, m, d);
  EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{2021, 8, 31}));
  EXPECT_EQ(DayNumber(-0.5), -1);
  EXPECT_EQ(DayNumber(44439.9999), 44439);
}

TEST(DateText, NoCreationTimeRecordedGivesEmpty) {
  os::FileStamps stamps;
  stamps.modified = {1000, 0};
  EXPECT_FALSE(DateOf(stamps, DateKind::kCreated).has_value());
  stamps.has_created = true;
  EXPECT_TRUE(DateOf(stamps, DateKind::kCreated).has_value());
}
