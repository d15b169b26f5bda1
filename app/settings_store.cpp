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

QString SettingsStore::Read(const Key& key) const {
  // The default is worked out even when a value is stored: a missing
  // desktop fails the read of the path either way.
  return settings_->value(key.name, Default(key)).toString();
}

void SettingsStore::Write(const Key& key, const QString& text) {
  settings_->setValue(key.name, text);
  // Written at once (through a temporary file), so nothing waits for the end.
  settings_->sync();
}

QString SettingsStore::DefaultOn(const Key& key, const QDate& today) {
  using settings_keys::Fallback;
  switch (key.fallback) {
    case Fallback::kOn:
      return "1";
    case Fallback::kOff:
      return "0";
    case Fallback::kYearAgo:
      return DateSettingText(today.addYears(-1));
    case Fallback::kYesterday:
      return DateSettingText(today.addDays(-1));
    case Fallback::kDesktop:
      return DesktopFolderPath();
  }
  return "0";
}

bool SettingsStore::ReadFlag(const Key& key) const { return ParseFlag(Read(key).toStdString()); }

QDate SettingsStore::ReadDate(const Key& key) const {
  return ParseDateSetting(Read(key), patterns_);
}

void SettingsStore::WriteFlag(const Key& key, bool value) {
  Write(key, QString::fromStdString(FlagText(value)));
}

void SettingsStore::WriteDate(const Key& key, const QDate& date) {
  Write(key, DateSettingText(date));
}

QString DesktopFolderPath() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty()) throw Failure("Invalid procedure call or argument");
  return QDir::toNativeSeparators(desktop) + QDir::separator();
}
