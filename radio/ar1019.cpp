#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "radio/fm_i2c.h"
#include "radio/fm_tuner.h"

namespace {

const FmI2cChip kChip = {0x10, "wr_reg: error during I2C_RDWR ioctl with errcode:%d\n",
                         "rd_reg: error during I2C_RDWR ioctl with errcode:%d\n"};
constexpr int kStatus = 0x13;
constexpr uint16_t kComplete = 0x0020, kSeekFail = 0x0010;
// The channel word needs ten bits (50 kHz units from 69 MHz), the tune bit sits above it.
constexpr uint16_t kChan = 0x03FF, kTune = 0x0400, kSeek = 0x4000, kSeekUp = 0x8000;

const uint16_t kInit[18] = {0xFFFA, 0x5B05, 0xD0B9, 0x8010, 0x0780, 0x28AB, 0xE40F, 0x1EE7, 0x7141,
                            0x007D, 0x82C6, 0x4E55, 0x970C, 0xB845, 0xFC2D, 0x8097, 0x04E1, 0xDF6A};
uint16_t g_regs[18];

int WriteRegs(uint8_t first, const uint16_t* values, int count) {
  return FmWriteRegs(kChip, first, values, count);
}

int Set(int reg, uint16_t v) {
  g_regs[reg] = v;
  return WriteRegs(static_cast<uint8_t>(reg), &g_regs[reg], 1);
}

uint16_t Read(uint8_t reg) { return FmReadReg(kChip, reg); }

// Polls the status for "complete", 10 ms apart, at most 50 times.
uint16_t WaitComplete() {
  uint16_t s = 0;
  for (int i = 0; i < 50; i++) {
    s = Read(kStatus);
    if (s & kComplete) break;
    usleep(10000);
  }
  return s;
}

// The band the chip is set up for (band 0): 87.5 to 108.0 MHz.
constexpr int kLowKhz = 87500, kHighKhz = 108000;

int ChannelWord(int khz) {
  if (khz < kLowKhz) khz = kLowKhz;
  if (khz > kHighKhz) khz = kHighKhz;
  return (khz - 69000) / 50;
}

int Init(int band) {
  for (int i = 0; i < 18; i++) g_regs[i] = kInit[i];
  g_regs[3] = static_cast<uint16_t>((g_regs[3] & ~0x1800) | (band & 0x1800));
  if (WriteRegs(1, &g_regs[1], 17) < 0) return -1;
  usleep(10000);
  Set(0, 0xFFFB);
  WaitComplete();
  return 0;
}

// Tunes (clamped to the band). 0 or -1.
int TuneKhz(int khz) {
  Set(2, g_regs[2] & ~kTune);
  Set(2, static_cast<uint16_t>((g_regs[2] & ~kChan) | ChannelWord(khz)));
  if (Set(2, g_regs[2] | kTune) < 0) return -1;
  WaitComplete();
  return 0;
}

// The chip's own seek from the frequency: the station found in kHz, or -1
// when it reached the band's end without one.
int HardwareSeek(int khz, bool up) {
  Set(2, g_regs[2] & ~kTune);
  Set(2, static_cast<uint16_t>((g_regs[2] & ~kChan) | ChannelWord(khz)));
  Set(3, g_regs[3] & ~kSeek);
  uint16_t r3 = static_cast<uint16_t>((g_regs[3] & ~kSeekUp) | (up ? kSeekUp : 0) | kSeek);
  if (Set(3, r3) < 0) return -1;
  uint16_t s = WaitComplete();
  int freq = (s >> 6) * 50 + 69000;
  printf("+++++++reg=0x%04x, seek->freq=%d\n", s, freq);
  Set(3, g_regs[3] & ~kSeek);
  return (s & kSeekFail) || !(s & kComplete) ? -1 : freq;
}

int SetVolume(int volume) {
  if (volume < 0) volume = 0;
  if (volume > 15) volume = 15;
  // Volume 0 mutes through the mute bit of R1 as well.
  Set(1, volume == 0 ? g_regs[1] | 0x0002 : g_regs[1] & ~0x0002);
  return Set(3, static_cast<uint16_t>((g_regs[3] & ~0x0780) | volume << 7));
}

// The chip seeks from the channel after the one it sits on and cannot sit
// outside its band, so a station on an end of the band is looked for from
// its neighbour, seeking toward it. Its kHz, or -1.
int StationOnEnd(bool low) {
  int f = HardwareSeek(low ? kLowKhz + 100 : kHighKhz - 100, !low);
  return f == (low ? kLowKhz : kHighKhz) ? f : -1;
}

class Ar1019 final : public FmTuner {
 public:
  // The radio counts as on whatever the chip answers: without it, it is
  // silent but usable.
  int OpenReceive() override {
    Init(0);
    usleep(100000);
    TuneKhz(kLowKhz);
    SetVolume(15);
    return 0;
  }
  int OpenTransmit() override { return -1; }
  int Close() override { return Set(0, g_regs[0] & ~0x0001); }
  int Tune(int khz) override { return TuneKhz(khz); }
  // When the chip finds nothing before the band's end, the seek goes on
  // from the other end.
  int Seek(int channel, int direction, const Cancelled&) override {
    bool up = direction > 0;
    bool onEnd = channel == ChannelOfKhz(up ? kHighKhz : kLowKhz);
    int f = onEnd ? -1 : HardwareSeek(ChannelKhz(channel), up);
    if (f < 0) f = StationOnEnd(up);
    if (f < 0) f = HardwareSeek(up ? kLowKhz : kHighKhz, up);
    return f >= kLowKhz && f <= kHighKhz ? ChannelOfKhz(f) : -1;
  }
  void Scan(unsigned char (&preset)[kFmChannels], const Cancelled& cancelled) override {
    if (StationOnEnd(true) > 0) preset[ChannelOfKhz(kLowKhz)] = 1;
    for (int from = kLowKhz; !cancelled();) {
      int f = HardwareSeek(from, true);
      if (f < ChannelKhz(0) || f > kHighKhz) break;
      preset[ChannelOfKhz(f)] = 1;
      if (f >= kHighKhz) break;
      from = f;
    }
  }
  bool SlowSeek() const override { return false; }
};

}  // namespace

FmTuner& Ar1019Tuner() {
  static Ar1019 tuner;
  return tuner;
}
