// Each wrapper forwards every call to the simulated card's own object and
// hands out wrappers instead of the card's interfaces; only get_Pin adds
// anything. Device 0 only: the benchmark's card has a single device.
#include "tools/bench/timed_card.h"

#include <atomic>
#include <chrono>

#include "device/vamp.h"
#include "platform/com.h"
#include "sim/card.h"
#include "tools/bench/alloc_count.h"

using namespace device;

namespace bench {
namespace {

constexpr int32_t kLastPin = 31;

std::atomic<uint64_t> g_samples{0};
std::atomic<int64_t> g_changed_ns{0};
std::atomic<uint32_t> g_changed_sample{0};

// The slots every driver interface begins with, forwarded to the card's own
// object; QueryInterface hands out the wrapper.
template <typename Interface>
class Forwarding : public Interface {
 public:
  int32_t VAMP_CALL QueryInterface(const plat::Guid& iid, void** out) override {
    const int32_t status = inner->QueryInterface(iid, out);
    if (status >= 0 && out != nullptr && *out != nullptr) *out = this;
    return status;
  }
  uint32_t VAMP_CALL AddRef() override { return inner->AddRef(); }
  uint32_t VAMP_CALL Release() override { return inner->Release(); }
  int32_t VAMP_CALL Reserved3() override { return inner->Reserved3(); }
  int32_t VAMP_CALL Reserved4() override { return inner->Reserved4(); }
  int32_t VAMP_CALL Reserved5() override { return inner->Reserved5(); }
  int32_t VAMP_CALL Reserved6() override { return inner->Reserved6(); }

  Interface* inner = nullptr;
};

class TimedGpio final : public Forwarding<IVampGPIO> {
 public:
  int32_t VAMP_CALL Reserved7() override { return inner->Reserved7(); }
  int32_t VAMP_CALL Reserved8() override { return inner->Reserved8(); }
  int32_t VAMP_CALL Reserved9() override { return inner->Reserved9(); }
  int32_t VAMP_CALL Reserved10() override { return inner->Reserved10(); }
  int32_t VAMP_CALL get_Pin(int32_t pin, uint32_t* value) override {
    const int32_t status = inner->get_Pin(pin, value);
    // Only the polling thread reads pins while the plug-in runs.
    MarkThread(Role::Poll);
    if (pin == 0) sample_ = 0;
    if (status >= 0 && value != nullptr && pin >= 0 && pin <= kLastPin) sample_ |= (*value & 1u) << pin;
    if (pin == kLastPin) {
      if (sample_ != previous_) {
        g_changed_sample.store(sample_, std::memory_order_relaxed);
        g_changed_ns.store(NowNs(), std::memory_order_release);
        previous_ = sample_;
      }
      g_samples.fetch_add(1, std::memory_order_release);
    }
    return status;
  }
  int32_t VAMP_CALL put_Pin(int32_t pin, uint32_t level) override { return inner->put_Pin(pin, level); }
  int32_t VAMP_CALL PrepareWrite() override { return inner->PrepareWrite(); }

 private:
  // Polling thread only.
  uint32_t sample_ = 0;
  uint32_t previous_ = 0;
};

class TimedDevice final : public Forwarding<IVampDevice> {
 public:
  int32_t VAMP_CALL Reserved7() override { return inner->Reserved7(); }
  int32_t VAMP_CALL get_VendorId(uint32_t* id) override { return inner->get_VendorId(id); }
  int32_t VAMP_CALL get_DeviceId(uint32_t* id) override { return inner->get_DeviceId(id); }
  int32_t VAMP_CALL get_SubVendorId(uint32_t* id) override { return inner->get_SubVendorId(id); }
  int32_t VAMP_CALL get_SubDeviceId(uint32_t* id) override { return inner->get_SubDeviceId(id); }
  int32_t VAMP_CALL get_Revision(uint32_t* revision) override { return inner->get_Revision(revision); }
  int32_t VAMP_CALL Reserved13() override { return inner->Reserved13(); }
  int32_t VAMP_CALL Reserved14() override { return inner->Reserved14(); }
  int32_t VAMP_CALL Reserved15() override { return inner->Reserved15(); }
  int32_t VAMP_CALL Reserved16() override { return inner->Reserved16(); }
  int32_t VAMP_CALL Reserved17() override { return inner->Reserved17(); }
  int32_t VAMP_CALL Reserved18() override { return inner->Reserved18(); }
  int32_t VAMP_CALL Reserved19() override { return inner->Reserved19(); }
  int32_t VAMP_CALL Reserved20() override { return inner->Reserved20(); }
  int32_t VAMP_CALL get_GPIO(IVampGPIO** gpio) override {
    IVampGPIO* inner_gpio = nullptr;
    const int32_t status = inner->get_GPIO(&inner_gpio);
    if (gpio == nullptr) return status;
    if (inner_gpio != nullptr) gpio_.inner = inner_gpio;
    *gpio = inner_gpio != nullptr ? &gpio_ : nullptr;
    return status;
  }

 private:
  TimedGpio gpio_;
};

class TimedEnum final : public Forwarding<IVampDeviceEnum> {
 public:
  int32_t VAMP_CALL get_DeviceCount(int32_t* count) override { return inner->get_DeviceCount(count); }
  int32_t VAMP_CALL get_Device(int32_t index, IVampDevice** device) override {
    IVampDevice* inner_device = nullptr;
    const int32_t status = inner->get_Device(index, &inner_device);
    if (device == nullptr) return status;
    if (index == 0 && inner_device != nullptr) {
      device_.inner = inner_device;
      *device = &device_;
    } else {
      *device = inner_device;
    }
    return status;
  }

 private:
  TimedDevice device_;
};

// One plug-in session at a time uses the card, so one set of wrappers does.
TimedEnum g_enum;

int32_t CreateTimed(const plat::Guid& clsid, const plat::Guid& iid, void** out) {
  void* inner = nullptr;
  const int32_t status = sim::Card::Instance().CreateInstance(clsid, iid, &inner);
  if (out == nullptr) return status;
  if (inner != nullptr) {
    g_enum.inner = static_cast<IVampDeviceEnum*>(inner);
    *out = static_cast<IVampDeviceEnum*>(&g_enum);
  } else {
    *out = nullptr;
  }
  return status;
}

}  // namespace

void InstallTimedCard() { plat::com_register_server(&CreateTimed); }

uint64_t SamplesRead() { return g_samples.load(std::memory_order_acquire); }
int64_t ChangedSampleNs() { return g_changed_ns.load(std::memory_order_acquire); }
uint32_t ChangedSample() { return g_changed_sample.load(std::memory_order_relaxed); }

}  // namespace bench
