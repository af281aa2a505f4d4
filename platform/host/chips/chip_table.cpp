// The chips on every host board. A new chip: its model file in this folder
// and one line in the list.
#include "platform/host/chips/chip.h"

#define DTB_BOARD_CHIPS(CHIP) \
  CHIP("/dev/i2c-1", 0x24, MakeTps65217) /* power chip */ \
  CHIP("/dev/i2c-1", 0x11, MakeRda5820)  /* FM tuner, board without the amplifier */ \
  CHIP("/dev/i2c-1", 0x10, MakeAr1019)   /* FM tuner, amplifier board */ \
  CHIP("/dev/i2c-1", 0x1E, MakeHmc5883l) /* magnetometer (the board carries this one or the next) */ \
  CHIP("/dev/i2c-1", 0x0D, MakeQmc5883l) /* magnetometer */ \
  CHIP("/dev/i2c-1", 0x53, MakeAdxl345)  /* accelerometer */

namespace board {
namespace chips {

#define DTB_DECLARE_CHIP(bus, address, make) std::unique_ptr<Chip> make(const HostState& state);
DTB_BOARD_CHIPS(DTB_DECLARE_CHIP)

const std::vector<ChipEntry>& BoardChips() {
#define DTB_CHIP_ENTRY(bus, address, make) {bus, address, make},
  static const std::vector<ChipEntry> table = {DTB_BOARD_CHIPS(DTB_CHIP_ENTRY)};
  return table;
}

}  // namespace chips
}  // namespace board
