#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/folder.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Takes write permission away from a folder for one test and gives it back.
// Usable() is false where permissions do not stop writing (root, Windows).
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
    std::error_code error;
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec, error);
    std::string probe = folder_ + "probe";
    if (std::FILE* file = std::fopen(probe.c_str(), "wb")) {
      std::fclose(file);
      std::remove(probe.c_str());
    } else {
      usable_ = true;
    }
  }
  ~ReadOnlyFolder() {
    std::error_code error;
    fs::permissions(folder_, fs::perms::owner_all, error);
  }
  bool Usable() const { return usable_; }

 private:
  std::string folder_;
  bool usable_ = false;
};

std::string Lines(const StringList& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) text += list[i] + "|";
  return text;
}

TEST(IniFileRead, ParsesCommentsBlanksCaseBomAndCrlf) {
  TempDir dir;
  dir.write("a.ini",
            "\xEF\xBB\xBF; comment = not a key\r\n"
            "# Interval=1\r\n"
            "Outside=before any section\r\n"
            "  [ main ]  \r\n"
            "  Interval   =   120  \r\n"
            "name=\"Quoted Remote\"\r\n"
            "single='x'\r\n"
            "lone=\"\r\n"
            "formula=a=b\r\n"
            "empty=\r\n"
            "\r\n"
            "[Other]\r\n"
            "Interval=7\r\n"
            "[Last]\r\n"
            "tail=end");  // no line end
  IniFile ini(dir.file("a.ini"));
  EXPECT_EQ(ini.ReadInteger("Main", "Interval", 0), 120);
  EXPECT_EQ(ini.ReadInteger("MAIN", "interval", 0), 120);
  EXPECT_EQ(ini.ReadString("Main", "Name", "?"), "Quoted Remote");
  EXPECT_EQ(ini.ReadString("Main", "single", "?"), "x");
  EXPECT_EQ(ini.ReadString("Main", "lone", "?"), "\"");
  EXPECT_EQ(ini.ReadString("Main", "formula", "?"), "a=b");
  EXPECT_EQ(ini.ReadString("Main", "empty", "?"), "");
  EXPECT_EQ(ini.ReadString("Main", "missing", "?"), "?");
  EXPECT_EQ(ini.ReadString("Main", "Outside", "?"), "?");
  EXPECT_EQ(ini.ReadString("Main", "; comment", "?"), "?");
  EXPECT_EQ(ini.ReadInteger("Other", "Interval", 0), 7);
  EXPECT_EQ(ini.ReadString("last", "TAIL", "?"), "end");
  EXPECT_EQ(ini.ReadString("Nowhere", "tail", "?"), "?");

  dir.write("b.ini", "[Main]\nInterval=33\n[Keys]\n0000001A=Power");
  IniFile lf(dir.file("b.ini"));
  EXPECT_EQ(lf.ReadInteger("Main", "Interval", 0), 33);
  EXPECT_EQ(lf.ReadString("Keys", "0000001a", "?"), "Power");
}

TEST(IniFileRead, MissingFileOrFolderReadsAsEmpty) {
  TempDir dir;
  for (const std::string& path :
       {dir.file("none.ini"), dir.file("no-folder/none.ini"), dir.path(), std::string()}) {
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "DefaultConfig", "AverTV.cfg"), "AverTV.cfg") << path;
    EXPECT_EQ(ini.ReadInteger("Main", "Interval", 50), 50);
    EXPECT_TRUE(ini.ReadBool("Setup", "ReleaseDetect", true));
    StringList list;
    ini.ReadSectionValues("Keys", list);
    EXPECT_EQ(list.Count(), 0);
  }
}

TEST(IniFileRead, IntegersAreSignedDecimalThatFits) {
  TempDir dir;
  dir.write("a.ini",
            "[Main]\nplain=120\nnegative=-5\nblanks=  7 \nmax=2147483647\nmin=-2147483648\n"
            "zeros=007\nplus=+5\nhex=0x10\nexp=1e3\nempty=\nsign=-\ntrailing=12abc\n"
            "inner=1 2\nbig=2147483648\nsmall=-2147483649\nhuge=99999999999999999999\n"
            "t0=0\nt2=2\ntm=-1\nyes=yes\nfloat=1.0\n");
  IniFile ini(dir.file("a.ini"));
  EXPECT_EQ(ini.ReadInteger("Main", "plain", 9), 120);
  EXPECT_EQ(ini.ReadInteger("Main", "negative", 9), -5);
  EXPECT_EQ(ini.ReadInteger("Main", "blanks", 9), 7);
  EXPECT_EQ(ini.ReadInteger("Main", "max", 9), 2147483647);
  EXPECT_EQ(ini.ReadInteger("Main", "min", 9), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("Main", "zeros", 9), 7);
  for (const char* bad : {"plus", "hex", "exp", "empty", "sign", "trailing", "inner", "big",
                          "small", "huge", "yes", "float"})
    EXPECT_EQ(ini.ReadInteger("Main", bad, -9), -9) << bad;

  EXPECT_FALSE(ini.ReadBool("Main", "t0", true));
  EXPECT_TRUE(ini.ReadBool("Main", "t2", false));
  EXPECT_TRUE(ini.ReadBool("Main", "tm", false));
  for (const char* bad : {"yes", "empty", "hex", "big"}) {
    EXPECT_TRUE(ini.ReadBool("Main", bad, true)) << bad;
    EXPECT_FALSE(ini.ReadBool("Main", bad, false)) << bad;
  }
}

TEST(IniFileRead, SectionValuesInFileOrderAppendedToTheList) {
  TempDir dir;
  dir.write(
      "a.cfg",
      "[Setup]\nName=X\n[Keys]\n 0000001A = Power \n; 00000002=Comment\nno equals sign\n"
      "=no name\n0000000b=Mute\n0000001A=Again\n[Setup]\nKeyMask=FF\n[keys]\n00000003=Three\n");
  IniFile ini(dir.file("a.cfg"));
  StringList list;
  list.Add("kept=1");
  ini.ReadSectionValues("Keys", list);
  // Repeated names give one line each; the first one wins in lookups.
  EXPECT_EQ(Lines(list), "kept=1|0000001A=Power|0000000b=Mute|0000001A=Again|00000003=Three|");
  EXPECT_EQ(list.IndexOfName("0000000B"), 2);
  EXPECT_EQ(ini.ReadString("Keys", "0000001A", "?"), "Power");
  EXPECT_EQ(ini.ReadString("Setup", "KeyMask", "?"), "FF");
}

TEST(IniFileWrite, KeepsEveryLineItDoesNotOwn) {
  TempDir dir;
  const std::string original =
      "; settings\n"
      "[Main]\n"
      "  DefaultConfig = AverTV.cfg ; kept\n"
      "Interval=50\n"
      "Unknown=stays\n"
      "\n"
      "[Other]\n"
      "Interval=1\n"
      "# trailing comment\n";
  dir.write("a.ini", original);
  IniFile ini(dir.file("a.ini"));

  ASSERT_TRUE(ini.WriteInteger("main", "INTERVAL", 120));
  std::string replaced = original;
  replaced.replace(replaced.find("Interval=50"), 11, "INTERVAL=120");
  EXPECT_EQ(dir.read("a.ini"), replaced);

  ASSERT_TRUE(ini.WriteInteger("Main", "Wait1", -300));
  std::string appended = replaced;
  appended.insert(appended.find("Unknown=stays\n") + 14, "Wait1=-300\n");
  EXPECT_EQ(dir.read("a.ini"), appended);

  ASSERT_TRUE(ini.WriteString("New", "Key", "v a l"));
  EXPECT_EQ(dir.read("a.ini"), appended + "\n[New]\nKey=v a l\n");
  EXPECT_EQ(IniFile(dir.file("a.ini")).ReadInteger("Main", "Interval", 0), 120);
  EXPECT_EQ(IniFile(dir.file("a.ini")).ReadInteger("Other", "Interval", 0), 1);
  EXPECT_EQ(IniFile(dir.file("a.ini")).ReadString("Main", "DefaultConfig", ""),
            "AverTV.cfg ; kept");

  // The write leaves nothing else behind in the folder.
  EXPECT_EQ(plat::find_files(dir.path(), "*").size(), 1u);
}

TEST(IniFileWrite, KeepsLineEndsByteOrderMarkAndMissingLastLineEnd) {
  TempDir dir;
  dir.write("crlf.ini", "\xEF\xBB\xBF[Main]\r\nA=1\r\n\r\n[Keys]\r\nB=2");
  IniFile crlf(dir.file("crlf.ini"));
  ASSERT_TRUE(crlf.WriteString("Main", "C", "3"));
  ASSERT_TRUE(crlf.WriteString("Keys", "D", "4"));
  ASSERT_TRUE(crlf.WriteString("Setup", "E", "5"));
  EXPECT_EQ(
      dir.read("crlf.ini"),
      "\xEF\xBB\xBF[Main]\r\nA=1\r\nC=3\r\n\r\n[Keys]\r\nB=2\r\nD=4\r\n\r\n[Setup]\r\nE=5\r\n");

  dir.write("lf.ini", "[Main]\nA=1");
  IniFile lf(dir.file("lf.ini"));
  ASSERT_TRUE(lf.WriteString("Main", "A", "x"));
  EXPECT_EQ(dir.read("lf.ini"), "[Main]\nA=x");
  ASSERT_TRUE(lf.WriteString("Main", "B", "y"));
  EXPECT_EQ(dir.read("lf.ini"), "[Main]\nA=x\nB=y");

  // A section whose header is its only line gets the entry right below it.
  dir.write("empty.ini", "[Main]\n\n\n[Next]\nZ=1\n");
  IniFile empty(dir.file("empty.ini"));
  ASSERT_TRUE(empty.WriteInteger("Main", "Wait1", 300));
  EXPECT_EQ(dir.read("empty.ini"), "[Main]\nWait1=300\n\n\n[Next]\nZ=1\n");
}

TEST(IniFileWrite, CreatesTheFileAndTheNextObjectSeesIt) {
  TempDir dir;
  IniFile ini(dir.file("new.ini"));
  ASSERT_TRUE(ini.WriteInteger("Main", "Wait1", 300));
  ASSERT_TRUE(ini.WriteInteger("Main", "WaitN", 100));
  const std::string line_end =
      dir.read("new.ini").find("\r\n") != std::string::npos ? "\r\n" : "\n";
  EXPECT_EQ(dir.read("new.ini"),
            "[Main]" + line_end + "Wait1=300" + line_end + "WaitN=100" + line_end);
  EXPECT_EQ(IniFile(dir.file("new.ini")).ReadInteger("Main", "WaitN", 0), 100);
}

TEST(IniFileWrite, RefusesWhatWouldNotReadBack) {
  TempDir dir;
  dir.write("a.ini", "[Main]\nA=1\n");
  IniFile ini(dir.file("a.ini"));
  EXPECT_FALSE(ini.WriteString("Main", "A", "two\nlines"));
  EXPECT_FALSE(ini.WriteString("Main", "A", std::string("nul\0byte", 8)));
  EXPECT_FALSE(ini.WriteString("Main", "B=C", "1"));
  EXPECT_FALSE(ini.WriteString("Main", "", "1"));
  EXPECT_FALSE(ini.WriteString("Main", ";A", "1"));
  EXPECT_FALSE(ini.WriteString("Ma]in", "A", "1"));
  EXPECT_FALSE(ini.WriteString("", "A", "1"));
  EXPECT_FALSE(ini.WriteString("Main", "A", std::string(5000, 'x')));
  EXPECT_EQ(dir.read("a.ini"), "[Main]\nA=1\n");
  // A folder in the place of the file is not replaced.
  EXPECT_FALSE(IniFile(dir.path()).WriteString("Main", "A", "1"));
}

TEST(IniFileMalformed, GarbageAndHugeLinesAreSkippedAndKept) {
  TempDir dir;
  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage.push_back(static_cast<char>(seed >> 24));
  }
  const std::string huge(1 << 20, 'k');
  const std::string content =
      garbage + "\n[Main]\n" + huge + "=1\nHuge=" + huge + "\nInterval=77\n";
  dir.write("a.ini", content);
  IniFile ini(dir.file("a.ini"));
  EXPECT_EQ(ini.ReadInteger("Main", "Interval", 0), 77);
  EXPECT_EQ(ini.ReadString("Main", "Huge", "?"), "?");
  StringList list;
  ini.ReadSectionValues("Main", list);
  EXPECT_EQ(Lines(list), "Interval=77|");

  ASSERT_TRUE(ini.WriteInteger("Main", "Interval", 78));
  std::string expected = content;
  expected.replace(expected.rfind("Interval=77"), 11, "Interval=78");
  EXPECT_EQ(dir.read("a.ini"), expected);
}

TEST(IniFileMalformed, BrokenSectionHeadersEndTheSectionBeforeThem) {
  TempDir dir;
  dir.write("a.cfg",
            "[Setup]\nName=Good\n[Keys\n00000001=One\nno equals\n"
            "[" +
                std::string(5000, 'K') + "]\n00000002=Two\n[Setup]\nResetAdr=3");
  IniFile ini(dir.file("a.cfg"));
  EXPECT_EQ(ini.ReadString("Setup", "Name", "?"), "Good");
  EXPECT_EQ(ini.ReadString("Setup", "00000001", "?"), "?");
  EXPECT_EQ(ini.ReadString("Setup", "00000002", "?"), "?");
  EXPECT_EQ(ini.ReadInteger("Setup", "ResetAdr", -1), 3);
  StringList keys;
  ini.ReadSectionValues("Keys", keys);
  EXPECT_EQ(keys.Count(), 0);
  StringList setup;
  ini.ReadSectionValues("Setup", setup);
  EXPECT_EQ(Lines(setup), "Name=Good|ResetAdr=3|");
}

TEST(IniFileMalformed, TenThousandKeys) {
  TempDir dir;
  std::string content = "[Keys]\n";
  for (int i = 0; i < 10000; ++i)
    content += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  content += "[Main]\nInterval=5\n";
  dir.write("a.cfg", content);
  IniFile ini(dir.file("a.cfg"));
  StringList keys;
  ini.ReadSectionValues("Keys", keys);
  ASSERT_EQ(keys.Count(), 10000);
  EXPECT_EQ(keys[9999], "K9999=9999");
  EXPECT_EQ(keys.IndexOfName("k9999"), 9999);
  EXPECT_EQ(ini.ReadInteger("Keys", "K9999", -1), 9999);
  ASSERT_TRUE(ini.WriteInteger("Keys", "K5000", -1));
  ASSERT_TRUE(ini.WriteInteger("Keys", "K10000", 10000));
  StringList after;
  ini.ReadSectionValues("Keys", after);
  ASSERT_EQ(after.Count(), 10001);
  EXPECT_EQ(after[5000], "K5000=-1");
  EXPECT_EQ(after[10000], "K10000=10000");
  EXPECT_EQ(ini.ReadInteger("Main", "Interval", 0), 5);
}

TEST(IniFileMalformed, OversizedFileReadsEmptyAndIsNotRewritten) {
  TempDir dir;
  const std::string content = "[Main]\nInterval=9\n" + std::string(5 << 20, '\n');
  dir.write("a.ini", content);
  IniFile ini(dir.file("a.ini"));
  EXPECT_EQ(ini.ReadInteger("Main", "Interval", 50), 50);
  EXPECT_FALSE(ini.WriteInteger("Main", "Interval", 10));
  EXPECT_EQ(dir.read("a.ini").size(), content.size());
}

TEST(IniFileWrite, ReadOnlyFolderLeavesTheFileAsItWas) {
  TempDir dir;
  dir.write("a.ini", "[Main]\nWait1=300\n");
  IniFile ini(dir.file("a.ini"));
  ReadOnlyFolder read_only(dir.path());
  if (!read_only.Usable()) GTEST_SKIP() << "folder permissions do not stop writing here";
  EXPECT_FALSE(ini.WriteInteger("Main", "Wait1", 500));
  EXPECT_FALSE(IniFile(dir.file("b.ini")).WriteInteger("Main", "Wait1", 500));
  EXPECT_EQ(dir.read("a.ini"), "[Main]\nWait1=300\n");
  EXPECT_EQ(ini.ReadInteger("Main", "Wait1", 0), 300);
  EXPECT_FALSE(dir.exists("b.ini"));
  EXPECT_FALSE(dir.exists("a.ini.tmp"));
}

}  // namespace
