// A fixture for the suites that drive the exports: a fresh folder that the
// plug-in takes for its own, a stand-in core on the test's thread, a fresh
// simulated card, and a Close at the end.
#pragma once
#include <gtest/gtest.h>

#include "host/temp_dir.h"
#include "platform/module.h"
#include "plugin/exports.h"
#include "sim/sim_control.h"
#include "tests/support/test_core.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr);
    card->Reset();
    plat::set_module_path_override(dir.file("SAA713x.dll").c_str());
  }
  void TearDown() override {
    Close();
    plat::set_module_path_override(nullptr);
  }
  // Open with a version the plug-in accepts.
  void OpenAccepted() {
    const host::CoreInfoBlock info(host::kAcceptedCoreVersion);
    Open("test", core.window(), info.bytes);
  }

  host::TempDir dir;
  TestCore core;
  sim::Control* card = nullptr;
};
