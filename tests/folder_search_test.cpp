#include "config/folder_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FolderSearch, ListsEveryEntryWhoseNameMatchesIgnoringCase) {
  TempDir dir;
  for (const char* name : {"AverTV.cfg", "LIFEVIEW.CFG", ".hidden.cfg", "x.cfgx", "cfg", "y.ini",
                           "a.cfg.bak", "two.dots.Cfg"})
    dir.write(name, "[Setup]\n");
  std::filesystem::create_directory(dir.file("folder.cfg"));
  std::filesystem::permissions(dir.file("LIFEVIEW.CFG"), std::filesystem::perms::owner_read);

  EXPECT_EQ(Sorted(FolderSearch(dir.path(), "*.cfg")),
            (std::vector<std::string>{".hidden.cfg", "AverTV.cfg", "LIFEVIEW.CFG", "folder.cfg",
                                      "two.dots.Cfg"}));
  EXPECT_EQ(FolderSearch(dir.path(), "*.INI"), std::vector<std::string>{"y.ini"});
  EXPECT_EQ(FolderSearch(dir.path(), "*.txt"), std::vector<std::string>{});
  std::filesystem::permissions(dir.file("LIFEVIEW.CFG"), std::filesystem::perms::owner_all);
}

TEST(FolderSearch, MissingFolderListsNothing) {
  TempDir dir;
  EXPECT_TRUE(FolderSearch(dir.file("gone"), "*.cfg").empty());
  EXPECT_TRUE(FolderSearch(dir.file("gone") + "/", "*.cfg").empty());
  EXPECT_TRUE(FolderSearch("", "*.cfg").empty());
}

}  // namespace
