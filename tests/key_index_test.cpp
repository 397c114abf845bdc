// A definition's keys as read, and the index by number that names codes: it
// names every code exactly as the text lookup over the key lines did.
#include "config/key_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/code_text.h"
#include "config/definition.h"
#include "config/hex.h"
#include "host/temp_dir.h"

using namespace config;

namespace {

// ---------------------------------------------------------------- code text

std::string Formatted(uint64_t code) {
  char out[kCodeTextSize];
  std::memset(out, 'x', sizeof out);
  const size_t n = FormatCodeText(code, out);
  for (size_t i = n; i < sizeof out; ++i) EXPECT_EQ(out[i], '\0') << "byte " << i;
  EXPECT_EQ(CodeText(code), std::string(out, n));
  return std::string(out, n);
}

TEST(CodeText, PadsToEightDigitsAndGrowsAsTheValueNeeds) {
  EXPECT_EQ(Formatted(0), "00000000");
  EXPECT_EQ(Formatted(0xABCDEF), "00ABCDEF");
  EXPECT_EQ(Formatted(0xFFFFFFFF), "FFFFFFFF");
  EXPECT_EQ(Formatted(0x123456789ull), "123456789");
  EXPECT_EQ(Formatted(~uint64_t{0}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Formatted(0xABCD), "0000ABCD");
  EXPECT_EQ(Formatted(0x5), "00000005");
  EXPECT_EQ(Formatted(0x1F), "0000001F");
  EXPECT_EQ(Formatted(0x1000000000000000ull), "1000000000000000");
}

TEST(CodeText, ReadsBackOnlyTheTextItWrites) {
  for (uint64_t code : {uint64_t{0}, uint64_t{0xA}, uint64_t{0xFFFFFFFF}, uint64_t{0x100000000},
                        uint64_t{0x123456789ABCDEF0}, ~uint64_t{0}}) {
    EXPECT_EQ(CodeOfText(CodeText(code)), code) << CodeText(code);
  }
  EXPECT_EQ(CodeOfText("0000abcd"), 0xABCDu);
  for (const char* never : {"", "A", "0000000", "000000001", "0100000000", "10000000000000000", "0000000G",
                            "0x000001", " 00000001"}) {
    EXPECT_EQ(CodeOfText(never), std::nullopt) << '"' << never << '"';
  }
}

// ---------------------------------------------------------------- keys

Definition Read(const host::TempDir& dir, const std::string& text) {
  dir.write("remote.cfg", text);
  return ReadDefinition(dir.file("remote.cfg"));
}

// The lookup the engine made before the index: the first key line, in file
// order, whose code text equals the code's written text in any letter case.
const DefinitionKey* TextLookup(const Definition& d, uint64_t code) {
  const std::string text = CodeText(code);
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (const DefinitionKey& key : d.keys) {
    if (key.code.size() != text.size()) continue;
    bool same = true;
    for (size_t i = 0; i < text.size() && same; ++i) same = upper(key.code[i]) == upper(text[i]);
    if (same) return &key;
  }
  return nullptr;
}

// Every code an entry could mean: its digits read as a number (the last 16
// when there are more), with the neighbours, and the ends of the range.
std::set<uint64_t> CodesOfInterest(const Definition& d) {
  std::set<uint64_t> codes = {0, 1, 0xFFFFFFFFu, 0x100000000u, UINT64_MAX, UINT64_MAX - 1};
  for (const DefinitionKey& key : d.keys) {
    std::string digits = key.code;
    if (digits.size() > 16) digits = digits.substr(digits.size() - 16);
    for (std::string text : {digits, digits.empty() ? digits : digits.substr(1)}) {
      if (std::optional<uint64_t> code = ParseHexDigits(text)) {
        codes.insert({*code - 1, *code, *code + 1});
      }
    }
  }
  return codes;
}

TEST(KeyIndex, NamesEveryCodeAsTheFirstMatchingKeyLineDid) {
  struct Case {
    const char* what;
    const char* keys;
  };
  const Case cases[] = {
      {"leading zeros missing", "8001=Short\n00008001=Full\n0008002=Seven\n"},
      {"lower case", "0000000a=Lower\n0000000A=Upper\n000000bc=Mixed\n"},
      {"nine digits with a leading zero", "000000001=Nine\n00000001=Eight\n"},
      {"nine digits without", "100000000=Big\n0100000000=Ten\n"},
      {"sixteen digits", "FFFFFFFFFFFFFFFF=Max\n0123456789ABCDEF=Lead\n123456789abcdef0=Sixteen\n"},
      {"seventeen digits", "10000000000000000=Over\n1FFFFFFFFFFFFFFFF=Wide\n00000000000000001=Zeros\n"},
      {"one code in three cases", "000000ab=first\n000000AB=second\n000000Ab=third\n"},
      {"one name for several codes", "00000001=Vol\n00000002=Vol\nFFFFFFFF=Vol\n"},
      {"not hexadecimal", "0000000G=G\n0x000001=Prefix\n-0000001=Minus\n+0000001=Plus\n0000 001=Gap\n"},
      {"an empty code", "=Empty\n00000000=Zero\n"},
      {"no key at all", ""},
  };
  host::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Definition d = Read(dir, std::string("[Setup]\nName=Remote\n[Keys]\n") + c.keys);
    const KeyIndex index(d.keys, d.name);
    size_t named = 0;
    for (uint64_t code : CodesOfInterest(d)) {
      SCOPED_TRACE(CodeText(code));
      const DefinitionKey* expected = TextLookup(d, code);
      const KeyIndex::Key* found = index.Find(code);
      ASSERT_EQ(found != nullptr, expected != nullptr);
      if (found == nullptr) continue;
      ++named;
      EXPECT_EQ(found->code, code);
      EXPECT_EQ(found->name, expected->name);
    }
    EXPECT_EQ(index.Size(), named) << "an indexed key no code reaches";
    EXPECT_EQ(index.RemoteName(), "Remote");
  }
}

// Key lines as the definition gives them: in file order, each split at its
// first "=", the code compared whole; the index takes the first of a code.
TEST(KeyIndex, KeyLinesSplitAtTheFirstEqualsAndMatchWhole) {
  host::TempDir dir;
  const Definition d = Read(dir,
                            "[Setup]\nName=My remote\nName=ignored\n"
                            "[Keys]\nno equals sign\n0000001a=Power\n0000001A=Second\n0000001=Short\n"
                            "=Empty name\nKey=a=b\nEmpty=\n");
  std::vector<std::string> lines;
  for (const DefinitionKey& key : d.keys) lines.push_back(key.code + "|" + key.name);
  // A line with no name before its "=" is no entry at all.
  EXPECT_THAT(
      lines, testing::ElementsAre("0000001a|Power", "0000001A|Second", "0000001|Short", "Key|a=b", "Empty|"));
  const KeyIndex index(d.keys, d.name);
  ASSERT_NE(index.Find(0x1A), nullptr);
  EXPECT_EQ(index.Find(0x1A)->name, "Power");  // first match wins
  EXPECT_EQ(index.Find(0x1), nullptr);         // "0000001" is not "00000001"
  EXPECT_EQ(index.Find(0), nullptr);
  EXPECT_EQ(index.Size(), 1u);
  EXPECT_EQ(index.RemoteName(), "My remote");  // the first Name
  EXPECT_EQ(KeyIndex().Find(0x1A), nullptr);

  // The lines the index leaves out are the ones the reader refused, and why.
  std::vector<std::string> refused;
  for (const Refusal& r : d.refused)
    refused.push_back(r.key + (r.why == Refusal::Why::CodeGivenBefore
                                   ? " after line " + std::to_string(r.earlier)
                                   : " never written"));
  EXPECT_THAT(refused, testing::ElementsAre("0000001A after line 6", "0000001 never written",
                                            "Key never written", "Empty never written"));
}

}  // namespace
