#include "setup/headless_form.h"

#include "platform/sync.h"
#include "platform/window.h"
#include "setup/spinners.h"

namespace setup {

HeadlessForm::HeadlessForm(PluginRestart& restart) : dialog_(view_, restart) {
  dialog_.FormCreate();
  Handle.store(plat::create_message_window(&HeadlessForm::Procedure, this), std::memory_order_release);
}

HeadlessForm::~HeadlessForm() {
  plat::WindowHandle window = Handle.exchange(nullptr, std::memory_order_acq_rel);
  if (window != nullptr) plat::destroy_window(window);
  dialog_.FormDestroy();
}

intptr_t HeadlessForm::Procedure(void* context, plat::WindowHandle, uint32_t msg, uintptr_t wparam,
                                 intptr_t lparam) {
  auto* self = static_cast<HeadlessForm*>(context);
  if (msg == plat::kWmClose) {
    self->closed_ = true;
    return 0;
  }
  self->dialog_.WndProc(msg, wparam, lparam);
  return 0;
}

int HeadlessForm::ShowModal(const std::function<void()>& on_shown) {
  closed_ = false;
  dialog_.FormShow();
  showing_ = true;
  if (on_shown) on_shown();
  while (!closed_) PumpOnce(plat::kInfinite);
  showing_ = false;
  dialog_.FormHide();
  return kModalResultOk;
}

void HeadlessForm::PumpOnce(uint32_t wait_ms) {
  plat::Message message;
  while (!closed_ && plat::peek_message(message)) plat::dispatch_message(message);
  if (!closed_) plat::wait_for_message(wait_ms);
}

bool HeadlessForm::PumpUntil(const std::function<bool()>& done, uint32_t timeout_ms) {
  const uint32_t start = plat::tick_count();
  for (;;) {
    if (done()) return true;
    if (closed_) return false;
    const uint32_t elapsed = plat::tick_count() - start;
    if (elapsed >= timeout_ms) return false;
    PumpOnce(timeout_ms - elapsed < 10 ? timeout_ms - elapsed : 10);
  }
}

void HeadlessForm::UserSelectDevice(int index) {
  view_.SetDeviceIndex(index);
  dialog_.DeviceComboChange();
}

void HeadlessForm::UserSelectModel(int index) {
  view_.SetModelIndex(index);
  dialog_.ModelComboChange();
}

void HeadlessForm::UserStep(Spinner which, int direction) {
  const int32_t delta = direction >= 0 ? SpinnerSpecOf(which).step : -SpinnerSpecOf(which).step;
  view_.SetSpinnerPosition(which, dialog_.SpinnerChanging(which, view_.SpinnerPosition(which), delta));
}

void HeadlessForm::Close() {
  plat::WindowHandle window = Handle.load(std::memory_order_acquire);
  if (window != nullptr) plat::post_message(window, plat::kWmClose, 0, 0);
}

}  // namespace setup
