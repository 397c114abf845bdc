#include "plugin/restart.h"

#include "config/settings.h"
#include "plugin/exports.h"

void Reconfigure(bool start) {
  SaveWaits();
  LoadConfiguration();
  if (start) Start();
}

namespace {

class StopAndStartAgain final : public PluginRestart {
 public:
  void Restart() override {
    Stop();
    Reconfigure(/*start=*/true);
  }
};

}  // namespace

PluginRestart& DialogRestart() {
  static StopAndStartAgain restart;
  return restart;
}
