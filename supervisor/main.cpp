#include <cstdio>

#include "platform/board.h"
#include "supervisor/supervisor.h"

int main(int argc, char** argv) {
  if (board::InstallFromArgs(&argc, argv) != 0) return 1;
  return supervisor::Run();
}
