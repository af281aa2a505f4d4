// The QMC5883L magnetometer: 16-bit readings, X, Y, Z least significant
// byte first, at 12000 LSB/gauss (2 gauss range) or 3000 (8 gauss). In
// continuous mode a new measurement is ready whenever the last one was
// read; the status register reports DRDY (cleared by reading the data) and
// OVL (an axis past the range, the reading clamped). Soft reset through
// control register 2; identification register 0x0D reads 0xFF.
#include <cmath>

#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

enum : int { kDataLast = 0x05, kStatus = 0x06, kControl1 = 0x09, kControl2 = 0x0A };
constexpr uint8_t kDrdy = 0x01, kOvl = 0x02, kSoftReset = 0x80;

std::vector<RegisterChip::Register> Map() {
  std::vector<RegisterChip::Register> m(0x0E, {0x00, 0x00});
  m[0x07] = {0x28, 0x00};  // temperature, least significant byte first
  m[0x08] = {0x0A, 0x00};
  m[0x09] = {0x00, 0xFF};  // control 1: standby
  m[0x0A] = {0x00, 0xC1};  // control 2: soft reset, pointer roll-over, interrupt
  m[0x0B] = {0x00, 0xFF};  // set/reset period
  m[0x0C] = {0x01, 0x00};
  m[0x0D] = {0xFF, 0x00};  // chip identification
  return m;
}

class Qmc5883l final : public MagnetometerChip {
 public:
  explicit Qmc5883l(const HostState& state) : MagnetometerChip("qmc", "qmc5883l", Map(), state) {}

 protected:
  uint8_t Read(int reg) override {
    bool continuous = (Stored(kControl1) & 0x03) == 1;
    if (continuous && !(status_ & kDrdy) && (reg == kStatus || reg == 0)) Measure();
    if (reg <= kDataLast) {
      status_ &= static_cast<uint8_t>(~kDrdy);
      return data_[reg];
    }
    if (reg == kStatus) return status_;
    return Stored(reg);
  }
  void Written() override {
    if (Stored(kControl2) & kSoftReset) {
      ResetRegisters();
      status_ = 0;
      for (uint8_t& d : data_) d = 0;
    }
  }

 private:
  void Measure() {
    Vec3 f = SensedField(state());
    int lsbPerGauss = (Stored(kControl1) & 0x30) == 0x10 ? 3000 : 12000;
    const double axes[3] = {f.x, f.y, f.z};
    status_ = kDrdy;
    for (int i = 0; i < 3; ++i) {
      long v = lround(axes[i] / 100.0 * lsbPerGauss);
      if (v < -32768 || v > 32767) {
        status_ |= kOvl;
        v = v < 0 ? -32768 : 32767;
      }
      data_[2 * i] = static_cast<uint8_t>(v & 0xFF);
      data_[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    state().Bump(compass_state::kMeasurements);
  }

  uint8_t data_[6] = {};
  uint8_t status_ = 0;
};

}  // namespace

std::unique_ptr<Chip> MakeQmc5883l(const HostState& state) { return std::make_unique<Qmc5883l>(state); }

}  // namespace chips
}  // namespace board
