#include "radio/fm_i2c.h"

#include <linux/i2c.h>

#include <cstdio>
#include <vector>

#include "platform/board.h"

int FmWriteRegs(const FmI2cChip& chip, uint8_t first, const uint16_t* values, int count) {
  std::vector<uint8_t> buf(1 + 2 * static_cast<size_t>(count));
  buf[0] = first;
  for (int i = 0; i < count; i++) {
    buf[1 + 2 * i] = static_cast<uint8_t>(values[i] >> 8);
    buf[2 + 2 * i] = static_cast<uint8_t>(values[i]);
  }
  struct i2c_msg m = {chip.address, 0, static_cast<uint16_t>(buf.size()), buf.data()};
  int r = board::I2cTransfer(kFmBus, &m, 1);
  if (r < 0) printf(chip.write_failed, r);
  return r < 0 ? -1 : 0;
}

uint16_t FmReadReg(const FmI2cChip& chip, uint8_t reg) {
  uint8_t out[1] = {reg}, in[2] = {0, 0};
  struct i2c_msg m[2] = {{chip.address, 0, 1, out}, {chip.address, I2C_M_RD, 2, in}};
  int r = board::I2cTransfer(kFmBus, m, 2);
  if (r < 0) printf(chip.read_failed, r);
  return static_cast<uint16_t>(in[0] << 8 | in[1]);
}
