// Test helpers around the simulated capture card: a fixture that starts every
// test from a fresh card with its call log on, and log helpers.
#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "device/gpio_device.h"
#include "platform/com.h"
#include "sim/sim_control.h"

namespace simtest {

inline std::vector<std::string> Log() {
  std::vector<std::string> entries;
  std::istringstream text(sim::log_text());
  for (std::string line; std::getline(text, line);) entries.push_back(line);
  return entries;
}

// The entries from the first one equal to `first` on (the COM run-time may
// call the card's objects during creation).
inline std::vector<std::string> LogFrom(const std::string& first) {
  std::vector<std::string> entries = Log();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == first)
      return std::vector<std::string>(entries.begin() + static_cast<long>(i), entries.end());
  }
  return {};
}

inline int CountOf(const std::vector<std::string>& entries, const std::string& entry) {
  int n = 0;
  for (const std::string& e : entries) n += e == entry ? 1 : 0;
  return n;
}

inline std::vector<std::string> Lines(const config::StringList* list) {
  std::vector<std::string> lines;
  for (int i = 0; list != nullptr && i < list->Count(); ++i) lines.push_back((*list)[i]);
  return lines;
}

// The devices' description lines, as the dialog gets them.
inline std::vector<std::string> Lines(const std::vector<device::DeviceIds>& devices) {
  std::vector<std::string> lines;
  for (const device::DeviceIds& ids : devices) lines.push_back(device::DescribeDevice(ids));
  return lines;
}

class CardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card = sim::control();
    ASSERT_NE(card, nullptr) << "simulated card not reachable";
    card->Reset();
    card->EnableLog(true);
    device::CreateDeviceList();
    balance_before = plat::com_init_balance();
  }
  void TearDown() override {
    device::CloseDevice(opened);  // harmless when nothing is open
    device::FreeDeviceList();
    card->Reset();
  }
  void SetDevices(std::initializer_list<sim::PciIds> ids) {
    std::vector<sim::PciIds> list(ids);
    card->SetDevices(list.data(), static_cast<int32_t>(list.size()));
  }
  int Balance() const { return plat::com_init_balance() - balance_before; }
  // Opens device index into opened, keeping the devices reached; the result
  // as a number, the codes the plug-in has always used.
  int32_t Open(int32_t index) {
    devices.clear();
    return static_cast<int32_t>(device::OpenDevice(index, opened, devices));
  }

  sim::Control* card = nullptr;
  device::Card opened;  // what a test opens, closed at its end
  std::vector<device::DeviceIds> devices;
  int balance_before = 0;
};

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

}  // namespace simtest
