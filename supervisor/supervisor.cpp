#include "supervisor/supervisor.h"

#include <fcntl.h>
#include <sys/select.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <linux/rtc.h>
#include <string>

#include "core/base/activity.h"
#include "core/base/diag.h"
#include "platform/board.h"
#include "power/tps65217.h"
#include "supervisor/packet/upgrade_install.h"
#include "supervisor/packet/upgrade_packet.h"

namespace supervisor {
namespace {

constexpr long kQuarter = 250000;  // microseconds

void MountIfNeeded(const char* mountPoint, const char* command) {
  if (IsMountDir(mountPoint) != 1) board::System(command);
}

void MountInternalMemory() {
  MountIfNeeded("/mnt/emmc", "mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc");
}

// The computer gets the internal memory as its disk.
void ExportDisk() {
  board::System("umount /mnt/emmc");
  board::System("insmod /home/g_mass_storage.ko file=\"/dev/mmcblk0p6\"");
}

void UsbChanged(State& s) {
  Tps65217_UpdateState(nullptr);
  bool in = IsUsbIn();
  if (in && !s.usb_in) {
    s.usb_in = true;
    ExportDisk();
  } else if (!in && s.usb_in) {
    s.usb_in = false;
    s.ticks = 0;
    board::System("rmmod /home/g_mass_storage.ko");
    MountInternalMemory();
    Upgrade();
  }
}

void OnInput(State& s) {
  unsigned char rec[16];
  ssize_t n = read(s.input, rec, sizeof rec);
  if (n != static_cast<ssize_t>(sizeof rec)) {
    DIAG("read input key error");
    return;
  }
  uint16_t type, code;
  int32_t value;
  memcpy(&type, rec + 8, 2);
  memcpy(&code, rec + 10, 2);
  memcpy(&value, rec + 12, 4);
  if (type != 1) return;
  if (code != kPmicIrqCode)
    SetWorkingLed(value != 0);
  else if (value != 0)
    UsbChanged(s);
}

[[noreturn]] void PowerOff() {
  SetWorkingLed(1);
  for (;;) {
    board::System("hwclock --systohc");
    int fd = BOpen("/dev/rtc0", O_RDWR);
    if (fd < 0) {
      DIAG("can not open /dev/rtc0");
    } else {
      if (board::Ioctl(fd, RTC_AIE_OFF, nullptr) < 0) DIAG("disable alarm failed");
      close(fd);
    }
    board::System("poweroff");
    sleep(1);
  }
}

[[noreturn]] void RebootForever() {
  for (;;) {
    board::System("reboot");
    sleep(1);
  }
}

}  // namespace

int Upgrade() {
  if (IsMountDir("/mnt/emmc") != 1) return -1;
  if (CheckUpgradePacket(kUpgradeScript, kUpgradePayload) != 0) return 0;
  // Unpacked where an upgrade may write, staged so that a power cut keeps
  // a device that starts; the script's own text is fixed and checked.
  int r = InstallUpgradePayload(kUpgradePayload);
  if (r != 0) return r;
  board::System(std::string("rm -f ") + kUpgradeScript);
  board::System(std::string("rm -f ") + kUpgradePayload);
  board::System("sync");
  RebootForever();
}

void Task(State& s) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  long next = (now.tv_usec / kQuarter + 1) * kQuarter;
  struct timeval timeout = {0, next - now.tv_usec};
  fd_set rd;
  FD_ZERO(&rd);
  FD_SET(s.input, &rd);
  int r = select(s.input + 1, &rd, nullptr, nullptr, &timeout);
  if (r < 0) {
    DIAG("select() failed = %d", r);
    return;
  }
  if (r > 0) {
    OnInput(s);
    return;
  }
  // A key does not count as activity here: only USB power keeps the device on.
  if (!s.usb_in && ++s.ticks >= kPowerOffTicks) PowerOff();
}

int Run() {
  // A power cut may have stopped an upgrade half-way through its move.
  FinishInterruptedUpgrade();
  board::System("/home/q7exe2");
  State s;
  s.input = board::OpenInputDevice("/dev/input/event0");
  if (s.input < 0) return -1;
  MountInternalMemory();
  MountIfNeeded("/mnt/settings", "mount -t vfat -o utf8 /dev/mmcblk0p5 /mnt/settings");
  Tps65217_Init();
  Tps65217_SetMax_mA(500);
  Tps65217_SetMux(1);
  Tps65217_UpdateState(nullptr);
  s.usb_in = IsUsbIn();
  SetWorkingLed(0);
  if (s.usb_in)
    ExportDisk();
  else
    s.ticks = 0;
  for (;;) Task(s);
}

}  // namespace supervisor
