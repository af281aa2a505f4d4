// The AR1019 tuner: receive only. Tunes when R2's tune bit is set, seeks
// when R3's seek bit is set (no wrap at the band's ends, as the chip), and
// reports both in the status register 0x13; "fm_tuned" gets the kHz heard.
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

constexpr int kFound = 20;
constexpr int kLow = 87500, kHigh = 108000;
constexpr uint16_t kComplete = 0x0020, kSeekFail = 0x0010;

int KhzOf(int word) { return word * 50 + 69000; }
int WordOf(int khz) { return (khz - 69000) / 50; }

class Ar1019 final : public WordChip {
 public:
  explicit Ar1019(const HostState& state) : WordChip(0x20), state_(state) {}

 protected:
  void Written(int reg) override {
    if (reg == 2 && (Reg(2) & 0x0400) && !tuning_) {
      khz_ = KhzOf(Reg(2) & 0x03FF);
      SetStatus(khz_, false);
    }
    tuning_ = (Reg(2) & 0x0400) != 0;
    if (reg == 3 && (Reg(3) & 0x4000) && !seeking_) Seek();
    seeking_ = (Reg(3) & 0x4000) != 0;
    bool heard = (Reg(0) & 0x0001) && !(Reg(1) & 0x0002) && ((Reg(3) >> 7) & 0x0F) != 0;
    state_.SetInt(state::kFmTuned, heard ? khz_ : 0);
  }

 private:
  void SetStatus(int khz, bool failed) {
    SetReg(0x13, static_cast<uint16_t>(WordOf(khz) << 6 | kComplete | (failed ? kSeekFail : 0)));
  }
  void Seek() {
    int step = (Reg(3) & 0x8000) ? 100 : -100;
    int from = KhzOf(Reg(2) & 0x03FF);
    for (int f = from + step; f >= kLow && f <= kHigh; f += step) {
      if (StationStrength(state_, f) >= kFound) {
        khz_ = f;
        SetStatus(f, false);
        return;
      }
    }
    khz_ = step > 0 ? kHigh : kLow;
    SetStatus(khz_, true);
  }

  HostState state_;
  int khz_ = 0;
  bool tuning_ = false;
  bool seeking_ = false;
};

}  // namespace

std::unique_ptr<Chip> MakeAr1019(const HostState& state) { return std::make_unique<Ar1019>(state); }

}  // namespace chips
}  // namespace board
