#pragma once
#include <optional>
#include <string>
#include <vector>

#include "fs/platform.h"

// Days since 1899-12-30 00:00 local time; the fraction is the time of day.
using DateValue = double;

enum class DateKind { kModified, kCreated, kAccessed };
// The date column's heading; empty for none.
const char* DateHeading(std::optional<DateKind> kind);

// The file's time as a local date value; empty when (creation) the file
// system does not record it.
std::optional<DateValue> DateOf(const os::FileStamps& stamps, DateKind kind);

// Universal time to local date value, with the offset in force on that
// date; 0 when the date lies outside 100-01-01 to 9999-12-31.
DateValue FileTimeToLocalDate(const os::Timestamp& time);

// Whole days since 1899-12-30 of a calendar date, and back.
long DaysFromCivil(int year, int month, int day);
void CivilFromDays(long days, int& year, int& month, int& day);
// The calendar day of a date value (time of day dropped).
long DayNumber(DateValue value);

// The locale's patterns, in Qt's pattern letters (d M y h H m s AP 'text'),
// with its month names (MMM, MMMM) and day names (ddd, dddd, Monday first).
struct DatePatterns {
  std::string short_date = "dd/MM/yyyy";
  std::string long_time = "HH:mm:ss";
  std::vector<std::string> short_months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::vector<std::string> long_months = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
  std::vector<std::string> short_days = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  std::vector<std::string> long_days = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
  // The locale's words for the hours before and after noon (AP, ap).
  std::string am = "AM", pm = "PM";
};

// Short date, a blank and the time; the date alone at midnight; the time
// alone on day 0.
std::string DateText(DateValue value, const DatePatterns& patterns);
