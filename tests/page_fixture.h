#pragma once
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include "app/settings_store.h"
#include "fs/platform.h"
#include "setup_page/form1.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

// A path with the system's separator.
inline std::string Separated(std::string path) {
  std::replace(path.begin(), path.end(), '/', os::kSeparator);
  return path;
}

// A folder as the system spells it: "/data/photos" is "C:\\data\\photos" on Windows.
inline std::string Spelled(const std::string& posix) {
#ifdef _WIN32
  return Separated("C:" + posix);
#else
  return posix;
#endif
}

// A path with "/" for its separators, as Qt's dialogs give it and a user may type it.
inline std::string Slashed(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// Page 1 over a settings file and a program folder of the test's own.
class PageTest : public ::testing::Test {
 protected:
  TestTree t;
  ScriptedUi ui;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<Form1> form;

  QString SettingsFile() const { return QString::fromStdString(t.Path("settings.ini")); }
  QString ProgramFolder() const { return QString::fromStdString(t.Path("program")); }

  void Store(const QString& key, const QString& value) {
    QSettings s(SettingsFile(), QSettings::IniFormat);
    s.setValue(key, value);
  }
  QString Stored(const QString& key) {
    QSettings s(SettingsFile(), QSettings::IniFormat);
    return s.value(key, "<absent>").toString();
  }
  // Starts page 1 as the program does.
  void Start() {
    t.Folder("program");
    settings = std::make_unique<SettingsStore>(SettingsFile());
    settings->set_patterns({"yyyy-MM-dd", "HH:mm:ss"});
    form = std::make_unique<Form1>(ui, *settings, ProgramFolder());
    form->Form_Load();
  }
  std::vector<std::string> Folders() const { return form->Folders(); }
  // A real mouse move through the window, to a point of widget's own (its
  // centre, or for a container a point of its border, clear of its children).
  static void MoveOver(QWidget* widget, bool border = false) {
    const QPoint at =
        border ? QPoint(widget->width() - 3, widget->height() - 3) : widget->rect().center();
    QTest::mouseMove(widget, at);
  }
};
