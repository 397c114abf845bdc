// What only the Win32 backend does: the module path comes from the loader,
// windows are message-only, and the system's own messages never reach a
// procedure of the platform API.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/module.h"
#include "platform/window.h"

namespace {

TEST(PlatformWin32, ModulePathIsTheLoadedProgramAndACutPathIsNone) {
  char full[MAX_PATH * 4];
  EXPECT_TRUE(plat::module_path(full, sizeof full));
  char expected[MAX_PATH * 4];
  ASSERT_GT(GetModuleFileNameA(nullptr, expected, sizeof expected), 0u);
  EXPECT_STREQ(full, expected);

  char cut[8];
  std::memset(cut, 'x', sizeof cut);
  EXPECT_FALSE(plat::module_path(cut, sizeof cut));
  EXPECT_STREQ(cut, "");

  plat::set_module_path_override("C:\\core\\plugins\\SAA713x.dll");
  EXPECT_TRUE(plat::module_path(full, sizeof full));
  EXPECT_STREQ(full, "C:\\core\\plugins\\SAA713x.dll");
  const std::string long_path = "C:\\" + std::string(300, 'p') + "\\SAA713x.dll";
  plat::set_module_path_override(long_path.c_str());
  char field[260];
  EXPECT_FALSE(plat::module_path(field, sizeof field));
  EXPECT_STREQ(field, "");
  plat::set_module_path_override(nullptr);
  plat::module_path(full, sizeof full);
  EXPECT_STREQ(full, expected);
}

struct Calls {
  std::atomic<int> count{0};
  std::atomic<uint32_t> last{0};
};

intptr_t count_calls(void* context, plat::WindowHandle, uint32_t msg, uintptr_t, intptr_t) {
  auto* calls = static_cast<Calls*>(context);
  calls->last.store(msg);
  calls->count.fetch_add(1);
  return 7;
}

TEST(PlatformWin32, WindowsAreMessageOnlyAndSeeOnlyTheirOwnMessages) {
  Calls calls;
  auto w = static_cast<HWND>(plat::create_message_window(count_calls, &calls));
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_NE(GetAncestor(w, GA_PARENT), GetDesktopWindow());
  // Creation went by without a call to the procedure.
  EXPECT_EQ(calls.count.load(), 0);

  SendMessageA(w, WM_NULL, 0, 0);
  SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("title"));
  EXPECT_EQ(calls.count.load(), 0);

  // WM_CLOSE is the procedure's to decide; nothing destroys the window for it.
  EXPECT_EQ(SendMessageA(w, WM_CLOSE, 0, 0), 7);
  EXPECT_EQ(calls.last.load(), static_cast<uint32_t>(WM_CLOSE));
  EXPECT_TRUE(IsWindow(w));
  EXPECT_EQ(SendMessageA(w, WM_APP + 3, 0, 0), 7);
  EXPECT_EQ(calls.count.load(), 2);

  plat::destroy_window(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(calls.count.load(), 2);
}

}  // namespace
