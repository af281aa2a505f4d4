// Model of "/dev/mic2det": the detection pins read the jacks' state files
// (headphones on pin 59, the external microphone on pin 5; every other pin
// reads 0), and the standby wake-up timer is written back for the tests.
#include <cerrno>

#include "platform/board_ioctl.h"
#include "platform/host/host_board.h"

namespace board {

namespace {

int FailWith(int e) {
  errno = e;
  return -1;
}

}  // namespace

int HostBoard::Mic2detIoctl(unsigned long request, void* arg) {
  if (!arg) return FailWith(EFAULT);
  if (request == MIC2DET_GET_PIN) {
    auto* p = static_cast<struct mic2det_pin*>(arg);
    if (p->port < 0 || p->port > 3 || p->pin < 0 || p->pin > 31) return FailWith(EINVAL);
    int n = p->port * 32 + p->pin;
    if (n == 59)
      p->level = state_.Get(state::kHeadphones, "0") == "1" ? 1 : 0;
    else if (n == 5)
      p->level = state_.Get(state::kExternalMic, "0") == "1" ? 1 : 0;
    else
      p->level = 0;
    return 0;
  }
  if (request == DTIME_STANDBY_SET) {
    int seconds = *static_cast<int*>(arg);
    if (seconds < 0) return FailWith(EINVAL);
    state_.SetInt(state::kStandbyTimer, seconds);
    return 0;
  }
  return FailWith(ENOTTY);
}

}  // namespace board
