#include "power/tps65217.h"

#include <linux/i2c.h>

#include <cstdio>

#include "core/base/diag.h"
#include "platform/board.h"

bool g_bPowerKeyDown = false;
bool g_bUsbIsIn = false;
bool g_bChargingFinish = false;

namespace {

constexpr const char* kBus = "/dev/i2c-1";
constexpr unsigned short kAddress = 0x24;

enum : unsigned char {
  REG_PPATH = 0x01,
  REG_INT = 0x02,
  REG_CHGCONFIG0 = 0x03,
  REG_CHGCONFIG2 = 0x05,
  REG_MUXCTRL = 0x09,
  REG_STATUS = 0x0A,
};

unsigned char rd_reg(unsigned char reg) {
  unsigned char value = 0;
  struct i2c_msg msgs[2] = {
      {kAddress, 0, 1, &reg},
      {kAddress, I2C_M_RD, 1, &value},
  };
  int r = board::I2cTransfer(kBus, msgs, 2);
  if (r < 0) DiagPrintf("rd_reg: error during I2C_RDWR ioctl with errcode:%d\n", r);
  return value;
}

void wr_reg(unsigned char reg, unsigned char value) {
  unsigned char buf[2] = {reg, value};
  struct i2c_msg msg = {kAddress, 0, 2, buf};
  int r = board::I2cTransfer(kBus, &msg, 1);
  if (r < 0) DiagPrintf("wr_reg: error during I2C_RDWR ioctl with errcode:%d\n", r);
}

}  // namespace

int Tps65217_Init() {
  wr_reg(REG_CHGCONFIG2, 0xB0);
  return 0;
}

int Tps65217_SetMax_mA(int mA) {
  unsigned char limit = mA == 500 ? 1 : mA == 1300 ? 2 : 3;
  unsigned char v = rd_reg(REG_PPATH);
  wr_reg(REG_PPATH, (v & ~0x03) | limit);
  return 0;
}

int Tps65217_SetMux(int selection) {
  wr_reg(REG_MUXCTRL, static_cast<unsigned char>(selection));
  return 0;
}

int Tps65217_UpdateState(unsigned char* interrupt) {
  unsigned char irq = rd_reg(REG_INT);
  if (interrupt) *interrupt = irq;
  if (irq > 15) {
    DiagPrintf("error");
    wr_reg(REG_INT, 0);
  }
  unsigned char status = rd_reg(REG_STATUS);
  g_bPowerKeyDown = (status & 0x01) != 0;
  g_bUsbIsIn = (status & 0x04) != 0;
  g_bChargingFinish = g_bUsbIsIn && (rd_reg(REG_CHGCONFIG0) & 0x10) != 0;
  return 0;
}

bool IsPowerKeyDown() { return g_bPowerKeyDown; }
bool IsUsbIn() { return g_bUsbIsIn; }
bool IsChargingFinish() { return g_bChargingFinish; }
