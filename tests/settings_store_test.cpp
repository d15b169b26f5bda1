#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QStandardPaths>
#include <stdexcept>
#include <string_view>

#include "app/date_locale.h"
#include "app/failure.h"
#include "tests/test_tree.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  TestTree t;
  QString file = QString::fromStdString(t.Path("s.ini"));
  SettingsStore store{file};
  void SetUp() override { store.set_patterns({"dd.MM.yyyy", "HH:mm:ss"}); }
};

// The key stored under name.
const SettingsStore::Key& K(std::string_view name) {
  for (const SettingsStore::Key* key : settings_keys::kAll)
    if (name == key->name) return *key;
  throw std::invalid_argument(std::string(name));
}

}  // namespace

TEST_F(Settings, EveryKeyHasItsDefault) {
  const QDate today(2025, 3, 15);
  struct Case {
    const char* key;
    QString value;
  } cases[] = {{"Option1", "1"},       {"Option2", "0"},       {"Option3", "0"},
               {"Option4", "1"},       {"Option5", "0"},       {"2Option1", "1"},
               {"2Option2", "0"},      {"2Option3", "0"},      {"2Option4", "0"},
               {"DTP1", "2024-03-15"}, {"DTP2", "2024-03-15"}, {"DTP3", "2024-03-15"},
               {"DTP4", "2024-03-15"}, {"DTP5", "2025-03-14"}, {"Path", DesktopFolderPath()}};
  for (const auto& c : cases)
    EXPECT_EQ(SettingsStore::DefaultOn(K(c.key), today), c.value) << c.key;
  EXPECT_EQ(SettingsStore::DefaultOn(K("DTP1"), QDate(2024, 2, 29)), "2023-02-28");
  EXPECT_EQ(SettingsStore::DefaultOn(K("DTP5"), QDate(2024, 3, 1)), "2024-02-29");
  EXPECT_TRUE(DesktopFolderPath().endsWith(QDir::separator()));
  EXPECT_TRUE(store.ReadFlag(K("Option1")));
  EXPECT_FALSE(store.ReadFlag(K("Option5")));
}

TEST_F(Settings, FlagsAndDatesAreStoredAsTextAndSurviveAReread) {
  store.WriteFlag(K("Option2"), true);
  store.WriteFlag(K("Option1"), false);
  store.WriteDate(K("DTP3"), QDate(2021, 8, 31));
  store.Write(K("Path"), "/tmp/out");
  SettingsStore again(file);
  again.set_patterns({"M/d/yyyy", "h:mm:ss AP"});  // read back under another language
  EXPECT_EQ(again.Read(K("Option2")), "True");
  EXPECT_EQ(again.Read(K("Option1")), "False");
  EXPECT_EQ(again.Read(K("DTP3")), "2021-08-31");  // ISO: a change of language keeps it
  EXPECT_EQ(again.ReadDate(K("DTP3")), QDate(2021, 8, 31));
  EXPECT_EQ(again.Read(K("Path")), "/tmp/out");
  EXPECT_FALSE(again.ReadFlag(K("Option1")));
}

TEST_F(Settings, StoredDatesAreReadInTheLocaleOrIso) {
  struct Case {
    const char* text;
    QDate date;
  } cases[] = {{"31.08.2021", {2021, 8, 31}},
               {"31.08.2021 14:05:00", {2021, 8, 31}},
               {"2021-08-31", {2021, 8, 31}},
               {"01.01.1601", {1601, 1, 1}}};
  for (const auto& c : cases) {
    store.Write(K("DTP1"), c.text);
    EXPECT_EQ(store.ReadDate(K("DTP1")), c.date) << c.text;
  }
  for (const char* bad : {"", "yesterday", "32.13.2021"}) {
    store.Write(K("DTP1"), bad);
    EXPECT_THROW(store.ReadDate(K("DTP1")), Failure) << bad;
  }
  store.Write(K("Option1"), "maybe");
  EXPECT_THROW(store.ReadFlag(K("Option1")), Failure);
}

#ifndef _WIN32  // POSIX permission bits
TEST_F(Settings, AFileThatCannotBeReadOrWrittenIsSaidAndTheChoicesLastTheRun) {
  chmod(t.root().c_str(), 0755);
  t.File("ro/s.ini", "[General]\nOption1=False\n");
  chmod(t.Path("ro/s.ini").c_str(), 0);
  t.Folder("locked");
  chmod(t.Path("locked").c_str(), 0555);
  struct Case {
    std::string file, says;
  } cases[] = {{t.Path("ro/s.ini"), " cannot be read"},
               {t.Path("locked/s.ini"), " cannot be written"}};
  for (const Case& c : cases) {
    EXPECT_EQ(RunUnprivileged([&] {
                SettingsStore s(QString::fromStdString(c.file));
                s.WriteFlag(K("Option2"), true);
                return s.ReadFlag(K("Option2")) && s.problem().toStdString() == c.file + c.says;
              }),
              1)
        << c.file;
  }
}
#endif
