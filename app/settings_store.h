#pragma once
#include <QDate>
#include <QSettings>
#include <QString>
#include <memory>

#include "fs/file_times.h"

// The user's choices, every value a string, under organisation "Vantrel"
// and application "Larkspur Suite".
class SettingsStore {
 public:
  SettingsStore();
  // A store of the caller's own file (tests).
  explicit SettingsStore(const QString& file);

  // The stored text, or the default when the key is absent.
  QString Read(const QString& key, const QString& fallback) const;
  void Write(const QString& key, const QString& text);

  // The key's default of the settings table (dates relative to today).
  QString Default(const QString& key) const { return DefaultOn(key, QDate::currentDate()); }
  QString DefaultOn(const QString& key, const QDate& today) const;
  bool ReadFlag(const QString& key) const;
  QDate ReadDate(const QString& key) const;
  void WriteFlag(const QString& key, bool value);
  void WriteDate(const QString& key, const QDate& date);

  const DatePatterns& patterns() const { return patterns_; }
  void set_patterns(const DatePatterns& patterns) { patterns_ = patterns; }
  QString file() const { return settings_->fileName(); }

 private:
  std::unique_ptr<QSettings> settings_;
  DatePatterns patterns_;
};

// The user's desktop folder and a final separator; throws when there is none.
QString DesktopFolderPath();
