#include "fs/path_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "fs/folder_picker.h"
#include "fs/folder_walk.h"
#include "tests/scripted_ui.h"

TEST(PathRules, NormalizeSlashesWindowsRules) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{R"(C:\\A\\x.txt)", R"(C:\A\x.txt)"},
               {R"(\\server\share\x.txt)", R"(\\server\share\x.txt)"},
               {R"(\\\server\share)", R"(\\server\share)"},
               {R"(\A)", R"(\\A)"},
               {R"(\\\\)", R"(\\)"},
               {R"(C:\Out\\\x)", R"(C:\Out\\x)"},
               {R"(C:\Out\\\\x)", R"(C:\Out\\x)"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(NormalizeSlashes(c.in, '\\'), c.out) << c.in;
}

TEST(PathRules, NormalizeSlashesLinuxRules) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"/home//a//x.txt", "/home/a/x.txt"},
               {"//server/share", "/server/share"},
               {"///", "/"},
               {"/out////x", "/out/x"},
               {"rel//x", "rel/x"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(NormalizeSlashes(c.in, '/'), c.out) << c.in;
}

TEST(PathRules, FileNameAndFolder) {
  struct Case {
    const char* path;
    char sep;
    const char* name;
    const char* folder;
  } cases[] = {{R"(C:\A\x.txt)", '\\', "x.txt", R"(C:\A\)"},
               {"x.txt", '\\', "x.txt", ""},
               {"/home/a/x.txt", '/', "x.txt", "/home/a/"},
               {"/home/a/", '/', "", "/home/a/"},
               {"x.txt", '/', "x.txt", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameOf(c.path, c.sep), c.name);
    EXPECT_EQ(FolderOf(c.path, c.sep), c.folder);
  }
}

TEST(FolderPicker, NoFinalSeparatorButForTheRoot) {
  ScriptedUi ui;
#ifdef _WIN32
  // As the dialog answers: with "/".
  ui.folders = {"", "C:/", "C:/Data", "C:/Data/", "//server/share/"};
  const std::vector<std::string> expected = {"", "C:\\", "C:\\Data", "C:\\Data",
                                             "\\\\server\\share"};
#else
  ui.folders = {"", "/", "/data", "/data/", "//data//x//"};
  const std::vector<std::string> expected = {"", "/", "/data", "/data", "/data/x"};
#endif
  for (const auto& e : expected) EXPECT_EQ(BrowseForFolder(ui, "Please select folder:", ""), e);
  EXPECT_EQ(ui.dialog_titles.size(), expected.size());
}

TEST(FolderWalk, UnlistableNames) {
  struct Case {
    std::string name;
    bool unlistable;
  } cases[] = {{"", false},
               {"plain.txt", false},
               {"ü日本", false},
               {"what?.txt", false},
               {"tab\there", true},
               {"del\x7f", true},
               {"c1\xc2\x85", true},
               {"\xff", true},
               {"\xc3", true},
               {"\xed\xa0\x80", true},
               {"dir\xf8\x80\x80", true},
               {"\xf5\x80\x80\x80", true},
               {"\xfe\x80\x80", true},
               {"\xf4\x8f\xbf\xbf", false}};
  for (const auto& c : cases) EXPECT_EQ(HasUnlistableChars(c.name), c.unlistable) << c.name;
}
