// The ADXL345 accelerometer: gravity along its axes in DATAX0..DATAZ1
// (least significant byte first) while POWER_CTL's measure bit is set, at
// 256 LSB/g in full resolution or 10 bits over the range of DATA_FORMAT,
// plus the offsets of OFSX..OFSZ (15.6 mg each). DEVID reads 0xE5; in
// standby the data registers keep the last reading.
#include <cmath>

#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

enum : int {
  kOffsetX = 0x1E,
  kPowerCtl = 0x2D,
  kIntSource = 0x30,
  kDataFormat = 0x31,
  kDataX0 = 0x32,
  kDataZ1 = 0x37,
};
constexpr uint8_t kMeasure = 0x08, kFullRes = 0x08, kDataReady = 0x80;

std::vector<RegisterChip::Register> Map() {
  std::vector<RegisterChip::Register> m(0x3A, {0x00, 0x00});  // reserved and data: read-only
  m[0x00] = {0xE5, 0x00};                                     // DEVID
  for (int r = 0x1D; r <= 0x2A; ++r) m[r] = {0x00, 0xFF};     // tap, offsets, activity, free fall
  m[0x2C] = {0x0A, 0x1F};                                     // BW_RATE: 100 Hz
  m[0x2D] = {0x00, 0x3F};                                     // POWER_CTL: standby
  m[0x2E] = {0x00, 0xFF};                                     // INT_ENABLE
  m[0x2F] = {0x00, 0xFF};                                     // INT_MAP
  m[0x30] = {0x02, 0x00};                                     // INT_SOURCE
  m[0x31] = {0x00, 0xEF};                                     // DATA_FORMAT
  m[0x38] = {0x00, 0xFF};                                     // FIFO_CTL
  return m;
}

class Adxl345 final : public RegisterChip {
 public:
  explicit Adxl345(const HostState& state) : RegisterChip("adxl345", Map()), state_(state) {}

 protected:
  uint8_t Read(int reg) override {
    bool measuring = (Stored(kPowerCtl) & kMeasure) != 0;
    if (reg == kDataX0 && measuring) Measure();
    if (reg >= kDataX0 && reg <= kDataZ1) return data_[reg - kDataX0];
    if (reg == kIntSource) return static_cast<uint8_t>(Stored(reg) | (measuring ? kDataReady : 0));
    return Stored(reg);
  }

 private:
  void Measure() {
    Vec3 g = SensedGravity(state_);
    int format = Stored(kDataFormat);
    int range = format & 0x03;  // +-2, 4, 8, 16 g
    bool full = (format & kFullRes) != 0;
    double lsbPerG = full ? 256.0 : 256.0 / (1 << range);
    long limit = full ? (512L << range) : 512L;
    const double axes[3] = {g.x, g.y, g.z};
    for (int i = 0; i < 3; ++i) {
      // The offsets are in 15.6 mg steps whatever the format.
      double ofs = static_cast<int8_t>(Stored(kOffsetX + i)) * 0.0156;
      long v = lround((axes[i] + ofs) * lsbPerG);
      if (v < -limit) v = -limit;
      if (v > limit - 1) v = limit - 1;
      data_[2 * i] = static_cast<uint8_t>(v & 0xFF);
      data_[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
  }

  HostState state_;
  uint8_t data_[6] = {};
};

}  // namespace

std::unique_ptr<Chip> MakeAdxl345(const HostState& state) { return std::make_unique<Adxl345>(state); }

}  // namespace chips
}  // namespace board
