// The console: typed UTF-16 to ANSI without look-alikes, the splitting of
// the input into bounded lines, and Ctrl+C at a Windows prompt.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/arguments.h"
#include "platform/console.h"
#include "platform/console_lines.h"
#include "platform/text_codec.h"

namespace {

TEST(Console, ATypedLineBecomesAnsiOnlyWhenEveryCharacterHasAnAnsiForm) {
#ifdef _WIN32
  if (GetACP() != 1252) GTEST_SKIP() << "the cases are Windows-1252's; this system has " << GetACP();
#endif
  struct Case {
    std::u16string typed;
    bool ok;
    std::string ansi;
  };
  const std::vector<Case> cases = {
      {u"Lautst\u00e4rke", true, "Lautst\xe4rke"},
      {u"Fernbedienung M\u00fcller", true, "Fernbedienung M\xfcller"},
      {u"\u00d6ffnen \u00e9 \u20ac?", true,
       "\xd6"
       "ffnen \xe9 \x80?"},
      {u"", true, ""},
      {u"\u65e5\u672c", false, ""},         // no such letters in the code page
      {u"\uff3bKeys\uff3d", false, ""},     // full-width brackets are not "[" "]"
      {u"Vol\uff1d1", false, ""},           // nor a full-width "=" an "="
      {u"\u0141\u00f3d\u017a", false, ""},  // Polish letters outside 1252
      {u"a\xd800", false, ""},              // a lone surrogate
      {u"\U0001F600", false, ""},           // a pair
  };
  for (const Case& c : cases) {
    std::string ansi = "stale";
    EXPECT_EQ(plat::ansi_from_utf16_exact(c.typed, ansi), c.ok) << c.ansi;
    if (c.ok) {
      EXPECT_EQ(ansi, c.ansi);
    }
  }
}

TEST(Console, ArgumentsBecomeAnsiOrTheFirstWithoutAnAnsiFormIsRefused) {
#ifdef _WIN32
  if (GetACP() != 1252) GTEST_SKIP() << "the cases are Windows-1252's; this system has " << GetACP();
#endif
  struct Case {
    std::vector<std::u16string> wide;
    std::vector<std::string> ansi;
    size_t refused;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {{u"check", u"Lautst\u00e4rke.cfg", u"\u20ac"}, {"check", "Lautst\xe4rke.cfg", "\x80"}, 0, ""},
      {{}, {}, 0, ""},
      {{u"check", u"\u03a9mega.cfg"}, {}, 2, "?mega.cfg"},              // best fit would make it "Omega.cfg"
      {{u"learn", u"--force", u"C:\\\uff21.cfg"}, {}, 3, "C:\\?.cfg"},  // full-width "A"
      {{u"cards", u"--definitions", u"\u65e5", u"\u03a9"}, {}, 3, "?"},
  };
  for (const Case& c : cases) {
    const plat::Arguments args = plat::ansi_arguments(c.wide);
    EXPECT_EQ(args.ansi, c.ansi) << c.shown;
    EXPECT_EQ(args.refused, c.refused) << c.shown;
    EXPECT_EQ(args.refused_text, c.shown);
    EXPECT_EQ(args.usable(), c.refused == 0);
  }
}

TEST(Console, InputSplitsIntoBoundedLines) {
  const size_t max = plat::kMaxConsoleLine;
  const std::string long_line(max + 1000, 'x');
  const std::string input = "one\r\n\ntwo\n" + long_line + "\nafter\nlast";
  size_t at = 0;
  auto read = [&](char* buffer, size_t size) {
    size_t n = std::min<size_t>({size, 7, input.size() - at});  // short reads, as from a pipe
    input.copy(buffer, n, at);
    at += n;
    return n;
  };
  plat::detail::LineSplitter<char> splitter;
  std::vector<std::string> lines;
  for (std::string line; splitter.Next(line, read);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one\r", "", "two", std::string(max, 'x'), "after", "last"}));
  std::string line;
  EXPECT_FALSE(splitter.Next(line, read));
}

// A byte order mark at the start of a file of answers is dropped, read in
// one piece or byte by byte; anywhere else, or half of one, is text.
TEST(Console, ALeadingByteOrderMarkIsNoText) {
  const std::string mark = "\xEF\xBB\xBF";
  const struct {
    std::string input;
    std::vector<std::string> lines;
  } cases[] = {
      {mark + "Remote\nPower\n", {"Remote", "Power"}},
      {mark + "\nPower", {"", "Power"}},
      {mark, {}},
      {mark + mark + "x\n", {mark + "x"}},
      {"Remote\n" + mark + "x\n", {"Remote", mark + "x"}},
      {"\xEF\xBBx\n", {"\xEF\xBBx"}},
      {"\xEF\xBB", {"\xEF\xBB"}},
  };
  for (const auto& c : cases) {
    for (size_t chunk : {size_t{1}, size_t{512}}) {
      size_t at = 0;
      auto read = [&](char* buffer, size_t size) {
        const size_t n = std::min({size, chunk, c.input.size() - at});
        c.input.copy(buffer, n, at);
        at += n;
        return n;
      };
      plat::detail::LineSplitter<char> splitter;
      std::vector<std::string> lines;
      for (std::string line; splitter.Next(line, read);) lines.push_back(line);
      EXPECT_EQ(lines, c.lines) << c.input << " in pieces of " << chunk;
    }
  }
}

#ifdef _WIN32
// Ctrl+C at a prompt ends the read at once, also where the console would
// let it wait for Enter (Wine's), and leaves no Enter for the next reader.
TEST(Console, CtrlCEndsATypedReadAtOnce) {
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console can be made here";
  const HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(input, INVALID_HANDLE_VALUE);
  const HANDLE before = GetStdHandle(STD_INPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, input);
  plat::catch_interrupt();
  std::atomic<int> result{-1};
  std::thread reader([&] {
    std::string line;
    result.store(static_cast<int>(plat::console_read_line(line)));
  });
  Sleep(200);  // the reader most likely waits in the read by now; it must end either way
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  const DWORD start = GetTickCount();
  while (result.load() < 0 && GetTickCount() - start < 10000) Sleep(1);
  const bool ended = result.load() >= 0;
  if (!ended) {  // free the reader ourselves
    INPUT_RECORD enter[2] = {};
    for (INPUT_RECORD& r : enter) {
      r.EventType = KEY_EVENT;
      r.Event.KeyEvent.wRepeatCount = 1;
      r.Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
      r.Event.KeyEvent.uChar.UnicodeChar = L'\r';
    }
    enter[0].Event.KeyEvent.bKeyDown = TRUE;
    DWORD written = 0;
    WriteConsoleInputW(input, enter, 2, &written);
  }
  reader.join();
  plat::release_interrupt();
  DWORD left = 0;
  GetNumberOfConsoleInputEvents(input, &left);
  SetStdHandle(STD_INPUT_HANDLE, before);
  CloseHandle(input);
  FreeConsole();
  EXPECT_TRUE(ended) << "Ctrl+C left the prompt waiting";
  EXPECT_EQ(result.load(), static_cast<int>(plat::ConsoleRead::End));
  EXPECT_EQ(left, 0u) << "input left for the next reader";
}
#endif

}  // namespace
