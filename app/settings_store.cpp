#include "app/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/date_locale.h"
#include "app/failure.h"
#include "app/settings_codec.h"

namespace {

// Why file cannot hold the settings, or empty. Only a regular file is ever
// opened: a FIFO would hold the start until something wrote to it.
QString Unusable(const QString& file) {
  const QFileInfo info(file);
  if (!info.exists() && !info.isSymLink()) return {};
  if (!info.isFile()) return file + " is not a regular file";
  if (!info.isReadable()) return file + " cannot be read";
  return {};
}

}  // namespace

#ifdef Q_OS_WIN
SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>("Vantrel", "Larkspur Suite")),
      patterns_(SystemDatePatterns()) {}
#else
SettingsStore::SettingsStore()
    : SettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    "/Vantrel/Larkspur Suite.conf") {}
#endif

SettingsStore::SettingsStore(const QString& file)
    : problem_(Unusable(file)), patterns_(SystemDatePatterns()) {
  if (problem_.isEmpty()) settings_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString SettingsStore::Read(const Key& key) const {
  // The default is worked out even when a value is stored: a missing
  // desktop fails the read of the path either way.
  const QString fallback = Default(key);
  if (!settings_) return this_run_.value(key.name, fallback);
  return settings_->value(key.name, fallback).toString();
}

void SettingsStore::Write(const Key& key, const QString& text) {
  if (!settings_) {
    this_run_.insert(key.name, text);
    return;
  }
  settings_->setValue(key.name, text);
  // Written at once (through a temporary file), so nothing waits for the end.
  settings_->sync();
  if (settings_->status() != QSettings::NoError && problem_.isEmpty())
    problem_ = settings_->fileName() + " cannot be written";
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
