#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/board.h"

namespace board {

// Host board selection lands with the host board itself.
int InstallFromArgs(int* argc, char** argv) {
  (void)argc;
  (void)argv;
  const char* env = getenv("DTB_BOARD");
  if (env && strcmp(env, "host") == 0) {
    fprintf(stderr, "host board not available in this build\n");
    return -1;
  }
  return 0;
}

}  // namespace board
