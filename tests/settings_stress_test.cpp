// Saves from several processes at once into one folder, and processes killed
// in the middle of SaveWaits. Bounded in rounds and time; SAA_STRESS_ROUNDS
// raises the rounds for a run by hand. Natively the savers are forked; on
// Windows they are this program started again, running only the saver loop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "config/settings.h"
#include "host/temp_dir.h"
#include "platform/file.h"
#include "platform/folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

int Rounds(int fallback) {
  const char* text = std::getenv("SAA_STRESS_ROUNDS");
  const int rounds = text != nullptr ? std::atoi(text) : 0;
  return rounds > 0 ? rounds : fallback;
}

// Saver id, save i: all three waits hold id * 100000 + i.
constexpr int kSavesPerId = 100000;

// Saves the waits rounds times (0: until killed) into the settings file of module.
void SaverLoop(const std::string& module, int id, int rounds) {
  std::snprintf(config::ModulePath, sizeof config::ModulePath, "%s", module.c_str());
  for (int i = 1; rounds == 0 || i <= rounds; ++i) {
    const int value = id * kSavesPerId + i % kSavesPerId;
    config::Wait1.store(value);
    config::WaitN.store(value);
    config::WaitR.store(value);
    config::SaveWaits();
  }
}

const char kHead[] = "; the user's own lines\n[Main]\nDefaultConfig=AverTV.cfg\n";

// Lines of the user's own after [Main], enough for a save to take several writes.
const std::string& Tail() {
  static const std::string tail = [] {
    std::string text = "\n[Keys]\n";
    for (int i = 0; i < 1000; ++i) text += std::to_string(10000000 + i) + "=Key " + std::to_string(i) + "\n";
    return text;
  }();
  return tail;
}

std::string Content(int value) {
  const std::string v = std::to_string(value);
  return kHead + ("Wait1=" + v + "\nWaitN=" + v + "\nWaitR=" + v + "\n") + Tail();
}

// The value of a whole file, or -1 when it is not one (a mix, a cut, garbage).
int WholeValue(const std::string& content) {
  const size_t at = content.find("Wait1=");
  if (at == std::string::npos) return -1;
  const int value = std::atoi(content.c_str() + at + 6);
  return content == Content(value) ? value : -1;
}

std::string ReadRaw(const std::string& path) {
  std::string data;
  plat::read_file(path.c_str(), 1 << 20, data);
  return data;
}

#ifndef _WIN32
using Saver = pid_t;

Saver StartSaver(const std::string& module, int id, int rounds) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    SaverLoop(module, id, rounds);
    ::_exit(0);
  }
  return pid;
}
bool Finished(Saver saver) {
  int status = 0;
  return ::waitpid(saver, &status, WNOHANG) == saver;
}
void Kill(Saver saver) {
  ::kill(saver, SIGKILL);
  int status = 0;
  ::waitpid(saver, &status, 0);
}
#else
using Saver = HANDLE;

// A saver started by StartSaver runs the loop before main and ends.
const bool kSaverRun = [] {
  char job[512];
  const DWORD length = GetEnvironmentVariableA("SAA_STRESS_SAVER", job, sizeof job);
  if (length == 0 || length >= sizeof job) return false;
  int id = 0, rounds = 0, used = 0;
  if (std::sscanf(job, "%d %d %n", &id, &rounds, &used) != 2) return false;
  SaverLoop(job + used, id, rounds);
  ExitProcess(0);
}();

Saver StartSaver(const std::string& module, int id, int rounds) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string job = std::to_string(id) + " " + std::to_string(rounds) + " " + module;
  SetEnvironmentVariableA("SAA_STRESS_SAVER", job.c_str());
  std::string command = std::string("\"") + self + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA("SAA_STRESS_SAVER", nullptr);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}
bool Finished(Saver saver) { return WaitForSingleObject(saver, 0) == WAIT_OBJECT_0; }
void Kill(Saver saver) {
  TerminateProcess(saver, 1);
  WaitForSingleObject(saver, INFINITE);
  CloseHandle(saver);
}
#endif

class SettingsStress : public ::testing::Test {
 protected:
  void SetUp() override { dir.write("SAA713x.ini", Content(0)); }
  std::string Module() const { return dir.file("SAA713x.dll"); }
  std::string Settings() const { return dir.file("SAA713x.ini"); }
  host::TempDir dir;
};

TEST_F(SettingsStress, TwoProcessesSavingAtOnceLeaveAWholeFileAtEveryRead) {
  const int rounds = Rounds(200);
  Saver first = StartSaver(Module(), 1, rounds);
  Saver second = StartSaver(Module(), 2, rounds);
#ifdef _WIN32
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
#endif
  const auto deadline = Clock::now() + std::chrono::seconds(100);
  bool first_done = false, second_done = false;
  int reads = 0, broken = 0;
  while (!(first_done && second_done) && Clock::now() < deadline) {
    const std::string content = ReadRaw(Settings());
    ++reads;
    if (WholeValue(content) < 0 && ++broken < 3)
      ADD_FAILURE() << "read " << reads << ": " << content.size() << " bytes";
    first_done = first_done || Finished(first);
    second_done = second_done || Finished(second);
  }
  if (!first_done) Kill(first);
  if (!second_done) Kill(second);
  ASSERT_TRUE(first_done && second_done) << "the savers did not finish in time";
  std::printf("%d saves in each of two processes, %d reads, %d broken\n", rounds, reads, broken);
  EXPECT_EQ(broken, 0);
  // One of them saved last, and no temporary is left. On Windows a file that
  // another process holds open cannot be replaced: that save fails whole.
  const int last = WholeValue(ReadRaw(Settings()));
#ifdef _WIN32
  EXPECT_GE(last, kSavesPerId) << last;
#else
  EXPECT_TRUE(last == kSavesPerId + rounds % kSavesPerId || last == 2 * kSavesPerId + rounds % kSavesPerId)
      << last;
#endif
  EXPECT_EQ(plat::find_files(dir.path(), "*").size(), 1u);
}

TEST_F(SettingsStress, AKillInTheMiddleOfSaveWaitsLeavesTheOldOrTheNewWaits) {
#ifdef _WIN32
  const int rounds = Rounds(15);  // a process start under Wine takes a while
#else
  const int rounds = Rounds(100);
#endif
  std::mt19937 random(12345);
  int value = 0, mixed = 0, killed_saving = 0;
  for (int round = 1; round <= rounds; ++round) {
    Saver saver = StartSaver(Module(), round, 0);
#ifdef _WIN32
    ASSERT_NE(saver, nullptr);
#endif
    // Once its first save is in, the saver does nothing but save.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (WholeValue(ReadRaw(Settings())) / kSavesPerId != round && Clock::now() < deadline)
      std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    Kill(saver);
    const int now = WholeValue(ReadRaw(Settings()));
    if (now / kSavesPerId == round) ++killed_saving;
    // The previous round's last value or one of this round's, all three alike.
    if (now < 0 || (now != value && now / kSavesPerId != round)) {
      if (++mixed < 3) ADD_FAILURE() << "round " << round << ": " << ReadRaw(Settings()).substr(0, 200);
    }
    if (now >= 0) value = now;
  }
  size_t temporaries = 0;
  for (const std::string& name : plat::find_files(dir.path(), "*")) {
    if (name == "SAA713x.ini") continue;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp") << name;
    ++temporaries;
  }
  std::printf("%d kills, %d after the saver's first save, %d broken, %zu temporaries left\n", rounds,
              killed_saving, mixed, temporaries);
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(killed_saving, rounds);
}

}  // namespace
