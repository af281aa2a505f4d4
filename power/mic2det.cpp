#include "power/mic2det.h"

#include <fcntl.h>

#include <mutex>

#include "core/base/diag.h"
#include "platform/board.h"
#include "platform/board_ioctl.h"
#include "platform/board_profile.h"

namespace {

std::mutex g_Mic2DetMutex;
int g_Mic2DetFd = -1;

// The open device, or -1; a missing node is tried again on the next call.
int Mic2DetFd() {
  if (g_Mic2DetFd < 0) g_Mic2DetFd = BOpen("/dev/mic2det", O_RDWR);
  return g_Mic2DetFd;
}

}  // namespace

int GetPinLevel() { return GetPinLevel(board::Profile().pins.mic_jack); }

int GetPinLevel(int pin) {
  if (pin < 0) return -1;
  std::lock_guard<std::mutex> lock(g_Mic2DetMutex);
  int fd = Mic2DetFd();
  if (fd < 0) return -1;
  struct mic2det_pin p = {pin / 32, pin % 32, 0};
  if (board::Ioctl(fd, MIC2DET_GET_PIN, &p) < 0) return -1;
  DiagPrintf("port %d.%d = %d", p.port, p.pin, p.level);
  return p.level;
}

int SetStandbyTime(int seconds) {
  std::lock_guard<std::mutex> lock(g_Mic2DetMutex);
  int fd = Mic2DetFd();
  if (fd < 0) return -1;
  int t = seconds;
  if (board::Ioctl(fd, DTIME_STANDBY_SET, &t) < 0) {
    DiagPrintf("ioctl(m_fd, DTIME_STANDBY_SET, &t) failed");
    return -1;
  }
  return 0;
}
