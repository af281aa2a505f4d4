#include "platform/board.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace board {
namespace {

// The real device: paths and commands are what they say.
class DeviceBoard final : public Board {
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
  bool IsHost() const override { return false; }
};

std::unique_ptr<Board>& Slot() {
  static std::unique_ptr<Board> current = std::make_unique<DeviceBoard>();
  return current;
}

}  // namespace

Board& Current() { return *Slot(); }

std::unique_ptr<Board> Install(std::unique_ptr<Board> b) {
  std::unique_ptr<Board> old = std::move(Slot());
  Slot() = b ? std::move(b) : std::make_unique<DeviceBoard>();
  return old;
}

std::string ShellQuote(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += "'";
  return out;
}

}  // namespace board

FILE* BFopen(const char* p, const char* mode) { return p ? fopen(board::Path(p).c_str(), mode) : nullptr; }
int BOpen(const char* p, int flags, int mode) { return p ? open(board::Path(p).c_str(), flags, mode) : -1; }
int BStat(const char* p, struct stat* st) { return p ? stat(board::Path(p).c_str(), st) : -1; }
int BAccess(const char* p, int how) { return p ? access(board::Path(p).c_str(), how) : -1; }
DIR* BOpendir(const char* p) { return p ? opendir(board::Path(p).c_str()) : nullptr; }
int BUnlink(const char* p) { return p ? unlink(board::Path(p).c_str()) : -1; }
int BRename(const char* a, const char* b) {
  return (a && b) ? rename(board::Path(a).c_str(), board::Path(b).c_str()) : -1;
}
int BMkdir(const char* p, mode_t mode) { return p ? mkdir(board::Path(p).c_str(), mode) : -1; }
int BRmdir(const char* p) { return p ? rmdir(board::Path(p).c_str()) : -1; }
time_t BTime(time_t* out) {
  time_t t = board::Now();
  if (out) *out = t;
  return t;
}
