#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/definition.h"
#include "config/key_index.h"
#include "host/temp_dir.h"
#include "platform/folder.h"
#include "tests/support/unicode_text.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/newer_functions_testing.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace config;

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
  host::TempDir dir;
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
  host::TempDir dir;
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
  host::TempDir dir;
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
  for (const char* bad :
       {"plus", "hex", "exp", "empty", "sign", "trailing", "inner", "big", "small", "huge", "yes", "float"})
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
  host::TempDir dir;
  dir.write("a.cfg",
            "[Setup]\nName=X\n[Keys]\n 0000001A = Power \n; 00000002=Comment\nno equals sign\n"
            "=no name\n0000000b=Mute\n0000001A=Again\n[Setup]\nKeyMask=FF\n[keys]\n00000003=Three\n");
  IniFile ini(dir.file("a.cfg"));
  StringList list;
  list.Add("kept=1");
  ini.ReadSectionValues("Keys", list);
  // Repeated names give one line each; the first one wins in lookups.
  EXPECT_EQ(Lines(list), "kept=1|0000001A=Power|0000000b=Mute|0000001A=Again|00000003=Three|");
  // The key index over the same lines: the first of a code, in any case.
  const Definition read = ReadDefinition(dir.file("a.cfg"));
  const KeyIndex index(read.keys, read.name);
  ASSERT_NE(index.Find(0xB), nullptr);
  EXPECT_EQ(index.Find(0xB)->name, "Mute");
  ASSERT_NE(index.Find(0x1A), nullptr);
  EXPECT_EQ(index.Find(0x1A)->name, "Power");
  EXPECT_EQ(ini.ReadString("Keys", "0000001A", "?"), "Power");
  EXPECT_EQ(ini.ReadString("Setup", "KeyMask", "?"), "FF");
}

TEST(IniFileRead, LinesCarryTheirNumberKindSectionAndValueAsRead) {
  host::TempDir dir;
  dir.write(
      "lines.ini",
      "\xEF\xBB\xBFtop=1\r\n; note\r\n\r\n[ Keys ]\r\n 0000000C = \"Power\" \r\nno equals\r\n[broken\nx=2");
  std::vector<IniLine> lines = IniFile(dir.file("lines.ini")).ReadLines();
  ASSERT_EQ(lines.size(), 8u);
  using K = IniLine::Kind;
  const K kinds[] = {K::Entry, K::Comment, K::Blank, K::Section, K::Entry, K::Other, K::Section, K::Entry};
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(lines[i].kind, kinds[i]) << i;
  }
  EXPECT_EQ(lines[0].section, "");
  EXPECT_EQ(lines[0].text, "top=1");
  EXPECT_EQ(lines[3].section, "Keys");
  EXPECT_EQ(lines[4].section, "Keys");
  EXPECT_EQ(lines[4].key, "0000000C");
  EXPECT_EQ(lines[4].value, IniFile(dir.file("lines.ini")).ReadString("keys", "0000000C", ""));
  EXPECT_EQ(lines[4].value, "Power");
  EXPECT_EQ(lines[4].text, " 0000000C = \"Power\" ");
  EXPECT_EQ(lines[7].section, "");  // a header without "]" matches no section
  EXPECT_TRUE(IniFile(dir.file("missing.ini")).ReadLines().empty());
}

TEST(IniFileWrite, KeepsEveryLineItDoesNotOwn) {
  host::TempDir dir;
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
  EXPECT_EQ(IniFile(dir.file("a.ini")).ReadString("Main", "DefaultConfig", ""), "AverTV.cfg ; kept");

  // The write leaves nothing else behind in the folder.
  EXPECT_EQ(plat::find_files(dir.path(), "*").size(), 1u);
}

TEST(IniFileWrite, KeepsLineEndsByteOrderMarkAndMissingLastLineEnd) {
  host::TempDir dir;
  dir.write("crlf.ini", "\xEF\xBB\xBF[Main]\r\nA=1\r\n\r\n[Keys]\r\nB=2");
  IniFile crlf(dir.file("crlf.ini"));
  ASSERT_TRUE(crlf.WriteString("Main", "C", "3"));
  ASSERT_TRUE(crlf.WriteString("Keys", "D", "4"));
  ASSERT_TRUE(crlf.WriteString("Setup", "E", "5"));
  EXPECT_EQ(dir.read("crlf.ini"),
            "\xEF\xBB\xBF[Main]\r\nA=1\r\nC=3\r\n\r\n[Keys]\r\nB=2\r\nD=4\r\n\r\n[Setup]\r\nE=5\r\n");

  dir.write("lf.ini", "[Main]\nA=1");
  IniFile lf(dir.file("lf.ini"));
  ASSERT_TRUE(lf.WriteString("Main", "A", "x"));
  EXPECT_EQ(dir.read("lf.ini"), "[Main]\nA=x");
  ASSERT_TRUE(lf.WriteString("Main", "B", "y"));
  EXPECT_EQ(dir.read("lf.ini"), "[Main]\nA=x\nB=y");

  // The line before an inserted one keeps its own line end.
  for (bool utf16 : {false, true}) {
    auto bytes = [utf16](std::u16string_view text) {
      return utf16 ? Utf16Bytes(text) : std::string(text.begin(), text.end());
    };
    dir.write("mixed.ini", bytes(u"[Main]\r\nA=1\r[Keys]\nB=2\r\n[Next]\n"));
    ASSERT_TRUE(IniFile(dir.file("mixed.ini")).WriteValues("Main", {{"C", "3"}}));
    ASSERT_TRUE(IniFile(dir.file("mixed.ini")).WriteValues("Keys", {{"D", "4"}}));
    EXPECT_EQ(dir.read("mixed.ini"), bytes(u"[Main]\r\nA=1\rC=3\r\n[Keys]\nB=2\r\nD=4\r\n[Next]\n"));
  }

  // A section whose header is its only line gets the entry right below it.
  dir.write("empty.ini", "[Main]\n\n\n[Next]\nZ=1\n");
  IniFile empty(dir.file("empty.ini"));
  ASSERT_TRUE(empty.WriteInteger("Main", "Wait1", 300));
  EXPECT_EQ(dir.read("empty.ini"), "[Main]\nWait1=300\n\n\n[Next]\nZ=1\n");
}

TEST(IniFileWrite, CreatesTheFileAndTheNextObjectSeesIt) {
  host::TempDir dir;
  IniFile ini(dir.file("new.ini"));
  ASSERT_TRUE(ini.WriteInteger("Main", "Wait1", 300));
  ASSERT_TRUE(ini.WriteInteger("Main", "WaitN", 100));
  const std::string line_end = dir.read("new.ini").find("\r\n") != std::string::npos ? "\r\n" : "\n";
  EXPECT_EQ(dir.read("new.ini"), "[Main]" + line_end + "Wait1=300" + line_end + "WaitN=100" + line_end);
  EXPECT_EQ(IniFile(dir.file("new.ini")).ReadInteger("Main", "WaitN", 0), 100);
}

TEST(IniFileWrite, RefusesWhatWouldNotReadBack) {
  host::TempDir dir;
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
  host::TempDir dir;
  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage.push_back(static_cast<char>(seed >> 24));
  }
  const std::string huge(1 << 20, 'k');
  const std::string content = garbage + "\n[Main]\n" + huge + "=1\nHuge=" + huge + "\nInterval=77\n";
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
  host::TempDir dir;
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
  host::TempDir dir;
  std::string content = "[Keys]\n";
  for (int i = 0; i < 10000; ++i) content += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  content += "[Main]\nInterval=5\n";
  dir.write("a.cfg", content);
  IniFile ini(dir.file("a.cfg"));
  StringList keys;
  ini.ReadSectionValues("Keys", keys);
  ASSERT_EQ(keys.Count(), 10000);
  EXPECT_EQ(keys[9999], "K9999=9999");
  EXPECT_EQ(ini.ReadInteger("keys", "k9999", -1), 9999);  // names in any case
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
  host::TempDir dir;
  const std::string content = "[Main]\nInterval=9\n" + std::string(5 << 20, '\n');
  dir.write("a.ini", content);
  IniFile ini(dir.file("a.ini"));
  EXPECT_EQ(ini.ReadInteger("Main", "Interval", 50), 50);
  EXPECT_FALSE(ini.WriteInteger("Main", "Interval", 10));
  EXPECT_EQ(dir.read("a.ini").size(), content.size());
}

TEST(IniFileWrite, ReadOnlyFolderLeavesTheFileAsItWas) {
  host::TempDir dir;
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

namespace {

size_t FileCount(const host::TempDir& dir) { return plat::find_files(dir.path(), "*").size(); }

TEST(IniFileRoundTrip, EveryValueAndNameTheWriterAcceptsReadsBackUnchanged) {
  host::TempDir dir;
  dir.write("utf16.ini", Utf16Bytes(u"[Main]\r\n", true));
  dir.write("utf8.ini", "\xEF\xBB\xBF[Main]\n");
  const std::string values[] = {" X.cfg",
                                "X.cfg ",
                                "\t",
                                " ",
                                "",
                                "\"quoted\"",
                                "'single'",
                                "\"",
                                "\"\"",
                                "\"a'",
                                "in \"side\"",
                                "a=b",
                                "; no comment",
                                "\xE9t\xE9 \x80",
                                std::string(4000, 'v')};
  for (const char* name : {"ansi.ini", "utf16.ini", "utf8.ini"}) {
    IniFile ini(dir.file(name));
    for (const std::string& value : values) {
      ASSERT_TRUE(ini.WriteString("Main", "Value", value)) << name << " [" << value << "]";
      EXPECT_EQ(ini.ReadString("Main", "Value", "?"), value) << name;
    }
    // Names with inner blanks, and a header just at the line limit.
    const std::string long_section(4094, 'S');
    for (int twice = 0; twice < 2; ++twice) {
      ASSERT_TRUE(ini.WriteString(long_section, "Key With Blanks", "1"));
      ASSERT_TRUE(ini.WriteString("Main Section", "K", "2"));
    }
    EXPECT_EQ(ini.ReadString(long_section, "key with blanks", "?"), "1");
    EXPECT_EQ(ini.ReadString("main section", "K", "?"), "2");
    EXPECT_EQ(ini.ReadLines().size(), 8u) << name;  // one copy of each section
  }

  // What would not read back is refused and leaves the file as it was.
  const std::string before = dir.read("utf16.ini");
  IniFile ini(dir.file("utf16.ini"));
  for (const std::string& section :
       {std::string(4095, 'S'), std::string(" Main"), std::string("Main "), std::string("Ma[in"),
        std::string("Ma]in"), std::string(""), std::string("a\rb")})
    EXPECT_FALSE(ini.WriteString(section, "K", "1")) << section.size();
  for (const char* key : {" K", "K ", "", "K=V", ";K", "#K", "[K", "a\rb"})
    EXPECT_FALSE(ini.WriteString("Main", key, "1")) << key;
  EXPECT_FALSE(ini.WriteString("Main", "K", "a\rb"));
  EXPECT_FALSE(ini.WriteString("Main", "K", std::string(4093, 'v') + " "));  // the quotes do not fit
  EXPECT_FALSE(ini.WriteValues("Main", {{"Good", "1"}, {"Bad=", "2"}}));
  EXPECT_EQ(dir.read("utf16.ini"), before);
}

TEST(IniFileWrite, SeveralKeysInOneReplace) {
  host::TempDir dir;
  dir.write("a.ini", "[Main]\nWaitN=1\n[Extra]\nA=1\n");
  IniFile ini(dir.file("a.ini"));
  ASSERT_TRUE(ini.WriteValues("Main", {{"Wait1", "310"}, {"WaitN", " 2 "}, {"WaitR", "990"}}));
  EXPECT_EQ(dir.read("a.ini"), "[Main]\nWaitN=\" 2 \"\nWait1=310\nWaitR=990\n[Extra]\nA=1\n");
  EXPECT_EQ(ini.ReadString("Main", "WaitN", ""), " 2 ");
  EXPECT_FALSE(IniFile("").WriteValues("Main", {{"A", "1"}}));
  EXPECT_EQ(FileCount(dir), 1u);
}

TEST(IniFileEncodings, UnicodeFilesReadAsAnsiAndAreWrittenBackInTheirOwnEncoding) {
  host::TempDir dir;
  for (bool little : {true, false}) {
    // The comment's character has no ANSI form; untouched lines keep it.
    dir.write("u.ini", Utf16Bytes(u"; \u4E2D\r\n[Main]\r\nName=Caf\u00E9\r\nWait1=1\r\n", little));
    IniFile ini(dir.file("u.ini"));
    EXPECT_EQ(ini.ReadString("Main", "Name", "?"), "Caf\xE9");
    ASSERT_TRUE(ini.WriteValues("Main", {{"Wait1", "300"}, {"Name", "\xE9"}, {"New", "\x80"}}));
    EXPECT_EQ(dir.read("u.ini"),
              Utf16Bytes(u"; \u4E2D\r\n[Main]\r\nName=\u00E9\r\nWait1=300\r\nNew=\u20AC\r\n", little));
    ASSERT_TRUE(ini.WriteString("Other", "K", "v"));
    EXPECT_EQ(dir.read("u.ini"),
              Utf16Bytes(u"; \u4E2D\r\n[Main]\r\nName=\u00E9\r\nWait1=300\r\nNew=\u20AC\r\n\r\n"
                         u"[Other]\r\nK=v\r\n",
                         little));
    const std::vector<IniLine> lines = ini.ReadLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].text, "; ?");
  }

  dir.write("u8.ini", "\xEF\xBB\xBF[Main]\nName=Caf\xC3\xA9\n");
  IniFile utf8(dir.file("u8.ini"));
  EXPECT_EQ(utf8.ReadString("Main", "Name", "?"), "Caf\xE9");
  ASSERT_TRUE(utf8.WriteString("Main", "Name", "\xE9\x80"));
  EXPECT_EQ(dir.read("u8.ini"), "\xEF\xBB\xBF[Main]\nName=\xC3\xA9\xE2\x82\xAC\n");

  // Without a mark the bytes are ANSI as they are; lone CRs end lines too.
  dir.write("cr.ini", "[Main]\rA=\xC3\xA9\rB=2\n\nC=3\r\n[Keys]\rD=4");
  IniFile cr(dir.file("cr.ini"));
  EXPECT_EQ(cr.ReadString("Main", "A", "?"), "\xC3\xA9");
  EXPECT_EQ(cr.ReadInteger("Main", "C", 0), 3);
  EXPECT_EQ(cr.ReadInteger("Keys", "D", 0), 4);
  ASSERT_TRUE(cr.WriteString("Main", "E", "5"));
  EXPECT_EQ(dir.read("cr.ini"), "[Main]\rA=\xC3\xA9\rB=2\n\nC=3\r\nE=5\r[Keys]\rD=4");

  // Full-width brackets and equals signs have no ANSI form: no section, no entry ("?").
  dir.write("wide.cfg", Utf16Bytes(u"\uFF3BKeys\uFF3D\r\n0000000C\uFF1DPower\r\n[Keys]\r\nD=M\r\n"));
  const std::vector<IniLine> wide = IniFile(dir.file("wide.cfg")).ReadLines();
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[0].text + wide[1].text, "?Keys?0000000C?Power");
}

// A key read lossily looks like "?" but is not that key: its line is never
// replaced. A lossy value under an exact key is.
TEST(IniFileEncodings, TheWriterNeverTakesALossilyReadKeyForTheOneAskedFor) {
  struct Case {
    std::string text;
    std::string key;
    bool written;
    std::string after;  // empty: unchanged
  };
  const std::string mark = "\xEF\xBB\xBF";
  const std::vector<Case> cases = {
      {mark + "[Main]\n\xE6\x97\xA5=1\n", "?", false, ""},
      {Utf16Bytes(u"[Main]\r\n\u65E5=1\r\n"), "?", false, ""},
      {mark + "[Main]\nA\xE6\x97\xA5=1\n", "a?", false, ""},
      {mark + "[Main]\nName=\xE6\x97\xA5\n", "Name", true, mark + "[Main]\nName=2\n"},
  };
  host::TempDir dir;
  for (const Case& c : cases) {
    dir.write("u.ini", c.text);
    EXPECT_EQ(IniFile(dir.file("u.ini")).WriteString("Main", c.key, "2"), c.written) << c.key;
    EXPECT_EQ(dir.read("u.ini"), c.after.empty() ? c.text : c.after) << c.key;
  }
}

// A UTF-16 file ending in half a unit (an ANSI line appended): saves read back and stop growing.
TEST(IniFileWrite, AUtf16FileEndingInHalfAUnitSavesWhatReadsBack) {
  host::TempDir dir;
  for (bool little : {true, false}) {
    const std::string original = Utf16Bytes(u"[Main]\r\nInterval=50\r\n", little) + "x\r\n";
    dir.write("a.ini", original);
    IniFile ini(dir.file("a.ini"));
    for (int save = 0; save < 3; ++save) {
      ASSERT_TRUE(ini.WriteValues("Main", {{"Wait1", "300"}, {"WaitR", std::to_string(save)}}));
      EXPECT_EQ(ini.ReadInteger("Main", "Wait1", 0) + ini.ReadInteger("Main", "WaitR", -1), 300 + save);
    }
    EXPECT_EQ(dir.read("a.ini").substr(0, original.size()), original);  // the stray byte kept
    EXPECT_EQ(dir.read("a.ini").size(),
              original.size() + 1 + 2 * std::string_view("Wait1=300\r\nWaitR=2\r\n").size());
  }
}

// A leftover temporary of any name, a link included, is neither followed nor
// reused nor removed, and writes add none.
TEST(IniFileReplace, StaleTemporariesAreLeftAloneAndNeverGrowInNumber) {
  host::TempDir dir;
  dir.write("victim.txt", "victim");
  dir.write("a.ini", "[Main]\nA=1\n");
  dir.write("a.ini.tmp", "stale");
#ifndef _WIN32
  ASSERT_EQ(::symlink(dir.file("victim.txt").c_str(), dir.file("a.ini.1-0.tmp").c_str()), 0);
  ASSERT_EQ(::symlink("victim.txt", dir.file("a.ini.tmp2").c_str()), 0);
#endif
  const size_t count = FileCount(dir);
  IniFile ini(dir.file("a.ini"));
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(ini.WriteInteger("Main", "A", i));
  EXPECT_EQ(dir.read("a.ini"), "[Main]\nA=19\n");
  EXPECT_EQ(dir.read("victim.txt"), "victim");
  EXPECT_EQ(dir.read("a.ini.tmp"), "stale");
  EXPECT_EQ(FileCount(dir), count);
}

#ifndef _WIN32
int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(IniFileReplace, KeepsPermissionsRefusesReadOnlyFilesAndWritesThroughLinks) {
  host::TempDir dir;
  dir.write("a.ini", "[Main]\nA=1\n");
  IniFile ini(dir.file("a.ini"));
  for (int mode : {0600, 0640, 0604}) {
    ASSERT_EQ(::chmod(dir.file("a.ini").c_str(), static_cast<mode_t>(mode)), 0);
    ASSERT_TRUE(ini.WriteInteger("Main", "A", mode));
    EXPECT_EQ(ModeOf(dir.file("a.ini")), mode);
  }
  // Read-only by its mode, even for a user whom permissions do not stop.
  ASSERT_EQ(::chmod(dir.file("a.ini").c_str(), 0444), 0);
  const std::string kept = dir.read("a.ini");
  EXPECT_FALSE(ini.WriteInteger("Main", "A", 2));
  EXPECT_EQ(dir.read("a.ini"), kept);
  EXPECT_EQ(ModeOf(dir.file("a.ini")), 0444);
  ASSERT_EQ(::chmod(dir.file("a.ini").c_str(), 0644), 0);

  // A link, relative or to a link, is written through and stays a link; a
  // dangling one gets its target created.
  ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0755), 0);
  dir.write("real/target.ini", "[Main]\nA=1\n");
  ASSERT_EQ(::symlink("real/target.ini", dir.file("link.ini").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("link.ini").c_str(), dir.file("link2.ini").c_str()), 0);
  ASSERT_EQ(::symlink("real/new.ini", dir.file("dangling.ini").c_str()), 0);
  ASSERT_TRUE(IniFile(dir.file("link2.ini")).WriteInteger("Main", "A", 7));
  ASSERT_TRUE(IniFile(dir.file("dangling.ini")).WriteInteger("Main", "B", 8));
  struct stat st;
  for (const char* link : {"link.ini", "link2.ini", "dangling.ini"}) {
    ASSERT_EQ(::lstat(dir.file(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  }
  EXPECT_EQ(dir.read("real/target.ini"), "[Main]\nA=7\n");
  EXPECT_EQ(IniFile(dir.file("real/new.ini")).ReadInteger("Main", "B", 0), 8);
  EXPECT_EQ(plat::find_files(dir.file("real/"), "*").size(), 2u);

  // A loop of links is no file to write.
  ASSERT_EQ(::symlink("loop2.ini", dir.file("loop1.ini").c_str()), 0);
  ASSERT_EQ(::symlink("loop1.ini", dir.file("loop2.ini").c_str()), 0);
  EXPECT_FALSE(IniFile(dir.file("loop1.ini")).WriteInteger("Main", "A", 1));
}
#else
TEST(IniFileReplace, RefusesReadOnlyFilesAndKeepsHiddenOnes) {
  host::TempDir dir;
  dir.write("a.ini", "[Main]\nA=1\n");
  const std::string path = dir.file("a.ini");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(IniFile(path).WriteInteger("Main", "A", 2));
  EXPECT_EQ(IniFile(path).ReadInteger("Main", "A", 0), 1);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(IniFile(path).WriteInteger("Main", "A", 3));
  EXPECT_EQ(IniFile(path).ReadInteger("Main", "A", 0), 3);
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(FileCount(dir), 1u);
}

TEST(IniFileReplace, WritesThroughASymbolicLink) {
  host::TempDir dir;
  dir.write("target.ini", "[Main]\nA=1\n");
  const std::string link = dir.file("link.ini");
  const DWORD made = CreateSymbolicLinkA(link.c_str(), dir.file("target.ini").c_str(), 0)
                         ? GetFileAttributesA(link.c_str())
                         : INVALID_FILE_ATTRIBUTES;
  if (made == INVALID_FILE_ATTRIBUTES || !(made & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no working symbolic links here";
  ASSERT_TRUE(IniFile(link).WriteInteger("Main", "A", 2));
  EXPECT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(IniFile(dir.file("target.ini")).ReadInteger("Main", "A", 0), 2);

  // As on Windows XP, which cannot follow a link: the file at the path is
  // replaced as it stands, and the save still succeeds.
  plat::win32::hide_newer_functions(true);
  const bool saved = IniFile(link).WriteInteger("Main", "A", 3);
  plat::win32::hide_newer_functions(false);
  ASSERT_TRUE(saved);
  EXPECT_EQ(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(IniFile(link).ReadInteger("Main", "A", 0), 3);
  EXPECT_EQ(IniFile(dir.file("target.ini")).ReadInteger("Main", "A", 0), 2);
}

// Windows XP lacks the function that follows links: saves go on without it.
TEST(IniFileReplace, SavesWhereTheSystemCannotFollowLinks) {
  host::TempDir dir;
  dir.write("a.ini", "[Main]\nA=1\n");
  plat::win32::hide_newer_functions(true);
  const bool replaced = IniFile(dir.file("a.ini")).WriteInteger("Main", "A", 2);
  const bool created = IniFile(dir.file("new.ini")).WriteString("Main", "B", "x");
  plat::win32::hide_newer_functions(false);
  EXPECT_TRUE(replaced);
  EXPECT_TRUE(created);
  EXPECT_EQ(IniFile(dir.file("a.ini")).ReadInteger("Main", "A", 0), 2);
  EXPECT_EQ(IniFile(dir.file("new.ini")).ReadString("Main", "B", ""), "x");
  EXPECT_EQ(FileCount(dir), 2u);
}
#endif

}  // namespace
