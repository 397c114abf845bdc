#include "platform/screen.h"

#include <atomic>
#include <cstdio>

namespace plat {
namespace {

void stderr_screen(const char* title, const char* text) {
  std::fprintf(stderr, "[%s]\n%s", title ? title : "", text ? text : "");
}

std::atomic<ScreenSink> g_sink{stderr_screen};

}  // namespace

void show_window_text(const char* title, const char* text) {
  g_sink.load(std::memory_order_acquire)(title, text);
}

ScreenSink set_screen_sink(ScreenSink sink) {
  return g_sink.exchange(sink ? sink : stderr_screen, std::memory_order_acq_rel);
}

}  // namespace plat
