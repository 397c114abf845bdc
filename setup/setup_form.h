// The setup dialog object that Setup creates, shows modally and destroys.
// The Win32 build shows a real window; elsewhere it is a headless form.
#pragma once
#include <functional>
#include <memory>

#include "platform/types.h"
#include "setup/form_window.h"
#include "setup/setup_logic.h"

namespace setup {

class HeadlessForm;

class TSetupForm : public SetupFormBase {
 public:
  // Runs FormCreate and creates the dialog's window on the calling thread,
  // hidden and owned by owner; Handle is set from here on. A change of device
  // or model restarts the plug-in through restart.
  TSetupForm(plat::WindowHandle owner, PluginRestart& restart);
  // Runs FormDestroy and destroys the window.
  ~TSetupForm() override;
  TSetupForm(const TSetupForm&) = delete;
  TSetupForm& operator=(const TSetupForm&) = delete;

  // Fills and shows the dialog and pumps until the user closes it; saving
  // happens on the way out. Returns the OK result.
  int ShowModal();

  SetupDialog& Dialog();
  // What the close box does; any thread may call it.
  void Close();
  // The headless form behind the dialog; null in the Win32 build.
  HeadlessForm* Headless();

  // Test and demo hook: called on the dialog's thread with the form once it
  // shows, inside the modal display. Set it while no dialog exists.
  static void SetShownHook(std::function<void(TSetupForm&)> hook);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace setup
