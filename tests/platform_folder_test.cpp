#include "platform/folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host/temp_dir.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FolderSearch, ListsEveryEntryWhoseNameMatchesIgnoringCase) {
  host::TempDir dir;
  for (const char* name :
       {"AverTV.cfg", "LIFEVIEW.CFG", ".hidden.cfg", "x.cfgx", "cfg", "y.ini", "a.cfg.bak", "two.dots.Cfg"})
    dir.write(name, "[Setup]\n");
  std::filesystem::create_directory(dir.file("folder.cfg"));
  std::filesystem::permissions(dir.file("LIFEVIEW.CFG"), std::filesystem::perms::owner_read);

  EXPECT_EQ(
      Sorted(plat::find_files(dir.path(), "*.cfg")),
      (std::vector<std::string>{".hidden.cfg", "AverTV.cfg", "LIFEVIEW.CFG", "folder.cfg", "two.dots.Cfg"}));
  EXPECT_EQ(plat::find_files(dir.path(), "*.INI"), std::vector<std::string>{"y.ini"});
  EXPECT_EQ(plat::find_files(dir.path(), "*.txt"), std::vector<std::string>{});
  std::filesystem::permissions(dir.file("LIFEVIEW.CFG"), std::filesystem::perms::owner_all);
}

// The name comes back as the bytes the file was made with: in the ANSI code
// page on Windows (0xFC is "u" with diaeresis in code page 1252), raw bytes
// natively. Only ASCII letters fold, so the byte matches only itself.
TEST(FolderSearch, NamesOutsideAsciiComeBackByteForByte) {
  host::TempDir dir;
  const std::string name =
      "K\xFC"
      "che.cfg";
  dir.write(name, "[Setup]\n");
  EXPECT_EQ(plat::find_files(dir.path(), "*.cfg"), std::vector<std::string>{name});
  EXPECT_EQ(plat::find_files(dir.path(), "K\xFC*"), std::vector<std::string>{name});
  EXPECT_TRUE(plat::find_files(dir.path(), "K\xDC*").empty());
  EXPECT_TRUE(plat::wildcard_match("A\xFC.CFG", "a\xFC.cfg"));
}

TEST(FolderSearch, MissingFolderListsNothing) {
  host::TempDir dir;
  EXPECT_TRUE(plat::find_files(dir.file("gone"), "*.cfg").empty());
  EXPECT_TRUE(plat::find_files(dir.file("gone") + "/", "*.cfg").empty());
  // No folder is not the current one.
  EXPECT_TRUE(plat::find_files("", "*").empty());
}

}  // namespace
