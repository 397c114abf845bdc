// Basic types shared by the platform layer and the plug-in.
#pragma once
#include <cstdint>

namespace plat {

// A waitable kernel object: a manual-reset event or a thread. Null means none.
using Handle = void*;
// A window: an HWND on Windows, an object of the substitute window layer elsewhere.
using WindowHandle = void*;

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult { Signaled, Timeout, Failed };

}  // namespace plat
