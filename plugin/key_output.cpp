#include "plugin/key_output.h"

#include "platform/window.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"

namespace plugin {

namespace {

class CoreOrDialog final : public events::KeyEngineOutput {
 public:
  bool Notify(int32_t repeat_count) override {
    if (SetupMode()) return true;
    plat::send_message(CoreWindow.load(std::memory_order_acquire), events::kKeyNotify,
                       reinterpret_cast<uintptr_t>(&KeyEventRecord), repeat_count);
    return true;  // whether to go on is the run's own stop flag
  }

  void Monitor(bool pressed, uint64_t code) override {
    setup::SetupFormBase* form = _SetupForm.load(std::memory_order_acquire);
    if (form == nullptr) return;
    const plat::WindowHandle window = form->Handle.load(std::memory_order_acquire);
    if (pressed) {
      plat::post_message(window, events::kMonitorPress, static_cast<uintptr_t>(code >> 32),
                         static_cast<intptr_t>(static_cast<uint32_t>(code)));
    } else {
      plat::post_message(window, events::kMonitorRelease, 0, 0);
    }
  }
};

}  // namespace

events::KeyEngineOutput& KeyOutput() {
  static CoreOrDialog output;
  return output;
}

}  // namespace plugin
