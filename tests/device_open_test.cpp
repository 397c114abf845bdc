// Opening a device: result codes, the devices' IDs and description lines, the
// release of every reference and the balance of COM initialisation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/gpio_device.h"
#include "device/vamp.h"
#include "platform/com.h"
#include "tests/support/sim_card.h"

using namespace device;

using simtest::CardTest;
using simtest::kEFail;
using ::testing::ElementsAre;

namespace {

const sim::PciIds kAverTv{0x1131, 0x7134, 0x1461, 0xF31D, 0x01};
const sim::PciIds kLifeView{0x1131, 0x7133, 0x5168, 0x0138, 0x10};
const sim::PciIds kGotView{0x1131, 0x7130, 0x5456, 0x7135, 0xD1};
const sim::PciIds kOther{0x1131, 0x7134, 0x0070, 0x6701, 0x0};

const char kAverTvLine[] =
    "Vendor: 1131, Device: 7134, SubVendor: 1461, SubDevice: F31D, rev. 1 (AverTV 307)";
const char kLifeViewLine[] =
    "Vendor: 1131, Device: 7133, SubVendor: 5168, SubDevice: 138, rev. 10 (LifeView)";
const char kGotViewLine[] = "Vendor: 1131, Device: 7130, SubVendor: 5456, SubDevice: 7135, rev. D1 (GotView)";
const char kOtherLine[] = "Vendor: 1131, Device: 7134, SubVendor: 70, SubDevice: 6701, rev. 0";

class OpenTest : public CardTest {
 protected:
  std::vector<std::string> Lines() const { return simtest::Lines(devices); }
};

TEST_F(OpenTest, OpensTheChosenDeviceDescribesEveryDeviceAndClosesCleanly) {
  SetDevices({kAverTv, kLifeView, kGotView, kOther});
  ASSERT_EQ(Open(1), 0);
  EXPECT_THAT(Lines(), ElementsAre(kAverTvLine, kLifeViewLine, kGotViewLine, kOtherLine));
  // Device 1 and its pins stay held; the enumerator and the other devices do not.
  EXPECT_EQ(card->LiveReferences(), 2);
  EXPECT_EQ(Balance(), 1);
  auto log = simtest::LogFrom("get_DeviceCount");
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 9),
              ElementsAre("get_DeviceCount", "get_Device(0)", "get_VendorId[0]", "get_DeviceId[0]",
                          "get_SubVendorId[0]", "get_SubDeviceId[0]", "get_Revision[0]", "Release(Device[0])",
                          "get_Device(1)"));
  // The chosen device's pins are taken before its line is composed.
  EXPECT_EQ(log[9], "get_GPIO[1]");
  EXPECT_EQ(log.back(), "Release(Enum)");
  EXPECT_EQ(simtest::CountOf(log, "Release(Device[1])"), 0);

  card->ClearLog();
  CloseDevice(opened);
  EXPECT_THAT(simtest::Log(), ElementsAre("Release(GPIO[1])", "Release(Device[1])"));
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
  EXPECT_EQ(opened.gpio, nullptr);
  EXPECT_EQ(opened.device, nullptr);
}

TEST_F(OpenTest, FailedIdentificationCallsShowQuestionMarksAndDropTheSuffix) {
  SetDevices({kLifeView, kLifeView, kAverTv});
  card->SetFailure(sim::Call::SubVendorId, 1, kEFail);
  card->SetFailure(sim::Call::VendorId, 2, kEFail);
  card->SetFailure(sim::Call::DeviceId, 2, kEFail);
  card->SetFailure(sim::Call::SubVendorId, 2, kEFail);
  card->SetFailure(sim::Call::SubDeviceId, 2, kEFail);
  card->SetFailure(sim::Call::Revision, 2, kEFail);
  ASSERT_EQ(Open(0), 0);
  EXPECT_THAT(Lines(), ElementsAre(kLifeViewLine,
                                   "Vendor: 1131, Device: 7133, SubVendor: ???, SubDevice: 138, rev. 10",
                                   "Vendor: ???, Device: ???, SubVendor: ???, SubDevice: ???, rev. ???"));
}

TEST_F(OpenTest, AWarningStatusStillCountsAsAnIdentifiedValue) {
  SetDevices({kGotView});
  card->SetFailure(sim::Call::SubVendorId, 0, 1);  // S_FALSE with the value
  ASSERT_EQ(Open(0), 0);
  EXPECT_THAT(Lines(), ElementsAre(kGotViewLine));
}

TEST_F(OpenTest, EnumerationFailuresGiveTheirCodesAndLeaveNothingHeld) {
  struct Case {
    const char* what;
    sim::Call call;
    int32_t device;
    int32_t status;
    int32_t index;
    int32_t code;
    size_t lines;
  };
  const Case cases[] = {
      {"creation fails", sim::Call::Create, sim::kAnyDevice, kEFail, 0, -1, 0},
      {"count fails", sim::Call::DeviceCount, sim::kAnyDevice, kEFail, 0, -2, 0},
      {"device 1 fails while 0 is chosen", sim::Call::Device, 1, kEFail, 0, -4, 1},
      {"device 0 fails", sim::Call::Device, 0, kEFail, 1, -4, 0},
      {"pins of the chosen device fail", sim::Call::Gpio, 1, kEFail, 1, -5, 1},
      {"pins of another device would fail", sim::Call::Gpio, 0, kEFail, 1, 0, 2},
      {"pins given without an interface", sim::Call::Gpio, 1, 0, 1, -7, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    card->Reset();
    card->EnableLog(true);
    SetDevices({kAverTv, kLifeView});
    card->SetFailure(c.call, c.device, c.status);
    EXPECT_EQ(Open(c.index), c.code);
    EXPECT_EQ(Lines().size(), c.lines);
    if (c.code == 0) CloseDevice(opened);
    EXPECT_EQ(card->LiveReferences(), 0);
    EXPECT_EQ(Balance(), 0);
  }
}

TEST_F(OpenTest, AFailureAfterTheChosenDeviceReleasesItsPinsThenTheDevice) {
  SetDevices({kAverTv, kLifeView});
  card->SetFailure(sim::Call::Device, 1, kEFail);
  ASSERT_EQ(Open(0), -4);
  EXPECT_THAT(Lines(), ElementsAre(kAverTvLine));
  auto log = simtest::LogFrom("get_Device(1)");
  EXPECT_THAT(log, ElementsAre("get_Device(1)", "Release(GPIO[0])", "Release(Device[0])", "Release(Enum)"));
}

TEST_F(OpenTest, NoDeviceAndIndicesOutsideTheCount) {
  SetDevices({});
  EXPECT_EQ(Open(0), -3);
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);

  SetDevices({kAverTv, kOther});
  for (int32_t index : {2, -1, 1000}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(Open(index), -7);
    EXPECT_THAT(Lines(), ElementsAre(kAverTvLine, kOtherLine));
    EXPECT_EQ(card->LiveReferences(), 0);
    EXPECT_EQ(Balance(), 0);
  }
}

TEST_F(OpenTest, RepeatedOpenAndCloseKeepCountsBalanced) {
  SetDevices({kAverTv, kOther});
  for (int round = 0; round < 5; ++round) {
    ASSERT_EQ(Open(round % 2), 0);
    CloseDevice(opened);
    // A close without an open must not undo someone else's initialisation.
    CloseDevice(opened);
  }
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
}

TEST_F(OpenTest, CloseDoesNotUndoAFailedInitialisation) {
  // The thread already uses COM; the open's own initialisation reports failure
  // (as for a thread in another apartment mode) but creation works.
  ASSERT_GE(plat::co_initialize(), 0);
  plat::inject_co_initialize_failures(1);
  ASSERT_EQ(Open(0), 0);
  CloseDevice(opened);
  EXPECT_EQ(Balance(), 1) << "the caller's own initialisation was undone";
  EXPECT_EQ(card->LiveReferences(), 0);

  plat::inject_co_initialize_failures(1);
  card->SetFailure(sim::Call::DeviceCount, sim::kAnyDevice, kEFail);
  EXPECT_EQ(Open(0), -2);
  EXPECT_EQ(Balance(), 1);
  plat::co_uninitialize();
  EXPECT_EQ(Balance(), 0);
}

// The walk alone: every device's IDs, none opened, nothing held after.
TEST_F(OpenTest, EnumerationReachesEveryDeviceAndOpensNone) {
  SetDevices({kAverTv, kLifeView, kOther});
  Enumeration walk = EnumerateDevices();
  EXPECT_EQ(walk.error, OpenError::None);
  devices = walk.devices;
  EXPECT_THAT(Lines(), ElementsAre(kAverTvLine, kLifeViewLine, kOtherLine));
  for (const std::string& call : simtest::Log()) EXPECT_EQ(call.rfind("get_GPIO", 0), std::string::npos);
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);

  card->SetFailure(sim::Call::Device, 1, kEFail);
  walk = EnumerateDevices();
  EXPECT_EQ(walk.error, OpenError::DeviceUnreachable);
  devices = walk.devices;
  EXPECT_THAT(Lines(), ElementsAre(kAverTvLine));
  EXPECT_EQ(card->LiveReferences(), 0);
  EXPECT_EQ(Balance(), 0);
}

// The interfaces' methods must sit at the driver's slot numbers. Call the
// card through raw method tables, numbered independently of the headers.
template <typename Result, typename... Args>
Result CallSlot(void* object, int slot, Args... args) {
  using Method = Result(VAMP_CALL*)(void*, Args...);
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Method>(table[slot])(object, args...);
}

TEST_F(OpenTest, MethodsSitAtTheDriversSlotNumbers) {
  SetDevices({kLifeView, kGotView});
  card->SetPins(1, 0x00000404);
  ASSERT_GE(plat::co_initialize(), 0);
  void* enumerator = nullptr;
  ASSERT_EQ(plat::co_create_instance(CLSID_VampDeviceEnum, IID_IVampDeviceEnum, &enumerator), 0);
  int32_t count = 0;
  EXPECT_EQ(CallSlot<int32_t>(enumerator, 7, &count), 0);
  EXPECT_EQ(count, 2);
  void* device = nullptr;
  ASSERT_EQ(CallSlot<int32_t>(enumerator, 8, int32_t{1}, &device), 0);
  uint32_t value = 0;
  const uint32_t expected[] = {kGotView.Vendor, kGotView.Device, kGotView.SubVendor, kGotView.SubDevice,
                               kGotView.Revision};
  for (int slot = 8; slot <= 12; ++slot) {
    EXPECT_EQ(CallSlot<int32_t>(device, slot, &value), 0);
    EXPECT_EQ(value, expected[slot - 8]) << "slot " << slot;
  }
  void* gpio = nullptr;
  ASSERT_EQ(CallSlot<int32_t>(device, 21, &gpio), 0);
  card->ClearLog();
  CallSlot<int32_t>(gpio, 13);
  CallSlot<int32_t>(gpio, 12, int32_t{7}, uint32_t{1});
  EXPECT_EQ(CallSlot<int32_t>(gpio, 11, int32_t{0}, &value), 0);
  EXPECT_EQ(value & 1u, 0u);
  EXPECT_EQ(CallSlot<int32_t>(gpio, 11, int32_t{2}, &value), 0);
  EXPECT_EQ(value & 1u, 1u);
  CallSlot<uint32_t>(gpio, 2);
  CallSlot<uint32_t>(device, 2);
  CallSlot<uint32_t>(enumerator, 2);
  EXPECT_THAT(simtest::Log(), ElementsAre("PrepareWrite", "put_Pin(7,1)", "get_Pin(0)", "get_Pin(2)",
                                          "Release(GPIO[1])", "Release(Device[1])", "Release(Enum)"));
  EXPECT_EQ(card->LiveReferences(), 0);
  plat::co_uninitialize();
}

}  // namespace
