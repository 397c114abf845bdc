// The remote tool on the simulated card: the masks learned from samples, a
// scripted person learning a remote whose definition then names every key of
// a session played through the plug-in, and watching a session.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include "platform/com.h"
#include "platform/module.h"
#include "platform/text_codec.h"
#include "platform/sync.h"
#include "plugin/exports.h"
#include "sim/sim_control.h"
#include "tests/support/remote_tool.h"
#include "host/temp_dir.h"
#include "tests/support/test_core.h"
#include "config/code_text.h"
#include "config/definition.h"
#include "remote/io.h"
#include "remote/learn.h"

namespace {

using remote::DeriveMasks;

TEST(RemoteLearn, MasksComeFromWhatChangesWithTheKeys) {
  // Pins 20-23 stay high, pin 0 flickers at rest, pin 8 is high while a key is
  // held; a single sample on the way between keys does not count.
  std::vector<uint32_t> idle;
  for (int i = 0; i < 10; ++i) idle.push_back(0x00F00000u | (i & 1u));
  const std::vector<uint32_t> held = {0x00F00000, 0x00F0010C, 0x00F0010C, 0x00F00104, 0x00F00110,
                                      0x00F00111, 0x00F00000, 0x00F00121, 0x00F00120, 0x00F00000};
  remote::Derivation d = DeriveMasks(idle, held);
  ASSERT_TRUE(d.ok) << d.why;
  EXPECT_EQ(d.masks.press_mask, 0x100u);
  EXPECT_TRUE(d.masks.press_flag);
  EXPECT_EQ(d.masks.key_mask, 0x3Cu);
  EXPECT_EQ(d.noise, 1u);
  EXPECT_EQ(d.keys_seen, 3);
  EXPECT_TRUE(d.sure) << d.summary;

  // A press pin that goes low, seen with two keys only; the code pins between
  // those that changed belong to the code too.
  d = DeriveMasks(std::vector<uint32_t>(8, 0x100), {0x01, 0x01, 0x10, 0x10});
  ASSERT_TRUE(d.ok) << d.why;
  EXPECT_EQ(d.masks.press_mask, 0x100u);
  EXPECT_FALSE(d.masks.press_flag);
  EXPECT_EQ(d.masks.key_mask, 0x1Fu);
  EXPECT_FALSE(d.sure);

  // No pin of its own, but every code pin rests low: any of them high is a key.
  d = DeriveMasks(std::vector<uint32_t>(8, 0), {1, 1, 2, 2, 0, 3, 3});
  ASSERT_TRUE(d.ok) << d.why;
  EXPECT_EQ(d.masks.press_mask, 3u);
  EXPECT_TRUE(d.masks.press_flag);
  EXPECT_EQ(d.masks.key_mask, 3u);
}

TEST(RemoteLearn, RefusesWhenTheSamplesCannotTell) {
  const std::vector<uint32_t> rest(8, 3);
  EXPECT_FALSE(DeriveMasks({3, 3}, {1, 1, 2, 2}).ok);
  remote::Derivation d = DeriveMasks(rest, {3, 3, 7, 3, 5, 3});  // blips only
  EXPECT_NE(d.why.find("no pin changed"), std::string::npos) << d.why;
  d = DeriveMasks(rest, {7, 7, 7, 3});
  EXPECT_NE(d.why.find("only one held key"), std::string::npos) << d.why;
  d = DeriveMasks(rest, {1, 1, 3, 2, 2});
  EXPECT_NE(d.why.find("no pin separates"), std::string::npos) << d.why;
  EXPECT_FALSE(d.ok);
}

TEST(RemoteLearn, NamesAreWrittenSoThePluginReadsThemBackExactly) {
  const std::vector<std::string> names = {"\"Power\"", "'Vol'", "\"",   "'a\"", "Mute ; soft",
                                          "=",         "[x]",   "a\tb", "#1",   "Lautst\xe4rke"};
  remote::LearnedRemote learned;
  learned.name = "\"Quoted remote\"";
  learned.masks.key_mask = 0xFF;
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(remote::NameProblem(config::CodeText(0), names[i]), "") << names[i];
    learned.keys.push_back({names[i], static_cast<uint32_t>(i)});
  }
  host::TempDir dir;
  dir.write("names.cfg", remote::DefinitionText(learned, "\r\n"));
  const config::Definition read = config::ReadDefinition(dir.file("names.cfg"));
  EXPECT_EQ(read.name, learned.name);
  ASSERT_EQ(read.keys.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(KeyLines(read)[i], config::CodeText(i) + "=" + names[i]);

  // What no line gives back is refused, with the reason.
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"a\rb", "control character 0D"},  {"a\vb", "control character 0B"},
      {"a\fb", "control character 0C"},  {std::string("a\0b", 3), "control character 00"},
      {"a\x7f", "control character 7F"}, {std::string(10000, 'x'), "too long"},
  };
  for (const auto& [name, why] : refused)
    EXPECT_NE(remote::NameProblem("Name", name).find(why), std::string::npos)
        << remote::NameProblem("Name", name);
}

class RemoteSession : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
  }
  void TearDown() override { card->Reset(); }
  void Play(const char* script) {
    char error[256];
    ASSERT_TRUE(card->LoadScript(script, error, sizeof error)) << error;
  }

  sim::Control* card = nullptr;
  host::TempDir dir;
};

// A remote whose pins 20-23 are always high, pin 8 high while a key is held,
// the code on the low pins. The person holds four keys while the tool reads
// the held levels (0.5 s to 2.2 s), then teaches one key after another. The
// session moves on with the tool's samples, so a stalled run misses no press.
constexpr const char kLearning[] =
    "tick 10\nsteady 00F00000\npress 00000100\npause 800\n"
    "key 0C 150\npause 150\nkey 10 150\npause 150\nkey 21 150\npause 150\nkey 30 150\npause 1000\n"
    "key 0C 100\npause 150\nkey 0C 100\npause 150\n"  // Power
    "key 10 100\npause 150\nkey 10 100\npause 150\n"  // Volume +
    "key 0D 100\npause 150\nkey 0E 100\npause 150\nkey 0D 100\npause 150\nkey 0D 100\npause 150\n"  // Mute, a
                                                                                                    // slip
    "key 0C 100\npause 150\nkey 0C 100\npause 150\n"   // Power again
    "key 21 100\npause 150\nkey 21 100\npause 150\n"   // Channel -
    "key 42 100\npause 150\nkey 42 100\npause 150\n";  // OK, a new pin
// Mute's name in Windows-1252 bytes, which a file or pipe passes unchanged.
constexpr const char kMute[] = "Stumm \xe4\x84";
constexpr const char kAnswers[] =
    "Learned remote\nPower\nVolume +\nStumm \xe4\x84\nPower again\nChannel -\nOK\n\n";

// The program itself, in a process of its own with its own card that plays
// script, the answers on its standard input.
ToolRun RunProgram(const host::TempDir& dir, const std::string& args, const std::string& answers,
                   const std::string& script) {
#ifdef _WIN32
  const std::string program = "..\\remote\\SAA713xRemote.exe";
#else
  const std::string program = "../remote/saa713x-remote";
#endif
  dir.write("script.txt", script);
  dir.write("answers.txt", answers);
  const std::string command = program + " " + args + " <\"" + dir.file("answers.txt") + "\" >\"" +
                              dir.file("out.txt") + "\" 2>\"" + dir.file("err.txt") + "\"";
#ifdef _WIN32
  SetEnvironmentVariableA(sim::kScriptVariable, dir.file("script.txt").c_str());
  ToolRun run;
  run.status = std::system(command.c_str());
  SetEnvironmentVariableA(sim::kScriptVariable, nullptr);
#else
  setenv(sim::kScriptVariable, dir.file("script.txt").c_str(), 1);
  const int status = std::system(command.c_str());
  unsetenv(sim::kScriptVariable);
  ToolRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  run.out = dir.read("out.txt");
  run.err = dir.read("err.txt");
  std::erase(run.out, '\r');  // a Windows console program's text mode
  std::erase(run.err, '\r');
  return run;
}

TEST_F(RemoteSession, ALearnedDefinitionNamesEveryKeyOfASessionPlayedThroughThePlugin) {
  const std::string learned = dir.file("AverTV.cfg");
  ToolRun run = RunProgram(dir, "learn --interval 10 --idle-ms 500 --hold-ms 1700 \"" + learned + "\"",
                           kAnswers, kLearning);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Name of the remote [Learned remote]: Learned remote\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Found press pin 8 (PressMask 00000100, high while a key is held: PressFlag 1)"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("The second press gave 0000000E, not 0000000D; once more."), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("warning: code 0000000C is already taken by \"Power\""), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("KeyMask is now 0000007F"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1 file checked: 0 errors, 0 warnings"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  0000000D=" + std::string(kMute) + "\n"), std::string::npos) << run.out;

  // The plug-in itself, with the learned file as its definition.
  Play(
      "steady 00F00000\npress 00000100\npause 300\nkey 21 200\npause 300\nkey 0C 200\npause 300\n"
      "key 42 200\npause 300\nkey 0D 200\npause 300\nkey 10 200\npause 300\n");
  plat::set_module_path_override(dir.file("SAA713x.dll").c_str());
  TestCore core;
  host::CoreInfoBlock info(0x02070C00);
  Open("test", core.window(), info.bytes);
  Start();
  auto presses = [&] {
    std::vector<std::string> names;
    for (const Notification& n : core.received())
      if (n.repeat == 0) names.push_back(n.key_name + "/" + n.code_text + "/" + n.remote_name);
    return names;
  };
  core.PumpUntil([&] { return presses().size() >= 5; });
  Stop();
  Close();
  plat::set_module_path_override(nullptr);
  EXPECT_EQ(presses(), (std::vector<std::string>{
                           "Channel -/00000021/Learned remote", "Power/0000000C/Learned remote",
                           "OK/00000042/Learned remote", kMute + std::string("/0000000D/Learned remote"),
                           "Volume +/00000010/Learned remote"}));
}

TEST_F(RemoteSession, AKnownCardsMasksAreAGuessThatThePinsMustConfirm) {
  // The card has a shipped definition's IDs; the person holds 0C 10 21 30, then
  // teaches Power (0C) and Volume + (10). Pin 8 is high, or low, while a key is held.
  const std::string keys =
      "pause 300\nkey 0C 150\npause 150\nkey 10 150\npause 150\nkey 21 150\npause 150\nkey 30 150\n"
      "pause 600\nkey 0C 100\npause 150\nkey 0C 100\npause 150\nkey 10 100\npause 150\nkey 10 100\n";
  const std::string card_ids = "tick 10\ndevice 1131 7133 1461 F31D 1\n";
  const std::string high = card_ids + "steady 00F00000\npress 00000100\n" + keys;
  const std::string low = card_ids + "idle 00000100\n" + keys;
  const std::string fits = "PressMask=100\nPressFlag=1\nKeyMask=FF\n";
  const std::string derived =
      "PressMask 00000100, PressFlag 1, KeyMask 0000003F, ReleaseDetect 1, ResetAdr -1";
  const std::string kept = "PressMask 00000100, PressFlag 1, KeyMask 000000FF, ReleaseDetect 1, ResetAdr -1";
  struct Case {
    std::string setup, script, option, said, written;
  };
  const std::vector<Case> cases = {
      {"PressMask=10\nPressFlag=1\nKeyMask=7C8\nReleaseDetect=0\n", high, "",
       "do not fit this remote: a held key (pins 00F0010C) reads as no key", derived},
      {fits, low, "", "do not fit this remote: the pins at rest (00000100) read as a held key",
       "PressMask 00000100, PressFlag 0, KeyMask 0000003F"},
      {"PressMask=0\n", high, "", "the pins at rest (00F00000) read as a held key", derived},
      {"PressMask=100\nPressFlag=1\nKeyMask=F\n", high, "",
       "two different held keys give the same code 00000000", derived},
      {fits, high, "", "They fit: every held key reads as a key", kept},
      {fits + "ResetAdr=99\n", high, "", "Its ResetAdr 99 names no pin of the card and is not used", kept},
      {fits, high, "--survey", "Found press pin 8", derived},
  };
  host::TempDir known;
  card->EnableLog(true);
  for (const Case& c : cases) {
    known.write("Known.cfg", "[Setup]\nName=Known\nCards=7133:1461:F31D\n" + c.setup);
    Play(c.script.c_str());
    std::vector<std::string> args = {"learn",      "--force", "--definitions",    known.path(),
                                     "--interval", "1",       "--idle-ms",        "25",
                                     "--hold-ms",  "115",     dir.file("new.cfg")};
    if (!c.option.empty()) args.insert(args.begin() + 1, c.option);
    const ToolRun run = RunRemoteTool(args, "R\nPower\nVolume +\n\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("Known card") == std::string::npos, c.option == "--survey") << run.out;
    for (const std::string& said :
         {c.said, c.written, std::string("  0000000C=Power\n"), std::string("  00000010=Volume +\n")})
      EXPECT_NE(run.out.find(said), std::string::npos) << said << "\n" << run.out;
    EXPECT_EQ(sim::log_text().find("put_Pin"), std::string::npos) << "a reset pulse, in " << c.said;
  }
}

TEST_F(RemoteSession, LearningRefusesUnclearSamplesAndNeverOverwrites) {
  dir.write("taken.cfg", "mine");
  const int creations = card->Creations();
  ToolRun run = RunRemoteTool({"learn", dir.file("taken.cfg")});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("exists; use --force"), std::string::npos) << run.err;
  EXPECT_EQ(dir.read("taken.cfg"), "mine");
  EXPECT_EQ(card->Creations(), creations);  // refused before the card was opened

  Play("tick 10\npause 400\n00000110 600\n");  // one key only
  run = RunRemoteTool(
      {"learn", "--interval", "10", "--idle-ms", "300", "--hold-ms", "900", dir.file("new.cfg")}, "R\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("Cannot decide: only one held key was seen"), std::string::npos) << run.out;
  EXPECT_FALSE(dir.exists("new.cfg"));
  EXPECT_EQ(card->LiveReferences(), 0);
}

TEST_F(RemoteSession, LearningRefusesAPlaceThatCannotTakeTheFileBeforeTheCardOpens) {
  namespace fs = std::filesystem;
  fs::create_directory(dir.file("folder.cfg"));
  dir.write("kept.cfg", "mine");
  const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(dir.file("kept.cfg"), writable, fs::perm_options::remove);
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  std::vector<Case> cases = {
      {{"learn", dir.file("missing/new.cfg")}, "new.cfg: cannot be created: its folder does not exist"},
      {{"learn", dir.file("folder.cfg")}, "folder.cfg: is a folder, not a file"},
      {{"learn", "--force", dir.file("folder.cfg")}, "folder.cfg: is a folder, not a file"},
      {{"learn", "--force", dir.file("kept.cfg")}, "kept.cfg: is read-only; it is not replaced"},
  };
  long entries = 2;  // the folder and the kept file
#ifndef _WIN32
  fs::create_symlink(dir.file("gone.cfg"), dir.file("link.cfg"));
  ++entries;
  cases.push_back({{"learn", dir.file("link.cfg")}, "link.cfg: is a link to a missing file; use --force"});
#endif
  const int creations = card->Creations();
  for (const Case& c : cases) {
    ToolRun run = RunRemoteTool(c.args);
    EXPECT_EQ(run.status, 2) << c.error;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
  }
  EXPECT_EQ(card->Creations(), creations);
  fs::permissions(dir.file("kept.cfg"), writable, fs::perm_options::add);
  EXPECT_EQ(dir.read("kept.cfg"), "mine");
  // No probe left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), entries);
}

// Answers as a console gives them: lines, a line with a character the ANSI
// code page lacks, the end.
class Answers final : public remote::Input {
 public:
  explicit Answers(std::vector<std::pair<Read, std::string>> lines) : lines_(std::move(lines)) {}
  Read ReadLine(std::string& line) override {
    if (next_ == lines_.size()) return Read::End;
    line = lines_[next_].second;
    return lines_[next_++].first;
  }

 private:
  std::vector<std::pair<Read, std::string>> lines_;
  size_t next_ = 0;
};

// Output that presses Ctrl+C once the definition is written.
class InterruptAfterWriting final : public remote::Output {
 public:
  std::string text;

 protected:
  void Write(std::string_view piece) override {
    text.append(piece);
#ifndef _WIN32
    if (piece.starts_with("Wrote ")) std::raise(SIGINT);
#endif
  }
};

TEST_F(RemoteSession, LearningAsksAgainForANameItCannotWriteAndSurvivesCtrlCAfterWriting) {
  using Read = remote::Input::Read;
  const std::string long_name(130, 'k');
  Answers answers({{Read::NotAnsi, ""},
                   {Read::Line, "\"Quoted remote\""},
                   {Read::Line, "Bad\vname"},
                   {Read::Line, std::string(10000, 'x')},
                   {Read::Line, long_name}});
  Play(
      "tick 10\nsteady 00F00000\npress 00000100\npause 300\nkey 0C 150\npause 100\nkey 10 150\npause 600\n"
      "key 0C 100\npause 150\nkey 0C 100\npause 300\n");
  remote::StringOutput err;
  InterruptAfterWriting out;
  const std::string path = dir.file("learned.cfg");
  const int status = remote::RunTool(
      {"learn", "--interval", "10", "--idle-ms", "250", "--hold-ms", "700", path}, answers, out, err);
  EXPECT_EQ(status, 0) << out.text << err.text();
  for (const char* said : {"ANSI code page lacks", "control character 0B", "too long for a line",
                           "warning: the name has 130 characters; the core gets only the first 123"})
    EXPECT_NE(out.text.find(said), std::string::npos) << said << "\n" << out.text;
#ifndef _WIN32
  EXPECT_NE(out.text.find("Stopped before checking it."), std::string::npos) << out.text;
#endif
  const config::Definition learned = config::ReadDefinition(path);
  EXPECT_EQ(learned.name, "\"Quoted remote\"");
  EXPECT_EQ(KeyLines(learned), std::vector<std::string>{"0000000C=" + long_name});
  // No temporary left behind.
  namespace fs = std::filesystem;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_EQ(card->LiveReferences(), 0);
}

TEST_F(RemoteSession, WatchShowsEachChangeWithItsKey) {
  dir.write("remote.cfg",
            "[Setup]\nName=W\nPressMask=100\nPressFlag=1\nKeyMask=FF\n[Keys]\n0000000C=Power\n");
  Play("steady 00F00000\npress 00000100\npause 200\nkey 0C 200\npause 200\nkey 7F 200\n");
  ToolRun run = RunRemoteTool(
      {"watch", "--definition", dir.file("remote.cfg"), "--interval", "10", "--duration", "1200"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> tails = {
      "00F00000  first sample                          not pressed",
      "00F0010C  changed 0000010C (pins 2-3 8)         pressed      0000000C  Power",
      "00F00000  changed 0000010C (pins 2-3 8)         not pressed",
      "00F0017F  changed 0000017F (pins 0-6 8)         pressed      0000007F  (not in [Keys])",
      "00F00000  changed 0000017F (pins 0-6 8)         not pressed",
  };
  std::istringstream lines(run.out);
  std::vector<std::string> samples;
  for (std::string line; std::getline(lines, line);)
    if (line.find(" s  ") != std::string::npos) samples.push_back(line.substr(line.find(" s  ") + 4));
  EXPECT_EQ(samples, tails) << run.out;
  EXPECT_NE(run.out.find("Done after 4 changes; the device is closed."), std::string::npos) << run.out;
  EXPECT_EQ(card->LiveReferences(), 0);
}

#ifdef _WIN32
// The real program, started with a UTF-16 command line as Explorer starts
// it: its status and what it wrote.
std::pair<DWORD, std::string> RunWide(const host::TempDir& dir, std::wstring line) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out =
      CreateFileA(dir.file("out.txt").c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;  // no input: the end at once
  start.hStdOutput = start.hStdError = out;
  PROCESS_INFORMATION process = {};
  DWORD status = 999;
  line = L"..\\remote\\SAA713xRemote.exe " + line;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 998);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  return {status, dir.read("out.txt")};
}

TEST_F(RemoteSession, AnArgumentTheAnsiCodePageLacksIsRefusedAndNamesNoOtherFile) {
  std::string omega;
  if (plat::ansi_from_utf16_exact(u"\u03a9", omega)) GTEST_SKIP() << "this code page has the letter";
  const std::string mine = "[Setup]\nName=Mine\n[Keys]\n0000000C=Power\n";
  dir.write("Omega.cfg", mine);
  const std::wstring name = std::wstring(dir.path().begin(), dir.path().end()) + L"\u03a9mega.cfg\"";
  const std::pair<std::wstring, std::string> cases[] = {
      {L"check \"" + name, "argument 2, \""},
      {L"learn --force \"" + name, "argument 3, \""},
      {L"cards --definitions \"" + name, "argument 3, \""},
  };
  for (const auto& [args, said] : cases) {
    const auto [status, err] = RunWide(dir, args);
    EXPECT_EQ(status, 2u) << err;
    EXPECT_NE(err.find(said + dir.path() + "?mega.cfg\", holds a character that the ANSI code page lacks"),
              std::string::npos)
        << err;
  }
  EXPECT_EQ(dir.read("Omega.cfg"), mine);
}
#endif

#ifndef _WIN32
TEST_F(RemoteSession, CtrlCEndsWatchWithTheDeviceClosed) {
  const int balance = plat::com_init_balance();
  Play("pause 100\n0000010C 100\n");
  ToolRun run;
  std::thread watch([&] { run = RunRemoteTool({"watch", "--interval", "10"}); });
  for (int i = 0; i < 500 && card->LiveReferences() == 0; ++i) plat::sleep_ms(10);
  plat::sleep_ms(300);
  std::raise(SIGINT);
  watch.join();
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Stopped after "), std::string::npos) << run.out;
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(plat::com_init_balance(), balance);
}
#endif

}  // namespace
