// Modal message boxes with no owner window.
#pragma once

namespace plat {

constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbIconError = 0x10;

// Shows the box and returns once it is closed (IDOK is 1).
int message_box(const char* text, const char* caption, unsigned flags);

// Where boxes go: by default a real box on Windows and standard error
// elsewhere. Tests install their own sink; null restores the default.
using MessageBoxSink = int (*)(const char* text, const char* caption, unsigned flags);
MessageBoxSink set_message_box_sink(MessageBoxSink sink);

}  // namespace plat
