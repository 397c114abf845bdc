// Setup: the modal dialog around a temporary start in setup mode.
#include "plugin/exports.h"
#include "plugin/restart.h"
#include "plugin/state.h"
#include "setup/setup_form.h"

extern "C" SAA_EXPORT void Setup() {
  // A Setup while the dialog shows (from a handler inside its modal loop)
  // has nothing to add.
  if (_SetupForm.load() != nullptr) return;
  const bool wasRunning = plugin::Running();
  // The window is made here, on the core's thread, before Start can
  // address it.
  auto* form = new setup::TSetupForm(plugin::CoreWindow.load(), plugin::DialogRestart());
  _SetupForm.store(form, std::memory_order_release);
  Start();
  form->ShowModal();
  Stop();
  _SetupForm.store(nullptr, std::memory_order_release);
  delete form;
  plugin::Reconfigure(wasRunning);
}
