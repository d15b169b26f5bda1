#pragma once
#include <QDate>
#include <QHash>
#include <QSettings>
#include <QString>
#include <memory>

#include "app/settings_keys.h"
#include "fs/file_times.h"

// The user's choices, every value a string, under organisation "Vantrel"
// and application "Larkspur Suite". A settings file that is not a regular
// file, or cannot be read or written, never stops the start: the choices are
// then kept for this run only, and problem() says why.
class SettingsStore {
 public:
  SettingsStore();
  // A store of the caller's own file (tests).
  explicit SettingsStore(const QString& file);
  // Why the choices cannot be stored ("<file> is not a regular file"),
  // or empty while they can.
  const QString& problem() const { return problem_; }

  using Key = settings_keys::Key;
  // The stored text, or the key's default when it is absent.
  QString Read(const Key& key) const;
  void Write(const Key& key, const QString& text);

  // The key's default (dates relative to today).
  static QString Default(const Key& key) { return DefaultOn(key, QDate::currentDate()); }
  static QString DefaultOn(const Key& key, const QDate& today);
  bool ReadFlag(const Key& key) const;
  QDate ReadDate(const Key& key) const;
  void WriteFlag(const Key& key, bool value);
  void WriteDate(const Key& key, const QDate& date);

  const DatePatterns& patterns() const { return patterns_; }
  void set_patterns(const DatePatterns& patterns) { patterns_ = patterns; }

 private:
  std::unique_ptr<QSettings> settings_;  // none when the file is unusable
  QHash<QString, QString> this_run_;     // the choices then
  QString problem_;
  DatePatterns patterns_;
};

// The user's desktop folder and a final separator; throws when there is none.
QString DesktopFolderPath();
