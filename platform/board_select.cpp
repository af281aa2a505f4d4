#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/am335x_board.h"
#include "platform/board.h"
#include "platform/host_board.h"

namespace board {

int InstallFromArgs(int* argc, char** argv) {
  std::string kind, root;
  if (argc && argv) {
    int out = 1;
    for (int i = 1; i < *argc; ++i) {
      std::string a = argv[i];
      if ((a == "--board" || a == "--root") && i + 1 < *argc) {
        (a == "--board" ? kind : root) = argv[++i];
      } else if (a.compare(0, 8, "--board=") == 0) {
        kind = a.substr(8);
      } else if (a.compare(0, 7, "--root=") == 0) {
        root = a.substr(7);
      } else {
        argv[out++] = argv[i];
      }
    }
    argv[out] = nullptr;
    *argc = out;
  }
  if (kind.empty() && getenv("DTB_BOARD")) kind = getenv("DTB_BOARD");
  if (root.empty() && getenv("DTB_ROOT")) root = getenv("DTB_ROOT");
  if (kind.empty() && !root.empty()) kind = "host";
  if (kind.empty() || kind == "device" || kind == "am335x") {
    Install(MakeAm335xBoard());
    return 0;
  }
  if (kind != "host") {
    fprintf(stderr, "unknown board \"%s\" (host or device)\n", kind.c_str());
    return -1;
  }
  if (root.empty()) {
    fprintf(stderr, "the host board needs a device root (--root DIR or DTB_ROOT)\n");
    return -1;
  }
  HostOptions options;
  options.mount_disks = false;  // the player's start-up mounts them
  std::unique_ptr<HostBoard> b = MakeHostBoard(root, options);
  if (!b) {
    fprintf(stderr, "device root \"%s\" is not a usable folder\n", root.c_str());
    return -1;
  }
  Install(std::move(b));
  return 0;
}

}  // namespace board
