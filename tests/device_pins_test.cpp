// Reading the 32 pins: call order with and without the reset pulse, bit 0 of
// each value, and nothing at all while no device is open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/gpio_device.h"
#include "tests/support/sim_card.h"

using namespace device;

using simtest::CardTest;
using ::testing::ElementsAreArray;

namespace {

std::vector<std::string> PinReads() {
  std::vector<std::string> reads;
  for (int pin = 0; pin < 32; ++pin) reads.push_back("get_Pin(" + std::to_string(pin) + ")");
  return reads;
}

std::vector<std::string> Pulse(int pin) {
  return {"PrepareWrite", "put_Pin(" + std::to_string(pin) + ",1)", "put_Pin(" + std::to_string(pin) + ",0)"};
}

class PinsTest : public CardTest {
 protected:
  void Open() {
    ASSERT_EQ(CardTest::Open(0), 0);
    card->ClearLog();
  }
};

TEST_F(PinsTest, NothingOpenGivesZeroWithoutACall) {
  card->SetPins(sim::kAnyDevice, 0xFFFFFFFF);
  EXPECT_EQ(ReadAllPins(opened, -1), 0u);
  EXPECT_EQ(ReadAllPins(opened, 3), 0u);
  EXPECT_TRUE(simtest::Log().empty());

  Open();
  CloseDevice(opened);
  card->ClearLog();
  EXPECT_EQ(ReadAllPins(opened, 3), 0u);
  EXPECT_TRUE(simtest::Log().empty());
}

TEST_F(PinsTest, WithoutResetPinReadsPinsZeroToThirtyOneOnly) {
  Open();
  for (uint32_t pins : {0x00000000u, 0xFFFFFFFFu, 0x80000001u, 0x12345678u}) {
    card->SetPins(0, pins);
    card->ClearLog();
    EXPECT_EQ(ReadAllPins(opened, -1), pins);
    EXPECT_THAT(simtest::Log(), ElementsAreArray(PinReads()));
  }
}

TEST_F(PinsTest, ResetPinFramesTheReadWithTwoPulses) {
  Open();
  card->SetPins(0, 0x0000C03Fu);
  for (int pin : {5, 0, 40}) {  // 40 goes to the driver unchanged
    SCOPED_TRACE(pin);
    card->ClearLog();
    EXPECT_EQ(ReadAllPins(opened, pin), 0x0000C03Fu);
    std::vector<std::string> expected = Pulse(pin);
    for (const std::string& read : PinReads()) expected.push_back(read);
    for (const std::string& call : Pulse(pin)) expected.push_back(call);
    EXPECT_THAT(simtest::Log(), ElementsAreArray(expected));
  }
}

TEST_F(PinsTest, OnlyBitZeroOfEachValueCounts) {
  Open();
  // Every value carries bit 1: 2 is a low pin, 3 a high one.
  card->SetPinExtraBits(0, 0x2);
  card->SetPins(0, 0xA5A5A5A5u);
  EXPECT_EQ(ReadAllPins(opened, -1), 0xA5A5A5A5u);
  // The driver's value for a low pin 7 is 0xFFFFFFFE, for a high one 0xFFFFFFFF.
  card->SetPinExtraBits(0, 0xFFFFFFFE);
  card->SetPins(0, 0x00000000u);
  EXPECT_EQ(ReadAllPins(opened, -1), 0u);
  card->SetPins(0, 0x00000080u);
  EXPECT_EQ(ReadAllPins(opened, -1), 0x80u);
}

TEST_F(PinsTest, FailedReadsCountAsLowAndSamplingGoesOn) {
  Open();
  card->SetPins(0, 0xFFFFFFFFu);
  card->SetFailure(sim::Call::Pin, 0, simtest::kEFail);
  EXPECT_EQ(ReadAllPins(opened, -1), 0u);
  card->ClearFailures();
  EXPECT_EQ(ReadAllPins(opened, -1), 0xFFFFFFFFu);
}

TEST_F(PinsTest, ReadsTheOpenedDevicesPins) {
  SetDevices({sim::PciIds{}, sim::PciIds{}, sim::PciIds{}});
  card->SetPins(0, 0x1);
  card->SetPins(1, 0x2);
  card->SetPins(2, 0x4);
  ASSERT_EQ(CardTest::Open(2), 0);
  EXPECT_EQ(ReadAllPins(opened, -1), 0x4u);
}

}  // namespace
