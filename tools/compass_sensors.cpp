#include "tools/compass_sensors.h"

#include <linux/i2c.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/board.h"

namespace compass {
namespace {

constexpr const char kBus[] = "/dev/i2c-1";
constexpr uint16_t kHmc = 0x1E, kQmc = 0x0D, kAdxl = 0x53;

bool g_HaveAccelerometer = false;
int g_HmcGain = 1;    // configuration B's gain field, 0-7
bool g_QmcWide = false;  // the 8 gauss range

int ReadRegs(uint16_t chip, uint8_t reg, uint8_t* buf, uint16_t n) {
  uint8_t out[1] = {reg};
  struct i2c_msg m[2] = {{chip, 0, 1, out}, {chip, I2C_M_RD, n, buf}};
  return board::I2cTransfer(kBus, m, 2) < 0 ? -1 : 0;
}

int WriteReg(uint16_t chip, uint8_t reg, uint8_t value) {
  uint8_t out[2] = {reg, value};
  struct i2c_msg m = {chip, 0, 2, out};
  int r = board::I2cTransfer(kBus, &m, 1);
  if (r < 0) fprintf(stderr, "compass: write 0x%02X to 0x%02X of chip 0x%02X failed\n", value, reg, chip);
  return r < 0 ? -1 : 0;
}

int16_t Be16(const uint8_t* p) { return static_cast<int16_t>(p[0] << 8 | p[1]); }
int16_t Le16(const uint8_t* p) { return static_cast<int16_t>(p[1] << 8 | p[0]); }

// HMC5883L: LSB per gauss of each gain; -4096 marks an axis past the range.
constexpr int kHmcLsbPerGauss[8] = {1370, 1090, 820, 660, 440, 390, 330, 230};
constexpr int kHmcOverflow = -4096;

int HmcSetGain(int gain) {
  g_HmcGain = gain;
  return WriteReg(kHmc, 0x01, static_cast<uint8_t>(gain << 5));
}

int HmcStart() {
  // 8 samples averaged, 15 Hz, continuous measurement.
  if (WriteReg(kHmc, 0x00, 0x70) != 0 || HmcSetGain(1) != 0) return -1;
  return WriteReg(kHmc, 0x02, 0x00);
}

// Past the range, the next wider gain is tried until the widest.
int HmcRead(Vector* v) {
  for (;;) {
    uint8_t d[6];
    if (ReadRegs(kHmc, 0x03, d, 6) != 0) return -1;
    int x = Be16(d), z = Be16(d + 2), y = Be16(d + 4);  // the chip's order: X, Z, Y
    if (x != kHmcOverflow && y != kHmcOverflow && z != kHmcOverflow) {
      double scale = 100.0 / kHmcLsbPerGauss[g_HmcGain];  // 1 gauss = 100 uT
      *v = {x * scale, y * scale, z * scale};
      return 0;
    }
    if (g_HmcGain == 7) return -2;
    if (HmcSetGain(g_HmcGain + 1) != 0) return -1;
  }
}

// QMC5883L: control 1 = 200 Hz, continuous, 2 or 8 gauss.
int QmcSetRange(bool wide) {
  g_QmcWide = wide;
  return WriteReg(kQmc, 0x09, wide ? 0x1D : 0x0D);
}

int QmcStart() {
  if (WriteReg(kQmc, 0x0B, 0x01) != 0) return -1;  // set/reset period, as the maker asks
  return QmcSetRange(false);
}

int QmcRead(Vector* v) {
  for (;;) {
    uint8_t status = 0;
    // At 200 Hz a measurement is ready within 5 ms.
    for (int i = 0; i < 10; ++i) {
      if (ReadRegs(kQmc, 0x06, &status, 1) != 0) return -1;
      if (status & 0x01) break;
      usleep(1000);
    }
    uint8_t d[6];
    if (ReadRegs(kQmc, 0x00, d, 6) != 0) return -1;
    if (!(status & 0x02)) {
      double scale = 100.0 / (g_QmcWide ? 3000 : 12000);
      *v = {Le16(d) * scale, Le16(d + 2) * scale, Le16(d + 4) * scale};
      return 0;
    }
    if (g_QmcWide) return -2;
    if (QmcSetRange(true) != 0) return -1;
  }
}

bool Answers(uint16_t chip, uint8_t reg, const uint8_t* id, uint16_t n) {
  uint8_t got[4] = {};
  if (ReadRegs(chip, reg, got, n) != 0) return false;
  for (int i = 0; i < n; ++i)
    if (got[i] != id[i]) return false;
  return true;
}

}  // namespace

board::Magnetometer ProbeMagnetometer() {
  static const uint8_t kHmcId[3] = {'H', '4', '3'}, kQmcId[1] = {0xFF};
  if (Answers(kHmc, 0x0A, kHmcId, 3)) return board::Magnetometer::kHmc5883l;
  if (Answers(kQmc, 0x0D, kQmcId, 1)) return board::Magnetometer::kQmc5883l;
  return board::Magnetometer::kNone;
}

const board::BoardProfile& ProbeCompassSensors(const board::BoardProfile& profile) {
  static board::BoardProfile probed;
  probed = profile;
  probed.magnetometer = ProbeMagnetometer();
  static const uint8_t kAdxlId[1] = {0xE5};
  g_HaveAccelerometer = Answers(kAdxl, 0x00, kAdxlId, 1);
  return probed;
}

bool HaveAccelerometer() { return g_HaveAccelerometer; }
void SetHaveAccelerometer(bool present) { g_HaveAccelerometer = present; }

int StartSensors() {
  int r = -1;
  switch (board::Profile().magnetometer) {
    case board::Magnetometer::kHmc5883l: r = HmcStart(); break;
    case board::Magnetometer::kQmc5883l: r = QmcStart(); break;
    case board::Magnetometer::kNone: break;
  }
  if (g_HaveAccelerometer) {
    // Full resolution (256 LSB/g), +-2 g, 100 Hz, measuring.
    WriteReg(kAdxl, 0x31, 0x08);
    WriteReg(kAdxl, 0x2C, 0x0A);
    WriteReg(kAdxl, 0x2D, 0x08);
  }
  return r;
}

void StopSensors() {
  switch (board::Profile().magnetometer) {
    case board::Magnetometer::kHmc5883l: WriteReg(kHmc, 0x02, 0x03); break;  // idle
    case board::Magnetometer::kQmc5883l: WriteReg(kQmc, 0x09, 0x00); break;  // standby
    case board::Magnetometer::kNone: break;
  }
  if (g_HaveAccelerometer) WriteReg(kAdxl, 0x2D, 0x00);
}

int ReadField(Vector* microtesla) {
  switch (board::Profile().magnetometer) {
    case board::Magnetometer::kHmc5883l: return HmcRead(microtesla);
    case board::Magnetometer::kQmc5883l: return QmcRead(microtesla);
    case board::Magnetometer::kNone: break;
  }
  return -1;
}

int ReadGravity(Vector* g) {
  uint8_t d[6];
  if (ReadRegs(kAdxl, 0x32, d, 6) != 0) return -1;
  *g = {Le16(d) / 256.0, Le16(d + 2) / 256.0, Le16(d + 4) / 256.0};
  return 0;
}

}  // namespace compass
