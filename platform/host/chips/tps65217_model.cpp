// The power chip (power path, charger, push button). Inputs come from the
// state files (button, USB/charger, battery state), read at every access
// so that the simulator can change them at any time; the registers the
// firmware programs land in var/board/pmic.
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

enum : int {
  kRegInterrupt = 0x02,
  kRegCharger0 = 0x03,
  kRegStatus = 0x0A,
};

// Power-on values of the C variant; the regulator set-points and the
// sequencer (0x0D-0x1E) are left at zero, nothing reads them here.
std::vector<RegisterChip::Register> Map() {
  std::vector<RegisterChip::Register> m(0x1F, {0x00, 0xFF});
  m[0x00] = {0xE2, 0x00};  // CHIPID
  m[0x01] = {0x3D, 0xFF};  // PPATH: both inputs enabled, USB 500 mA
  m[0x02] = {0x00, 0x70};  // INT: masks writable, flags only cleared by reading
  m[0x03] = {0x00, 0x00};  // CHGCONFIG0: charger status
  m[0x04] = {0xB1, 0xFF};  // CHGCONFIG1
  m[0x05] = {0x80, 0xFF};  // CHGCONFIG2
  m[0x06] = {0xB2, 0xFF};  // CHGCONFIG3
  m[0x0A] = {0x00, 0x00};  // STATUS
  m[0x0C] = {0x00, 0x00};  // PGOOD
  m[0x17] = {0x00, 0x00};  // reserved
  return m;
}

class Tps65217 final : public RegisterChip {
 public:
  explicit Tps65217(const HostState& state)
      : RegisterChip("tps65217", Map()),
        state_(state),
        pb_seen_(state.GetInt(state::kPowerButtonChanges, 0)),
        usb_seen_(state.GetInt(state::kUsbChanges, 0)) {}

 protected:
  uint8_t Read(int reg) override {
    bool usb = state_.Get(state::kUsb, "none") != "none";
    long battery = state_.GetInt(state::kBattery, 5);
    switch (reg) {
      case kRegInterrupt: {
        // Change flags latch until read; reading clears them.
        long pb = state_.GetInt(state::kPowerButtonChanges, 0);
        long us = state_.GetInt(state::kUsbChanges, 0);
        int v = Stored(kRegInterrupt);
        if (pb != pb_seen_) v |= 0x04;
        if (us != usb_seen_) v |= 0x02;
        pb_seen_ = pb;
        usb_seen_ = us;
        return static_cast<uint8_t>(v);
      }
      case kRegCharger0:
        return static_cast<uint8_t>((Stored(kRegCharger0) & ~0x18) |
                                    (usb && battery == 7 ? 0x10 : 0) | (usb && battery == 6 ? 0x08 : 0));
      case kRegStatus:
        return static_cast<uint8_t>((state_.Get(state::kPowerButton, "0") == "1" ? 0x01 : 0) |
                                    (usb ? 0x04 : 0));
      default:
        return Stored(reg);
    }
  }
  void Written() override { state_.Set(state::kPmic, WrittenLines()); }

 private:
  HostState state_;
  long pb_seen_;
  long usb_seen_;
};

}  // namespace

std::unique_ptr<Chip> MakeTps65217(const HostState& state) { return std::make_unique<Tps65217>(state); }

}  // namespace chips
}  // namespace board
