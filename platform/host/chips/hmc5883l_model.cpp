// The HMC5883L magnetometer: 12-bit readings of the field at the gain of
// configuration register B, in the chip's order X, Z, Y (most significant
// byte first), -4096 on an axis past the gain's range. Measures in
// continuous mode when the X register is read, in single mode once per
// write; its status register reports RDY.
#include <cmath>

#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

enum : int { kConfigB = 0x01, kMode = 0x02, kDataX = 0x03, kDataLast = 0x08, kStatus = 0x09 };
constexpr int kLsbPerGauss[8] = {1370, 1090, 820, 660, 440, 390, 330, 230};
constexpr int kOverflow = -4096;

std::vector<RegisterChip::Register> Map() {
  std::vector<RegisterChip::Register> m(0x0D, {0x00, 0x00});
  m[0x00] = {0x10, 0x7F};  // configuration A: bit 7 must stay clear
  m[0x01] = {0x20, 0xE0};  // configuration B: gain 1 (1090 LSB/gauss)
  m[0x02] = {0x01, 0x83};  // mode: single measurement
  m[0x0A] = {'H', 0x00};   // identification "H43"
  m[0x0B] = {'4', 0x00};
  m[0x0C] = {'3', 0x00};
  return m;
}

class Hmc5883l final : public MagnetometerChip {
 public:
  explicit Hmc5883l(const HostState& state) : MagnetometerChip("hmc", "hmc5883l", Map(), state) {}

 protected:
  uint8_t Read(int reg) override {
    if (reg == kDataX && (Stored(kMode) & 0x03) == 0) Measure();
    if (reg >= kDataX && reg <= kDataLast) {
      if (reg == kDataLast) ready_ = false;
      return data_[reg - kDataX];
    }
    if (reg == kStatus) return ready_ ? 0x01 : 0x00;
    return Stored(reg);
  }
  // A write in single mode starts a measurement (writing the mode register
  // is how the firmware asks for one).
  void Written() override {
    if ((Stored(kMode) & 0x03) == 1) Measure();
  }

 private:
  void Measure() {
    Vec3 f = SensedField(state());
    int gain = kLsbPerGauss[(Stored(kConfigB) >> 5) & 7];
    // Register order X, Z, Y.
    const double axes[3] = {f.x, f.z, f.y};
    for (int i = 0; i < 3; ++i) {
      long v = lround(axes[i] / 100.0 * gain);  // 1 gauss = 100 uT
      if (v < -2048 || v > 2047) v = kOverflow;
      data_[2 * i] = static_cast<uint8_t>((v >> 8) & 0xFF);
      data_[2 * i + 1] = static_cast<uint8_t>(v & 0xFF);
    }
    ready_ = true;
    state().Bump(compass_state::kMeasurements);
  }

  uint8_t data_[6] = {};
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<Chip> MakeHmc5883l(const HostState& state) { return std::make_unique<Hmc5883l>(state); }

}  // namespace chips
}  // namespace board
