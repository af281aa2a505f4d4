#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/am335x_board.h"
#include "platform/board.h"

namespace board {
namespace {

std::map<std::string, BoardFactory>& Factories() {
  static std::map<std::string, BoardFactory> factories;
  return factories;
}

}  // namespace

void RegisterBoard(const std::string& name, BoardFactory make) {
  if (make)
    Factories()[name] = make;
  else
    Factories().erase(name);
}

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
  auto factory = Factories().find(kind);
  if (factory == Factories().end()) {
    if (kind == "host")
      fprintf(stderr, "this program has no host board (a device build); --board host needs the PC build\n");
    else
      fprintf(stderr, "unknown board \"%s\" (host or device)\n", kind.c_str());
    return -1;
  }
  if (root.empty()) {
    fprintf(stderr, "the %s board needs a device root (--root DIR or DTB_ROOT)\n", kind.c_str());
    return -1;
  }
  std::unique_ptr<Board> b = factory->second(root);
  if (!b) {
    fprintf(stderr, "device root \"%s\" is not a usable folder\n", root.c_str());
    return -1;
  }
  Install(std::move(b));
  return 0;
}

}  // namespace board
