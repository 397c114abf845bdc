// Where there is no screen (the substitute platform), a window that shows
// itself hands a text rendering of its contents to a replaceable sink,
// standard error by default, as message boxes do. Windows draws its own.
#pragma once

namespace plat {

void show_window_text(const char* title, const char* text);

using ScreenSink = void (*)(const char* title, const char* text);
// Null restores the default; returns the previous sink.
ScreenSink set_screen_sink(ScreenSink sink);

}  // namespace plat
