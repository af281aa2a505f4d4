#include <linux/i2c.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/board.h"
#include "radio/fm_chips.h"

namespace {

constexpr uint16_t kAddress = 0x10;
const char kBus[] = "/dev/i2c-1";
constexpr int kStatus = 0x13;
constexpr uint16_t kComplete = 0x0020, kSeekFail = 0x0010;
// The channel word needs ten bits (50 kHz units from 69 MHz), the tune bit sits above it.
constexpr uint16_t kChan = 0x03FF, kTune = 0x0400, kSeek = 0x4000, kSeekUp = 0x8000;

const uint16_t kInit[18] = {0xFFFA, 0x5B05, 0xD0B9, 0x8010, 0x0780, 0x28AB, 0xE40F, 0x1EE7, 0x7141,
                            0x007D, 0x82C6, 0x4E55, 0x970C, 0xB845, 0xFC2D, 0x8097, 0x04E1, 0xDF6A};
uint16_t g_regs[18];

int WriteRegs(uint8_t first, const uint16_t* values, int count) {
  uint8_t buf[1 + 2 * 18];
  buf[0] = first;
  for (int i = 0; i < count; i++) {
    buf[1 + 2 * i] = static_cast<uint8_t>(values[i] >> 8);
    buf[2 + 2 * i] = static_cast<uint8_t>(values[i]);
  }
  struct i2c_msg m = {kAddress, 0, static_cast<uint16_t>(1 + 2 * count), buf};
  int r = board::I2cTransfer(kBus, &m, 1);
  if (r < 0) printf("wr_reg: error during I2C_RDWR ioctl with errcode:%d\n", r);
  return r < 0 ? -1 : 0;
}

int Set(int reg, uint16_t v) {
  g_regs[reg] = v;
  return WriteRegs(static_cast<uint8_t>(reg), &g_regs[reg], 1);
}

uint16_t Read(uint8_t reg) {
  uint8_t out[1] = {reg}, in[2] = {0, 0};
  struct i2c_msg m[2] = {{kAddress, 0, 1, out}, {kAddress, I2C_M_RD, 2, in}};
  int r = board::I2cTransfer(kBus, m, 2);
  if (r < 0) printf("rd_reg: error during I2C_RDWR ioctl with errcode:%d\n", r);
  return static_cast<uint16_t>(in[0] << 8 | in[1]);
}

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

int ChannelWord(int khz) {
  if (khz < 87500) khz = 87500;
  if (khz > 108000) khz = 108000;
  return (khz - 69000) / 50;
}

}  // namespace

int ar1019_init(int band) {
  for (int i = 0; i < 18; i++) g_regs[i] = kInit[i];
  g_regs[3] = static_cast<uint16_t>((g_regs[3] & ~0x1800) | (band & 0x1800));
  if (WriteRegs(1, &g_regs[1], 17) < 0) return -1;
  usleep(10000);
  Set(0, 0xFFFB);
  WaitComplete();
  return 0;
}

int ar1019_tune(int khz) {
  Set(2, g_regs[2] & ~kTune);
  Set(2, static_cast<uint16_t>((g_regs[2] & ~kChan) | ChannelWord(khz)));
  if (Set(2, g_regs[2] | kTune) < 0) return -1;
  WaitComplete();
  return 0;
}

int ar1019_seek(AR1019_SEEK* seek) {
  if (!seek) return -1;
  Set(2, g_regs[2] & ~kTune);
  Set(2, static_cast<uint16_t>((g_regs[2] & ~kChan) | ChannelWord(seek->freq)));
  Set(3, g_regs[3] & ~kSeek);
  uint16_t r3 = static_cast<uint16_t>((g_regs[3] & ~kSeekUp) | (seek->up ? kSeekUp : 0) | kSeek);
  if (Set(3, r3) < 0) return -1;
  uint16_t s = WaitComplete();
  int freq = (s >> 6) * 50 + 69000;
  printf("+++++++reg=0x%04x, seek->freq=%d\n", s, freq);
  Set(3, g_regs[3] & ~kSeek);
  return (s & kSeekFail) || !(s & kComplete) ? -1 : freq;
}

int ar1019_set_volume(int volume) {
  if (volume < 0) volume = 0;
  if (volume > 15) volume = 15;
  // Volume 0 mutes through the mute bit of R1 as well.
  Set(1, volume == 0 ? g_regs[1] | 0x0002 : g_regs[1] & ~0x0002);
  return Set(3, static_cast<uint16_t>((g_regs[3] & ~0x0780) | volume << 7));
}

int ar1019_pd() { return Set(0, g_regs[0] & ~0x0001); }
