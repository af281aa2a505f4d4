// The RDA5820 tuner: receives and transmits; tunes when register 0x03's
// tune bit is written, and reports the station there from the stations the
// simulator put on the air. What it receives goes to "fm_tuned" (kHz, "0"
// while off, muted or transmitting), what it sends to "fm_transmit".
#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

constexpr int kFound = 20;  // strength the station indicator needs

class Rda5820 final : public WordChip {
 public:
  explicit Rda5820(const HostState& state) : WordChip(0x80), state_(state) { Reset(); }

 protected:
  void Written(int reg) override {
    if (reg == 0x02 && (Reg(0x02) & 0x0002)) Reset();
    if (reg == 0x03 && (Reg(0x03) & 0x0010)) Tune();
    Publish();
  }

 private:
  void Reset() {
    for (int r = 0; r < 0x80; r++) SetReg(r, 0);
    SetReg(0x00, 0x5805);
    khz_ = 0;
  }
  void Tune() {
    uint16_t r3 = Reg(0x03);
    int base = (r3 & 0x0C) == 0 ? 87000 : 76000;
    int space = (r3 & 0x03) == 0 ? 100 : (r3 & 0x03) == 1 ? 200 : 50;
    int channel = r3 >> 6;
    khz_ = base + channel * space;
    int strength = StationStrength(state_, khz_);
    SetReg(0x03, r3 & ~0x0010);
    SetReg(0x0A, static_cast<uint16_t>(0x4000 | (channel & 0x3FF)));
    SetReg(0x0B, static_cast<uint16_t>((strength & 0x7F) << 9 | (strength >= kFound ? 0x0100 : 0)));
  }
  void Publish() {
    bool on = (Reg(0x02) & 0x0001) && khz_ > 0;
    bool transmit = (Reg(0x40) & 0x000F) == 1;
    bool heard = on && !transmit && (Reg(0x02) & 0x4000) && (Reg(0x05) & 0x000F);
    state_.SetInt(state::kFmTuned, heard ? khz_ : 0);
    state_.SetInt(state::kFmTransmit, on && transmit ? khz_ : 0);
  }

  HostState state_;
  int khz_ = 0;
};

}  // namespace

std::unique_ptr<Chip> MakeRda5820(const HostState& state) { return std::make_unique<Rda5820>(state); }

}  // namespace chips
}  // namespace board
