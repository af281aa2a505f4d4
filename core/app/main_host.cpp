// The PC build of the player: the device's program plus the simulated board,
// chosen with --board host (or DTB_BOARD=host).
#include "core/app/mainloop.h"
#include "platform/host/host_board.h"

int main(int argc, char** argv) {
  board::RegisterHostBoard();
  return DtbMain(argc, argv);
}
