#include "platform/board.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <cerrno>

#include "platform/am335x_board.h"

namespace board {

int Board::OpenInputDevice(const std::string& devicePath) {
  return open(Path(devicePath).c_str(), O_RDONLY);
}

int Board::Ioctl(int fd, unsigned long request, void* arg) { return ioctl(fd, request, arg); }

namespace {

std::unique_ptr<Board>& Slot() {
  static std::unique_ptr<Board> current = MakeAm335xBoard();
  return current;
}

}  // namespace

Board& Current() { return *Slot(); }

std::unique_ptr<Board> Install(std::unique_ptr<Board> b) {
  std::unique_ptr<Board> old = std::move(Slot());
  Slot() = b ? std::move(b) : MakeAm335xBoard();
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

int I2cTransfer(const char* bus, struct i2c_msg* msgs, int n) {
  if (!bus || !msgs || n <= 0) {
    errno = EINVAL;
    return -1;
  }
  int fd = BOpen(bus, O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  Ioctl(fd, I2C_TIMEOUT, reinterpret_cast<void*>(2L));
  Ioctl(fd, I2C_RETRIES, reinterpret_cast<void*>(1L));
  struct i2c_rdwr_ioctl_data data;
  data.msgs = msgs;
  data.nmsgs = static_cast<__u32>(n);
  int r = Ioctl(fd, I2C_RDWR, &data);
  int saved = errno;
  close(fd);
  errno = saved;
  return r;
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
