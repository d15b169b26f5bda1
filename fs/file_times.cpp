#include "fs/file_times.h"

#include <chrono>
#include <cmath>

namespace {

// Day 0 of a date value.
constexpr std::chrono::sys_days kDay0 = std::chrono::year{1899} / 12 / 30;

// Appends value with leading zeros up to width digits; a list of a million
// dates is turned into text, so no string is made for a number. Every field
// of a date from year 100 on is positive.
void Pad(std::string& out, int value, std::size_t width) {
  char digits[16];
  std::size_t start = sizeof digits;
  auto rest = static_cast<unsigned>(value);
  do {
    digits[--start] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0 || sizeof digits - start < width);
  out.append(digits + start, sizeof digits - start);
}

struct Fields {
  int year, month, day, hour, minute, second;
  int weekday;  // 0 Monday
};

// Appends the pattern with its letters expanded; quoted text stands as it is.
void Expand(std::string& out, const std::string& pattern, const Fields& f,
            const DatePatterns& names) {
  for (std::size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    if (c == '\'') {
      std::size_t end = pattern.find('\'', i + 1);
      if (end == std::string::npos) end = pattern.size();
      if (end == i + 1)
        out += '\'';
      else
        out.append(pattern, i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    std::size_t n = 1;
    while (i + n < pattern.size() && pattern[i + n] == c) ++n;
    switch (c) {
      case 'd':
        if (n >= 4)
          out += names.long_days[f.weekday];
        else if (n == 3)
          out += names.short_days[f.weekday];
        else
          Pad(out, f.day, n);
        break;
      case 'M':
        if (n >= 4)
          out += names.long_months[f.month - 1];
        else if (n == 3)
          out += names.short_months[f.month - 1];
        else
          Pad(out, f.month, n);
        break;
      case 'y':
        if (n >= 4)
          Pad(out, f.year, 4);
        else
          Pad(out, f.year % 100, 2);
        break;
      case 'h': {
        const bool twelve = pattern.find_first_of("aA") != std::string::npos;
        const int hour12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
        Pad(out, twelve ? hour12 : f.hour, n >= 2 ? 2 : 1);
      } break;
      case 'H':
        Pad(out, f.hour, n >= 2 ? 2 : 1);
        break;
      case 'm':
        Pad(out, f.minute, n >= 2 ? 2 : 1);
        break;
      case 's':
        Pad(out, f.second, n >= 2 ? 2 : 1);
        break;
      case 'A':
      case 'a': {
        std::string ap = f.hour < 12 ? names.am : names.pm;
        if (c == 'a' && !(n >= 2 && pattern[i + 1] == 'P')) {
          for (char& ch : ap)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        }
        out += ap;
        if (i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) n = 2;
        break;
      }
      default:
        out.append(n, c);
    }
    i += n;
  }
}

}  // namespace

long DaysFromCivil(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return (std::chrono::sys_days{date} - kDay0).count();
}

void CivilFromDays(long days, int& year, int& month, int& day) {
  const std::chrono::year_month_day date{kDay0 + std::chrono::days{days}};
  year = static_cast<int>(date.year());
  month = static_cast<int>(static_cast<unsigned>(date.month()));
  day = static_cast<int>(static_cast<unsigned>(date.day()));
}

long DayNumber(DateValue value) { return static_cast<long>(std::floor(value)); }

DateValue FileTimeToLocalDate(const os::Timestamp& time) {
  os::LocalFields f{};
  if (!os::ToLocalFields(time.sec, f) || f.year < 100 || f.year > 9999) return 0;
  // Seconds are the finest unit shown.
  const double seconds = f.hour * 3600 + f.minute * 60 + f.second;
  return DaysFromCivil(f.year, f.month, f.day) + seconds / 86400.0;
}

const char* DateHeading(std::optional<DateKind> kind) {
  if (!kind) return "";
  switch (*kind) {
    case DateKind::kModified:
      return "Date Modified";
    case DateKind::kCreated:
      return "Date Created";
    case DateKind::kAccessed:
      return "Date Accessed";
  }
  return "";
}

std::optional<DateValue> DateOf(const os::FileStamps& stamps, DateKind kind) {
  switch (kind) {
    case DateKind::kModified:
      return FileTimeToLocalDate(stamps.modified);
    case DateKind::kAccessed:
      return FileTimeToLocalDate(stamps.accessed);
    case DateKind::kCreated:
      if (!stamps.has_created) return std::nullopt;
      return FileTimeToLocalDate(stamps.created);
  }
  return std::nullopt;
}

std::string DateText(DateValue value, const DatePatterns& patterns) {
  const long days = DayNumber(value);
  long seconds = std::lround((value - days) * 86400.0);
  long day = days;
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  Fields f{};
  CivilFromDays(day, f.year, f.month, f.day);
  f.weekday = static_cast<int>(((day + 5) % 7 + 7) % 7);  // day 0 was a Saturday
  f.hour = static_cast<int>(seconds / 3600);
  f.minute = static_cast<int>(seconds / 60 % 60);
  f.second = static_cast<int>(seconds % 60);
  std::string text;
  text.reserve(32);  // one allocation for the usual date and time
  if (day != 0) Expand(text, patterns.short_date, f, patterns);
  if (day != 0 && seconds == 0) return text;
  if (day != 0) text += ' ';
  Expand(text, patterns.long_time, f, patterns);
  return text;
}
