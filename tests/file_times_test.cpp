#include "fs/file_times.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

#include "tests/test_tree.h"

namespace {

class LocalZone {
 public:
  explicit LocalZone(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~LocalZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

std::time_t Utc(int y, int mo, int d, int h, int mi, int s) {
  return static_cast<std::time_t>(DaysFromCivil(y, mo, d) - DaysFromCivil(1970, 1, 1)) * 86400 +
         h * 3600 + mi * 60 + s;
}

const DatePatterns kIso{"yyyy-MM-dd", "HH:mm:ss"};

}  // namespace

TEST(FileTimes, LocalTimeUsesTheOffsetOfTheFilesOwnDate) {
  LocalZone berlin("Europe/Berlin");
  struct Case {
    std::time_t utc;
    const char* text;
  } cases[] = {
      {Utc(2021, 7, 15, 12, 0, 0), "2021-07-15 14:00:00"},  // summer time, read in any season
      {Utc(2021, 1, 15, 12, 0, 0), "2021-01-15 13:00:00"},
      {Utc(9999, 12, 31, 10, 30, 0), "9999-12-31 11:30:00"},  // the last year a date holds
      {Utc(2021, 1, 14, 23, 0, 0), "2021-01-15"},  // local midnight: date alone
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateText(FileTimeToLocalDate({c.utc, 0}), kIso), c.text);
  }
}

TEST(FileTimes, OutOfRangeTimesGiveDayZero) {
  LocalZone utc("UTC");
  EXPECT_EQ(FileTimeToLocalDate({Utc(10000, 1, 2, 0, 0, 0), 0}), 0);
  EXPECT_EQ(FileTimeToLocalDate({Utc(50, 1, 1, 0, 0, 0), 0}), 0);
  EXPECT_EQ(FileTimeToLocalDate({Utc(100, 1, 1, 0, 0, 0), 0}), DaysFromCivil(100, 1, 1));
}

TEST(FileTimes, TheThreeQueriesReadTheirOwnField) {
  LocalZone utc("UTC");
  TestTree t;
  t.File("f.txt");
  struct timespec times[2] = {{Utc(2020, 3, 1, 10, 0, 0), 0}, {Utc(2019, 5, 6, 7, 8, 9), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, t.Path("f.txt").c_str(), times, 0), 0);
  // As a walk reads them.
  os::FileStamps stamps;
  ASSERT_EQ(os::ListFolder(t.root(), true, nullptr,
                           [&](std::string_view, const os::FileStamps& s) { stamps = s; }),
            0);
  EXPECT_EQ(DateText(*DateOf(stamps, DateKind::kAccessed), kIso), "2020-03-01 10:00:00");
  EXPECT_EQ(DateText(*DateOf(stamps, DateKind::kModified), kIso), "2019-05-06 07:08:09");
  auto created = DateOf(stamps, DateKind::kCreated);
  if (created) {
    EXPECT_GE(*created, DaysFromCivil(2020, 1, 1));
  }
}
