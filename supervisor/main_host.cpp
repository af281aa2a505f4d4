// The PC build of the supervisor: the device's program plus the simulated
// board, chosen with --board host (or DTB_BOARD=host), as the player does.
#include "platform/board.h"
#include "platform/host/host_board.h"
#include "supervisor/supervisor.h"

int main(int argc, char** argv) {
  board::RegisterHostBoard();
  if (board::InstallFromArgs(&argc, argv) != 0) return 1;
  return supervisor::Run();
}
