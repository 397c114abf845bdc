// The dialog of the native build: a headless form.
#if !defined(_WIN32)
#include <utility>

#include "platform/screen.h"
#include "setup/caption.h"
#include "setup/headless_form.h"
#include "setup/headless_render.h"
#include "setup/setup_form.h"

namespace setup {

namespace {
std::function<void(TSetupForm&)>& ShownHook() {
  static std::function<void(TSetupForm&)> hook;
  return hook;
}
}  // namespace

struct TSetupForm::Impl {
  explicit Impl(PluginRestart& restart) : form(restart) {}
  HeadlessForm form;
};

TSetupForm::TSetupForm(plat::WindowHandle, PluginRestart& restart) : impl_(std::make_unique<Impl>(restart)) {
  Handle.store(impl_->form.Handle.load(std::memory_order_acquire), std::memory_order_release);
}

TSetupForm::~TSetupForm() { Handle.store(nullptr, std::memory_order_release); }

int TSetupForm::ShowModal() {
  return impl_->form.ShowModal([this] {
    // Without a screen the dialog shows itself as text.
    plat::show_window_text(PluginDescription, RenderDialogText(impl_->form.View()).c_str());
    if (ShownHook()) ShownHook()(*this);
  });
}

SetupDialog& TSetupForm::Dialog() { return impl_->form.Dialog(); }
void TSetupForm::Close() { impl_->form.Close(); }
HeadlessForm* TSetupForm::Headless() { return &impl_->form; }
void TSetupForm::SetShownHook(std::function<void(TSetupForm&)> hook) { ShownHook() = std::move(hook); }

}  // namespace setup
#endif
