#include "plugin/restart.h"

#include "config/settings.h"
#include "plugin/exports.h"

namespace plugin {

void Reconfigure(bool start) {
  config::SaveWaits();
  config::LoadConfiguration();
  if (start) Start();
}

namespace {

class StopAndStartAgain final : public setup::PluginRestart {
 public:
  void Restart() override {
    Stop();
    Reconfigure(/*start=*/true);
  }
};

}  // namespace

setup::PluginRestart& DialogRestart() {
  static StopAndStartAgain restart;
  return restart;
}

}  // namespace plugin
