#pragma once
#include <QDate>
#include <QLocale>
#include <QString>

#include "fs/file_times.h"

// A locale's short date (with a four-digit year) and long time (without a
// zone name), its month and day names and its words for AM and PM, as the
// date text of the program uses them; the system's for the program.
DatePatterns DatePatternsOf(const QLocale& locale);
DatePatterns SystemDatePatterns();

// A picker's date as stored text (ISO 8601, so that a change of language
// keeps it), and back: ISO first, then the locale's short date, as files
// written before were; text that is no date throws a "Type mismatch" failure.
QString DateSettingText(const QDate& date);
QDate ParseDateSetting(const QString& text, const DatePatterns& patterns);

long DayNumberOf(const QDate& date);
