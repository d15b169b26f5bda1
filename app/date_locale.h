#pragma once
#include <QDate>
#include <QString>

#include "fs/file_times.h"

// The system locale's short date (with a four-digit year) and long time
// (without a zone name), as the date text of the program uses them.
DatePatterns SystemDatePatterns();

// A picker's date as stored text, and back; text that is no date throws
// a "Type mismatch" failure. ISO dates are read too.
QString DateSettingText(const QDate& date, const DatePatterns& patterns);
QDate ParseDateSetting(const QString& text, const DatePatterns& patterns);

long DayNumberOf(const QDate& date);
