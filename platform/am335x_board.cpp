#include "platform/am335x_board.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace board {
namespace {

class Am335xBoard final : public Board {
 public:
  std::string Path(const std::string& devicePath) override { return devicePath; }
  int System(const std::string& command) override { return std::system(command.c_str()); }
  time_t Now() override { return time(nullptr); }
  void Transcript(const char*, const std::string&) override {}
  int IsMountPoint(const std::string& devicePath) override {
    struct stat self, parent;
    if (stat(devicePath.c_str(), &self) != 0) return -1;
    if (stat((devicePath + "/..").c_str(), &parent) != 0) return -1;
    return (self.st_dev != parent.st_dev || self.st_ino == parent.st_ino) ? 1 : 0;
  }
  int OpenInputDevice(const std::string& devicePath) override {
    return open(devicePath.c_str(), O_RDONLY | O_CLOEXEC);
  }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ioctl(fd, request, arg); }
};

}  // namespace

std::unique_ptr<Board> MakeAm335xBoard() { return std::make_unique<Am335xBoard>(); }

}  // namespace board
