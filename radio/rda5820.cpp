#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/board.h"
#include "radio/fm_i2c.h"
#include "radio/fm_tuner.h"

namespace {

const FmI2cChip kChip = {0x11, "RDA5820_Write() failed: %d\n", "RDA5820_Read() failed: %d\n"};

struct Reg {
  uint8_t reg;
  uint16_t value;
};

const Reg kRda5820Rx[] = {{0x03, 0x0000}, {0x04, 0x0400}, {0x05, 0x884F}, {0x07, 0x7800},
                          {0x13, 0x0008}, {0x15, 0x1430}, {0x16, 0xC000}, {0x1C, 0x3126},
                          {0x22, 0x9C24}, {0x25, 0x1B2A}, {0x47, 0xF660}};
const Reg kRda5820nsRx[] = {{0x03, 0x0000}, {0x04, 0x0400}, {0x05, 0x886F}, {0x14, 0x4000}, {0x15, 0x88FE},
                            {0x16, 0x4C00}, {0x1C, 0x221C}, {0x27, 0xBB6C}, {0x5C, 0x175C}};
const Reg kRda5820nsTx[] = {{0x03, 0x0000}, {0x04, 0x0400}, {0x05, 0x884F}, {0x14, 0x3A00}, {0x15, 0x88FE},
                            {0x16, 0x4C00}, {0x1A, 0x0400}, {0x1C, 0x23DC}, {0x27, 0xBB6C}, {0x5C, 0x175C},
                            {0x68, 0x05FF}, {0x6A, 0x2846}, {0x40, 0x0001}, {0x41, 0x41FF}};

// Shadows of the band, seek and volume registers.
uint16_t g_reg03 = 0x0000, g_reg04 = 0x0400, g_reg05 = 0x884F;

void Sleep(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

void Write(uint8_t reg, uint16_t v) { FmWriteRegs(kChip, reg, &v, 1); }

uint16_t Read(uint8_t reg) { return FmReadReg(kChip, reg); }

bool BusPresent() {
  int fd = BOpen(kFmBus, 2 /* O_RDWR */);
  if (fd < 0) {
    printf("open /dev/i2c-1 failed\n");
    return false;
  }
  close(fd);
  return true;
}

template <size_t N>
void WriteTable(const Reg (&table)[N]) {
  for (const Reg& r : table) {
    Write(r.reg, r.value);
    if (r.reg == 0x03) g_reg03 = r.value;
    if (r.reg == 0x04) g_reg04 = r.value;
    if (r.reg == 0x05) g_reg05 = r.value;
  }
}

// Reset, identify and load the table; the identifier, or -1 without a bus.
int Initialise(bool transmit) {
  if (!BusPresent()) return -1;
  Write(0x02, 0x0002);
  uint16_t id = Read(0x00);
  Sleep(50);
  printf("RDA5820_RX_Intialization... DeviceID = %hx\n", id);
  if (id == 0x5805) {
    Write(0x02, 0xC001);
    Sleep(500);
    WriteTable(kRda5820Rx);
  } else if (id == 0x5820) {
    Write(0x02, 0xC401);
    Sleep(500);
    if (transmit)
      WriteTable(kRda5820nsTx);
    else
      WriteTable(kRda5820nsRx);
  }
  return id;
}

int TuneTenKhz(int f) {
  int base = (g_reg03 & 0x0C) == 0 ? 8700 : 7600;
  int space = (g_reg03 & 0x03) == 0 ? 10 : (g_reg03 & 0x03) == 1 ? 20 : 5;
  int channel = (f - base) / space;
  if (channel < 0 || channel > 0x3FF) return -1;
  Write(0x03, static_cast<uint16_t>(channel << 6 | 0x10 | (g_reg03 & 0x0F)));
  Sleep(100);
  return 0;
}

// Tune, then the chip's own verdict: tune complete and its station
// indicator (the seek threshold of register 0x05) both set. About 200 ms.
bool IsStation(int f) {
  if (TuneTenKhz(f) < 0) return false;
  Sleep(100);
  uint16_t r0a = Read(0x0A), r0b = Read(0x0B);
  printf("RDA5820_ValidStop(%d) 0A= %hx,0B=%x, rssi=%d\n", f, r0a, r0b, r0b >> 9);
  return (r0a & 0x4000) && (r0b & 0x0100);
}

// Frequencies are in 10 kHz units inside this driver.
int TenKhz(int khz) { return khz / 10; }

class Rda5820 final : public FmTuner {
 public:
  int OpenReceive() override {
    if (Initialise(false) < 0) return -1;
    uint16_t mode = Read(0x40);
    Sleep(100);
    Write(0x40, mode & ~0x000F);  // receive
    Sleep(100);
    g_reg05 = static_cast<uint16_t>((g_reg05 & ~0x000F) | 15);
    Write(0x05, g_reg05);
    return 0;
  }
  int OpenTransmit() override {
    if (Initialise(true) < 0) return -1;
    uint16_t power = Read(0x42);
    Write(0x42, power | 0x003F);  // full transmit power
    Sleep(100);
    uint16_t mode = Read(0x40);
    Write(0x40, static_cast<uint16_t>((mode & ~0x000F) | 1));  // transmit
    printf("0x42 = %X\n", Read(0x42));
    return 0;
  }
  int Close() override {
    if (!BusPresent()) return -1;
    Write(0x02, 0x0000);
    printf("RDA5820_PowerOffProc\n");
    Sleep(100);
    return 0;
  }
  int Tune(int khz) override {
    if (!BusPresent() || TuneTenKhz(TenKhz(khz)) < 0) return -1;
    uint16_t r03 = Read(0x03), r0a = Read(0x0A), r0b = Read(0x0B);
    printf("RDA5820_SetFreq set value = %x\n", r03);
    printf("RDA5820_SetFreq: STC=%d, SF=%s, ST=%d, ReadCHAN=%d\n", (r0a >> 14) & 1,
           (r0a >> 13) & 1 ? "seek fail" : "seek OK", (r0a >> 10) & 1, r0a & 0x3FF);
    printf("RDA5820_SetFreq: FM_TUNE=%s, RSSI=%d\n", (r0b >> 8) & 1 ? "Is a station" : "Not a station", r0b >> 9);
    return 0;
  }
  // Over an empty band a seek takes half a minute: the cancel is asked
  // before every test.
  int Seek(int channel, int direction, const Cancelled& cancelled) override {
    int c = channel;
    for (int n = 0; n < kFmChannels - 1 && !cancelled(); n++) {
      c = StepChannel(c, direction);
      if (IsStation(TenKhz(ChannelKhz(c)))) return c;
    }
    return -1;
  }
  void Scan(unsigned char (&preset)[kFmChannels], const Cancelled& cancelled) override {
    for (int c = 0; c < kFmChannels && !cancelled(); c++)
      if (IsStation(TenKhz(ChannelKhz(c)))) preset[c] = 1;
  }
  bool SlowSeek() const override { return true; }
};

}  // namespace

FmTuner& Rda5820Tuner() {
  static Rda5820 tuner;
  return tuner;
}
