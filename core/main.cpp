#include "core/mainloop.h"
#include "platform/host/host_board.h"  // PC build only: to be rewired

int main(int argc, char** argv) {
  board::RegisterHostBoard();  // PC build only: to be rewired
  return DtbMain(argc, argv);
}
