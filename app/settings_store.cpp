#include "app/settings_store.h"

#include <QDir>
#include <QStandardPaths>

#include "app/date_locale.h"
#include "app/failure.h"
#include "app/settings_codec.h"

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>("Vantrel", "Larkspur Suite")),
      patterns_(SystemDatePatterns()) {}

SettingsStore::SettingsStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)),
      patterns_(SystemDatePatterns()) {}

QString SettingsStore::Read(const QString& key, const QString& fallback) const {
  return settings_->value(key, fallback).toString();
}

void SettingsStore::Write(const QString& key, const QString& text) {
  settings_->setValue(key, text);
  // Written at once (through a temporary file), so nothing waits for the end.
  settings_->sync();
}

QString SettingsStore::DefaultOn(const QString& key, const QDate& today) const {
  static const QStringList kTrue = {"Option1", "Option4", "2Option1"};
  if (kTrue.contains(key)) return "1";
  if (key.startsWith("DTP")) {
    return DateSettingText(key == "DTP5" ? today.addDays(-1) : today.addYears(-1));
  }
  if (key == "Path") return DesktopFolderPath();
  return "0";
}

bool SettingsStore::ReadFlag(const QString& key) const {
  return ParseFlag(Read(key, Default(key)).toStdString());
}

QDate SettingsStore::ReadDate(const QString& key) const {
  return ParseDateSetting(Read(key, Default(key)), patterns_);
}

void SettingsStore::WriteFlag(const QString& key, bool value) {
  Write(key, QString::fromStdString(FlagText(value)));
}

void SettingsStore::WriteDate(const QString& key, const QDate& date) {
  Write(key, DateSettingText(date));
}

QString DesktopFolderPath() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty()) throw Failure("Invalid procedure call or argument");
  return QDir::toNativeSeparators(desktop) + QDir::separator();
}
