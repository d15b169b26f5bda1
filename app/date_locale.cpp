#include "app/date_locale.h"

#include <QLocale>
#include <QRegularExpression>

#include "app/failure.h"

DatePatterns SystemDatePatterns() { return DatePatternsOf(QLocale::system()); }

DatePatterns DatePatternsOf(const QLocale& locale) {
  QString date = locale.dateFormat(QLocale::ShortFormat);
  if (!date.contains("yyyy")) date.replace(QRegularExpression("y+"), "yyyy");
  QString time = locale.timeFormat(QLocale::LongFormat);
  // The zone name goes with the brackets and blanks around it ("(t)", " t").
  time.remove(QRegularExpression("\\s*[(\\[]?\\s*t+\\s*[)\\]]?"));
  DatePatterns patterns;
  patterns.am = locale.amText().toStdString();
  patterns.pm = locale.pmText().toStdString();
  patterns.short_date = date.toStdString();
  patterns.long_time = time.trimmed().toStdString();
  for (int i = 0; i < 12; ++i) {
    patterns.short_months[i] = locale.monthName(i + 1, QLocale::ShortFormat).toStdString();
    patterns.long_months[i] = locale.monthName(i + 1, QLocale::LongFormat).toStdString();
  }
  for (int i = 0; i < 7; ++i) {
    patterns.short_days[i] = locale.dayName(i + 1, QLocale::ShortFormat).toStdString();
    patterns.long_days[i] = locale.dayName(i + 1, QLocale::LongFormat).toStdString();
  }
  return patterns;
}

long DayNumberOf(const QDate& date) { return DaysFromCivil(date.year(), date.month(), date.day()); }

QString DateSettingText(const QDate& date) { return date.toString("yyyy-MM-dd"); }

QDate ParseDateSetting(const QString& text, const DatePatterns& patterns) {
  const QString trimmed = text.trimmed();
  static const QRegularExpression kIso("^\\d{4}-\\d{2}-\\d{2}$");
  QDate date;
  if (kIso.match(trimmed).hasMatch()) date = QDate::fromString(trimmed, "yyyy-MM-dd");
  if (date.isValid()) return date;
  const QString pattern = QString::fromStdString(patterns.short_date);
  const QLocale locale = QLocale::system();
  date = locale.toDate(trimmed, pattern);
  if (!date.isValid()) {
    // A stored time of day follows the date after a blank.
    const int words = pattern.count(' ') + 1;
    date = locale.toDate(trimmed.section(' ', 0, words - 1), pattern);
  }
  if (!date.isValid()) date = QDate::fromString(trimmed.left(10), Qt::ISODate);
  if (!date.isValid()) throw Failure("Type mismatch");
  return date;
}
