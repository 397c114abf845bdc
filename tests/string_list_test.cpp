#include "config/string_list.h"

#include <gtest/gtest.h>

namespace {

TEST(StringList, IndexOfNameComparesTheWholeNameIgnoringCase) {
  config::StringList list;
  list.Add("no equals sign");
  list.Add("0000001a=Power");
  list.Add("0000001A=Second");
  list.Add("0000001=Short");
  list.Add("=Empty name");
  list.Add("Key=a=b");
  EXPECT_EQ(list.IndexOfName("0000001A"), 1);  // first match wins
  EXPECT_EQ(list.IndexOfName("0000001"), 3);
  EXPECT_EQ(list.IndexOfName(""), 4);
  EXPECT_EQ(list.IndexOfName("KEY"), 5);
  EXPECT_EQ(list.IndexOfName("no equals sign"), -1);
  EXPECT_EQ(list.IndexOfName("0000001A "), -1);
  EXPECT_EQ(list.IndexOfName("Key=a"), -1);
  EXPECT_EQ(config::StringList().IndexOfName("x"), -1);
}

TEST(StringList, ValueOfEntryIsTheTextAfterTheFirstEquals) {
  config::StringList list;
  list.Add("Key=a=b");
  list.Add("Empty=");
  list.Add("no equals sign");
  EXPECT_EQ(list.ValueOfEntry(0), "a=b");
  EXPECT_EQ(list.ValueOfEntry(1), "");
  EXPECT_EQ(list.ValueOfEntry(2), "");
  EXPECT_EQ(list.ValueOfEntry(-1), "");
  EXPECT_EQ(list.ValueOfEntry(3), "");
}

}  // namespace
