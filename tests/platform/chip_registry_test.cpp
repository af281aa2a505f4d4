// The chip registry and the register-file model the chips share.
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <map>

#include "platform/host/chips/chip.h"
#include "tests/platform/host_fixture.h"

namespace {

using board::chips::RegisterChip;

int Write(board::chips::Chip& chip, std::vector<unsigned char> bytes) {
  struct i2c_msg m = {0x10, 0, static_cast<__u16>(bytes.size()), bytes.data()};
  return chip.Transfer(&m, 1);
}

std::vector<int> Read(board::chips::Chip& chip, int reg, int count) {
  unsigned char r = static_cast<unsigned char>(reg);
  std::vector<unsigned char> v(count, 0xEE);
  struct i2c_msg m[2] = {{0x10, 0, 1, &r}, {0x10, I2C_M_RD, static_cast<__u16>(count), v.data()}};
  if (chip.Transfer(m, 2) != 2) return {};
  return std::vector<int>(v.begin(), v.end());
}

TEST(RegisterChip, ResetValuesMasksAndReadOnlyRegisters) {
  // 0: read-only id, 1: fully writable, 2: low nibble writable.
  RegisterChip chip("test", {{0xA5, 0x00}, {0x11, 0xFF}, {0x30, 0x0F}});
  EXPECT_EQ(Read(chip, 0, 3), (std::vector<int>{0xA5, 0x11, 0x30}));
  EXPECT_EQ(Write(chip, {1, 0x22, 0xFF}), 1);
  EXPECT_EQ(Read(chip, 1, 2), (std::vector<int>{0x22, 0x3F}));
  // A write reaching a read-only or missing register is refused whole.
  errno = 0;
  EXPECT_EQ(Write(chip, {0, 0x00}), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(Write(chip, {2, 0x01, 0x01}), -1);
  EXPECT_EQ(Read(chip, 0, 3), (std::vector<int>{0xA5, 0x22, 0x3F}));
  // Reads past the last register return zero.
  EXPECT_EQ(Read(chip, 2, 2), (std::vector<int>{0x3F, 0x00}));
}

TEST(ChipRegistry, RoutesByBusAndAddress) {
  board::chips::ChipRegistry reg;
  reg.Add("/dev/i2c-1", 0x10, std::make_unique<RegisterChip>("a", std::vector<RegisterChip::Register>{{0x42, 0}}));
  unsigned char r = 0, v = 0;
  struct i2c_msg m[2] = {{0x10, 0, 1, &r}, {0x10, I2C_M_RD, 1, &v}};
  struct i2c_rdwr_ioctl_data d = {m, 2};
  EXPECT_EQ(reg.Transfer("/dev/i2c-1", &d), 2);
  EXPECT_EQ(v, 0x42);
  errno = 0;
  EXPECT_EQ(reg.Transfer("/dev/i2c-2", &d), -1);
  EXPECT_EQ(errno, ENXIO);
  m[1].addr = 0x11;  // one request, two chips
  EXPECT_EQ(reg.Transfer("/dev/i2c-1", &d), -1);
  EXPECT_EQ(errno, EINVAL);
}

class PowerChipModel : public HostBoardTest {};

TEST_F(PowerChipModel, ResetValuesAndRefusedWrites) {
  unsigned char r = 0x00, v[7] = {};
  struct i2c_msg m[2] = {{0x24, 0, 1, &r}, {0x24, I2C_M_RD, 7, v}};
  ASSERT_EQ(board::I2cTransfer("/dev/i2c-1", m, 2), 2);
  EXPECT_EQ(v[0], 0xE2);  // chip id
  EXPECT_EQ(v[1], 0x3D);  // power path
  EXPECT_EQ(v[4], 0xB1);
  EXPECT_EQ(v[5], 0x80);
  EXPECT_EQ(v[6], 0xB2);
  // Status and charger status are the chip's to set; the firmware's
  // attempt fails and leaves no trace in the register file.
  for (int reg : {0x00, 0x03, 0x0A}) {
    unsigned char w[2] = {static_cast<unsigned char>(reg), 0x01};
    struct i2c_msg msg = {0x24, 0, 2, w};
    EXPECT_EQ(board::I2cTransfer("/dev/i2c-1", &msg, 1), -1) << reg;
  }
  EXPECT_FALSE(Exists("var/board/pmic"));
}

TEST_F(PowerChipModel, EveryListedChipAnswers) {
  // The two magnetometers take turns: each answers on a board carrying it.
  std::map<int, int> answers;
  for (const char* magnetometer : {"hmc", "qmc"}) {
    host_->host_state().Set("magnetometer", magnetometer);
    for (const auto& e : board::chips::BoardChips()) {
      unsigned char r = 0, v = 0;
      struct i2c_msg m[2] = {{static_cast<__u16>(e.address), 0, 1, &r},
                             {static_cast<__u16>(e.address), I2C_M_RD, 1, &v}};
      answers[e.address] += board::I2cTransfer(e.bus, m, 2) == 2;
    }
  }
  for (const auto& e : board::chips::BoardChips()) EXPECT_GE(answers[e.address], 1) << e.bus << " " << e.address;
}

}  // namespace
