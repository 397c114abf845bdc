// The remote tool's check: each kind of mistake on its line, bad files next
// to good ones, and silence on the demo's definition.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/remote_tool.h"
#include "host/temp_dir.h"
#include "tests/support/unicode_text.h"

namespace {

ToolRun Check(const std::vector<std::string>& files) {
  std::vector<std::string> args{"check"};
  args.insert(args.end(), files.begin(), files.end());
  return RunRemoteTool(args);
}

constexpr const char* kGoodSetup = "[Setup]\nName=R\nPressMask=100\nPressFlag=1\nKeyMask=FF\n";

TEST(RemoteCheck, TheDemoDefinitionIsClean) {
  ToolRun run = Check({"--verbose", "demo/AverTV.cfg"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "demo/AverTV.cfg: Name \"Demo remote\", PressMask 00000100, PressFlag 1, KeyMask 000000FF, "
            "ReleaseDetect 0, ResetAdr -1, 12 keys\n1 file checked: 0 errors, 0 warnings\n");
}

TEST(RemoteCheck, EachMistakeIsReportedOnItsLine) {
  struct Case {
    std::string text;
    std::string expected;  // "LINE: error: ..." as printed after the file name
  };
  const std::string setup = kGoodSetup;  // lines 1 to 5
  const std::string nul = setup + "[Keys]\n0000000C=A\n" + std::string("0000000D=B\0\n8001=C\n", 18);
  const std::string lossy = "7: warning: characters without an ANSI form: the plug-in reads this line as ";
  const std::vector<Case> cases = {
      {setup + "[Keys]\n8001=Power\n",
       "7: error: code 8001 lacks its leading zeros: the plug-in looks it up as 00008001"},
      {setup + "[Keys]\n0000000C=A\n00000201=B\n",
       "8: error: code 00000201 has bits 00000200 outside KeyMask"},
      {"[Setup]\nPressMask=100\nPressFlag=1\nKeyMask=1FF\n[Keys]\n0000000C=A\n",
       "6: error: code 0000000C contradicts PressFlag 1"},
      {"[Setup]\nPressMask=100\nPressFlag=0\nKeyMask=1FF\n[Keys]\n0000000C=A\n0000010C=B\n",
       "7: error: code 0000010C contradicts PressFlag 0"},
      {setup + "[Keys]\n0000000C=Power\n0000000c=Mute\n",
       "8: error: code 0000000c is already \"Power\" on line 7"},
      {setup + "[Keys]\n0000000C=Power\n0000000D Mute\n", "8: error: entry without \"=\""},
      {"[Setup]\nPressMask=100 ; the press pin\nPressFlag=1\nKeyMask=FF\n[Keys]\n0000000C=A\n",
       "2: error: PressMask \"100 ; the press pin\" is not hexadecimal: the plug-in reads it as 00000000"},
      {"[Setup]\nPressMask=100\nPressFlag=1\nKeyMask=\n[Keys]\n00000000=A\n",
       "4: error: KeyMask \"\" is not hexadecimal"},
      {"[Setup]\nName=R\nPressFlag=0\nKeyMask=FF\n[Keys]\n0000000C=A\n",
       "3: error: PressMask 0 with PressFlag 0: every sample counts as a pressed key"},
      {"[Setup]\nPressMask=0x0\nPressFlag=1\n[Keys]\n0000000C=A\n",
       "2: error: PressMask 0 with PressFlag 1: no sample"},
      {setup + "ResetAdr=32\n[Keys]\n0000000C=A\n", "6: error: ResetAdr 32 is outside 0..31"},
      {setup + "ResetAdr=3 ; pin\n[Keys]\n0000000C=A\n", "6: error: ResetAdr \"3 ; pin\" is not an integer"},
      {"[Setup]\nPressMask=100\nPressFlag=yes\nKeyMask=FF\n[Keys]\n0000000C=A\n",
       "3: error: PressFlag \"yes\" is not an integer: the plug-in uses 0"},
      {setup + "[Keys\n0000000C=A\n", "6: error: section header names no section"},
      {setup + "[Key]\n0000000C=A\n", "6: warning: unknown section [Key]"},
      {setup + "PresMask=200\n[Keys]\n0000000C=A\n", "6: warning: unknown key \"PresMask\" in [Setup]"},
      {setup + "Cards=7133:1461:F31D,7134-1461-A836\n[Keys]\n0000000C=A\n",
       "6: warning: Cards entry \"7134-1461-A836\" is not chip:subvendor:subdevice"},
      {setup + "Cards=7133:1461:F31D,\n[Keys]\n0000000C=A\n", "6: warning: Cards has an empty entry"},
      {setup + "Cards=7133:1461:f31d, 7133:1461:F31D\n[Keys]\n0000000C=A\n",
       "6: warning: Cards lists 7133:1461:F31D twice"},
      {setup + "KeyMask=7F\n[Keys]\n0000000C=A\n",
       "6: warning: \"KeyMask\" is given again: the plug-in uses the first one, on line 5"},
      {"Name=R\n" + setup + "[Keys]\n0000000C=A\n", "1: warning: entry before the first section"},
      {setup + "[Keys]\n0000000C=A\n0000000C=A\n", "8: warning: code 0000000C is listed again (line 7)"},
      {setup + "[Keys]\n00000000C=A\n", "7: error: code 00000000C has extra digits"},
      {setup + "[Keys]\nPower=0C\n", "7: error: \"Power\" is not a key code"},
      {setup + "[Keys]\n\v=Power\n", "7: error: entry without a name before \"=\""},
      {"\xEF\xBB\xBF", " error: empty file (only a byte order mark)"},
      {setup + "[Keys]" + std::string(5000, ' ') + "\n0000000C=A\n",
       "6: error: section header too long for the plug-in to read (5006 characters, at most 4096)"},
      {nul, "8: error: line holds a NUL character: the plug-in ignores this line"},
      {nul, "9: error: code 8001 lacks its leading zeros"},
      {Utf16Bytes(std::u16string(setup.begin(), setup.end()) + u"[Keys]\n0000000C=\u65E5\u672C\n"),
       lossy + "\"0000000C=??\""},
      {"\xEF\xBB\xBF" + setup + "[Keys]\n0000000C=\xE6\x97\xA5\n", lossy + "\"0000000C=?\""},
      {setup + "[Keys]\n0000000C=M\xC3\xBCller\n",
       "7: warning: UTF-8 text in a file without a byte order mark: the plug-in reads it as ANSI, "
       "\"0000000C=M\xC3\xBCller\""},
  };
  host::TempDir dir;
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "case" + std::to_string(i) + ".cfg";
    dir.write(name, cases[i].text);
    ToolRun run = Check({dir.file(name)});
    EXPECT_NE(run.out.find(dir.file(name) + ":" + cases[i].expected), std::string::npos)
        << "case " << i << ":\n"
        << cases[i].text << "\ngave:\n"
        << run.out;
    const bool error = cases[i].expected.find(" error: ") != std::string::npos;
    EXPECT_EQ(run.status, error ? 2 : 1) << "case " << i << ":\n" << run.out;
  }
}

TEST(RemoteCheck, BadFilesGetOneLineEachAndTheOthersAreStillChecked) {
  host::TempDir dir;
  dir.write("binary.cfg", std::string("[Setup]\nName=\0\x01\x02\xff", 14));
  dir.write("notes.cfg", "Buy milk.\nCall the landlord.\n");
  dir.write("empty.cfg", "");
  dir.write("warn.cfg", std::string("[Setup]\nPressMask=100\nPressFlag=1\nKeyMask=FF\n[Keys]\n0000000C=A\n"));
  std::filesystem::create_directory(dir.file("folder.cfg"));
  {
    std::ofstream big(dir.file("big.cfg"), std::ios::binary);
    big << kGoodSetup;
  }
  std::filesystem::resize_file(dir.file("big.cfg"), 100u * 1024 * 1024);  // sparse
  const std::vector<std::string> names = {"missing.cfg", "folder.cfg", "binary.cfg", "big.cfg",
                                          "notes.cfg",   "empty.cfg",  "warn.cfg"};
  std::vector<std::string> files;
  for (const std::string& name : names) files.push_back(dir.file(name));
  ToolRun run = Check(files);
  EXPECT_EQ(run.status, 2);
  std::istringstream lines(run.out);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), names.size() + 1) << run.out;
  const std::vector<std::string> expected = {
      "missing.cfg: error: no such file",
      "folder.cfg: error: is a folder",
      "binary.cfg: error: binary file",
      "big.cfg: error: the plug-in reads this file as empty: it is too large (104857600 bytes)",
      "notes.cfg: error: not a remote definition",
      "empty.cfg: error: empty file",
      "warn.cfg:1: warning: no Name",
  };
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(got[i].rfind(dir.path() + expected[i], 0), 0u) << got[i];
  EXPECT_EQ(got.back(), "7 files checked: 6 errors, 1 warning");
}

}  // namespace
