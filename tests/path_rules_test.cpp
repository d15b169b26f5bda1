#include "fs/path_rules.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(PathRules, NumberedNameGoesBeforeTheLastDotOfTheName) {
  struct Case {
    const char* path;
    const char* numbered;
  } cases[] = {{"/out/a.jpg", "/out/a (3).jpg"},
               {"/out/archive.tar.gz", "/out/archive.tar (3).gz"},
               {"/out/noext", "/out/noext (3)"},
               {"/out/.hidden", "/out/.hidden (3)"},
               {"/out/.bashrc.bak", "/out/.bashrc (3).bak"},
               {"/a.d/noext", "/a.d/noext (3)"},
               {"a.jpg", "a (3).jpg"}};
  for (const auto& c : cases) EXPECT_EQ(NumberedName(c.path, 3, '/'), c.numbered);
}
