// The template definition that the package ships reads as its comments say:
// every [Setup] key it explains is taken, with the value it shows, and the
// comment lines leave the key table alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "config/ini_file.h"
#include "config/settings.h"
#include "host/temp_dir.h"

using namespace config;

namespace {

// As the package writes it: CRLF line ends.
std::string PackagedTemplate() {
  std::ifstream file(SAA_TEMPLATE_PATH, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string crlf;
  for (char c : text.str()) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

TEST(Template, LoadsAsItsCommentsSay) {
  const std::string text = PackagedTemplate();
  ASSERT_FALSE(text.empty()) << SAA_TEMPLATE_PATH;
  host::TempDir dir;
  dir.write("AverTV.cfg", text);  // the definition a fresh install loads
  std::snprintf(ModulePath, sizeof ModulePath, "%s", dir.file("SAA713x.dll").c_str());
  StringList keys;
  StringList names;
  KeyList = &keys;
  RemoteNameList = &names;
  LoadConfiguration();

  IniFile definition(dir.file("AverTV.cfg"));
  for (const char* key : {"Name", "PressMask", "PressFlag", "KeyMask", "ReleaseDetect", "ResetAdr"}) {
    EXPECT_NE(definition.ReadString("Setup", key, "(missing)"), "(missing)") << key;
  }
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names[0], "My remote");
  EXPECT_EQ(Remote.masks.press_mask, 0x100u);
  EXPECT_TRUE(Remote.masks.press_flag);
  EXPECT_EQ(Remote.masks.key_mask, 0xFFu);
  EXPECT_FALSE(Remote.masks.release_detect);
  EXPECT_EQ(Remote.reset_adr, -1);
  EXPECT_EQ(Remote.keys->Size(), 5u);
  ASSERT_EQ(keys.Count(), 5);
  EXPECT_EQ(keys[0], "0000000C=Power");
  EXPECT_EQ(keys[4], "00000021=Channel -");
  KeyList = nullptr;
  RemoteNameList = nullptr;
}

}  // namespace
