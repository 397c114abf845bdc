#include "events/key_engine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/types.h"

namespace events {

namespace {

// The text of a fixed field: up to its first zero byte.
template <size_t N>
std::string_view FieldText(std::span<char, N> field) {
  const char* end = static_cast<const char*>(std::memchr(field.data(), 0, N));
  return {field.data(), end != nullptr ? static_cast<size_t>(end - field.data()) : N};
}

// What a field holds once text is copied into it: cut to N - 1 characters,
// and a zero byte inside the text ends it there.
template <size_t N>
std::string_view AsStored(std::string_view text) {
  text = text.substr(0, std::min(text.size(), N - 1));
  return text.substr(0, std::min(text.size(), text.find('\0')));
}

template <size_t N>
void CopyText(std::span<char, N> field, std::string_view text) {
  const std::string_view stored = AsStored<N>(text);
  std::memcpy(field.data(), stored.data(), stored.size());
  std::memset(field.data() + stored.size(), 0, N - stored.size());
}

}  // namespace

uint32_t BoundKeyWait(int32_t ms) {
  return std::clamp(static_cast<uint32_t>(ms), kMinKeyWaitMs, kMaxKeyWaitMs);
}

KeyEngine::KeyEngine(const KeyTimings& timings, const config::KeyIndex* keys, KeyTexts texts,
                     KeyEngineOutput& output)
    : keys_(keys),
      texts_(texts),
      output_(output),
      current_wait_(BoundKeyWait(timings.wait1)),
      wait_timeout_(std::min(BoundKeyWait(timings.wait_n), BoundKeyWait(timings.wait_r))) {}

bool KeyEngine::Pass(const device::PressReport* report, uint32_t now, const KeyTimings& timings) {
  if (report != nullptr) {
    current_code_ = report->Code;
    current_pressed_ = report->Pressed;
    sample_time_ = now;
  }
  if (current_code_ == previous_code_ && current_pressed_ == previous_pressed_) {
    return !previous_pressed_ || AutoRepeat(now, timings);
  }
  if (previous_pressed_ && !current_pressed_) {
    if (!output_.Notify(-1)) return false;
  } else if (current_pressed_) {
    config::FormatCodeText(current_code_, texts_.code_text);
    if (!previous_pressed_) repeat_count_ = 0;

    // A code the table does not hold is named by its own text.
    const config::KeyIndex::Key* key = keys_ != nullptr ? keys_->Find(current_code_) : nullptr;
    const std::string_view key_name =
        key != nullptr ? std::string_view(key->name) : FieldText(texts_.code_text);
    const std::string_view remote_name =
        key != nullptr ? std::string_view(keys_->RemoteName()) : kUndefinedRemoteName;
    // Another code with the same key name and remote name is the same key.
    // Names are compared as the fields would hold them, so a name too long for
    // its field still matches itself.
    const bool other_key = key == nullptr || AsStored<kKeyNameSize>(key_name) != FieldText(texts_.key_name) ||
                           AsStored<kRemoteNameSize>(remote_name) != FieldText(texts_.remote_name);
    if (previous_pressed_ && other_key) {
      if (!output_.Notify(-1)) return false;
      repeat_count_ = 0;
    }
    CopyText(texts_.key_name, key_name);
    CopyText(texts_.remote_name, remote_name);

    if (repeat_count_ != 0) {
      if (!AutoRepeat(now, timings)) return false;
    } else {
      last_notify_time_ = now;
      current_wait_ = BoundKeyWait(timings.wait1);
      if (!output_.Notify(0)) return false;
    }
  }
  output_.Monitor(current_pressed_, current_code_);
  previous_code_ = current_code_;
  previous_pressed_ = current_pressed_;
  return true;
}

bool KeyEngine::AutoRepeat(uint32_t now, const KeyTimings& timings) {
  // Unsigned difference: right across the tick count's wrap.
  if (now - last_notify_time_ < current_wait_) return true;
  if (repeat_count_ < std::numeric_limits<int32_t>::max()) ++repeat_count_;
  current_wait_ = BoundKeyWait(timings.wait_n);
  last_notify_time_ = now;
  return output_.Notify(repeat_count_);
}

uint32_t KeyEngine::NextWait() const { return previous_pressed_ ? wait_timeout_ : plat::kInfinite; }

bool KeyEngine::TimedOut(uint32_t now, const KeyTimings& timings) {
  // The release keeps the held key's code, as a reported one would.
  const device::PressReport release{current_code_, false};
  const bool due = previous_pressed_ && now - sample_time_ >= BoundKeyWait(timings.wait_r);
  return Pass(due ? &release : nullptr, now, timings);
}

}  // namespace events
