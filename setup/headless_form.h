// The setup dialog on a headless view: a message window of the calling thread
// receives the monitoring messages, and a modal loop pumps the thread's
// messages until the window gets a close request. Portable; the native build's
// dialog and the tests of both builds use it.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/types.h"
#include "setup/form_window.h"
#include "setup/headless_view.h"
#include "setup/setup_logic.h"

namespace setup {

constexpr int kModalResultOk = 1;

class HeadlessForm : public SetupFormBase {
 public:
  // Runs FormCreate and creates the window, hidden, on the calling thread.
  explicit HeadlessForm(PluginRestart& restart);
  ~HeadlessForm() override;
  HeadlessForm(const HeadlessForm&) = delete;
  HeadlessForm& operator=(const HeadlessForm&) = delete;

  // FormShow, then on_shown (if any) inside the modal display, then pumps until
  // closed; FormHide saves. Returns the OK result.
  int ShowModal(const std::function<void()>& on_shown = {});
  bool Showing() const { return showing_; }

  SetupDialog& Dialog() { return dialog_; }
  HeadlessView& View() { return view_; }

  // What a user does, on the dialog's thread.
  void UserSelectDevice(int index);
  void UserSelectModel(int index);
  void UserStep(Spinner which, int direction);
  void UserSelectRow(int row) { view_.SetCurrentKeyRow(row); }
  // The close box: asks the window to close; any thread may call it.
  void Close();

  // Dispatches the thread's messages until done() holds; false when it did not
  // within timeout_ms (a guard against hangs, not a timing).
  bool PumpUntil(const std::function<bool()>& done, uint32_t timeout_ms);

 private:
  static intptr_t Procedure(void* context, plat::WindowHandle window, uint32_t msg, uintptr_t wparam,
                            intptr_t lparam);
  void PumpOnce(uint32_t wait_ms);

  HeadlessView view_;
  SetupDialog dialog_;
  bool showing_ = false;
  bool closed_ = false;
};

}  // namespace setup
