// USB mass-storage mode: while a computer is attached the disks belong to it,
// so the player unmounts them, hands them to the gadget and refuses to
// browse until the cable is pulled or the host lets go.
#include <unistd.h>

#include <string>

#include "browser/file_browser.h"
#include "browser/socket_receiver.h"
#include "core/base/activity.h"
#include "browser/openers.h"
#include "platform/board.h"
#include "power/tps65217.h"
#include "speech/ux_language.h"

int g_UsbState = 0;
int g_UsbLun = 1;
int g_UsbMicroSdState = 0;

namespace {

// Ticks of mode 1 without the host configuring the gadget: a charger.
constexpr int kChargerTicks = 17;

bool Exists(const char* devicePath) { return BAccess(devicePath, F_OK) == 0; }

// A disk still open for writing cannot be unmounted at once; give it a
// moment. True once it is no longer mounted.
bool Unmount(const char* dir) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (IsMountDir(dir) != 1) return true;
    if (attempt > 0) {
      board::System("sync");
      usleep(200 * 1000);
    }
    board::System((std::string("umount ") + dir).c_str());
  }
  return IsMountDir(dir) != 1;
}

}  // namespace

void FileBrowser::EnterUsbMode() {
  // Both the player and the computer writing one FAT file system ruins it:
  // a disk that stays mounted is never exported.
  if (!Unmount("/mnt/emmc")) {
    g_UsbState = 3;
    SayPhrase(UxPhrase::TheInternalMemoryIsBusyThe);
    return;
  }
  bool card = Unmount("/mnt/microsd");
  SetMinCpuMHz(600);
  if (!card || !Exists("/dev/mmcblk1")) {
    g_UsbLun = 1;
    g_UsbMicroSdState = 0;
    board::System("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6");
  } else if (Exists("/dev/mmcblk1p1")) {
    g_UsbLun = 2;
    g_UsbMicroSdState = 2;
    board::System("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6,/dev/mmcblk1p1");
  } else {
    g_UsbLun = 2;
    g_UsbMicroSdState = 1;
    board::System("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6,/dev/mmcblk1");
  }
  g_UsbState = 1;
  m_UsbTicks = 0;
  OnRefresh();
}

void FileBrowser::RemountDisks() {
  board::System("rmmod /home/g_mass_storage.ko");
  board::System("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc");
  SetMinCpuMHz(300);
  if (Exists("/dev/mmcblk1")) MountMicroSdCard();
  g_UsbMicroSdState = 0;
}

void FileBrowser::ReloadAfterDiskChange() {
  if (g_DirInfo.LoadDir(nullptr) != 0) g_DirInfo.LoadDir("/mnt");
}

void FileBrowser::UsbChargerOnly() {
  g_UsbState = 3;
  RemountDisks();
  ReloadAfterDiskChange();
  SayPhrase(UxPhrase::Charging);
  Tps65217_SetMax_mA(1300);
}

void FileBrowser::LeaveUsbMode(int code) {
  if (g_UsbState != 1 && g_UsbState != 2) return;
  if (code == EV_USB_SUSPEND && g_UsbState != 2) return;
  g_UsbState = code == EV_USB_OUT ? 0 : 3;
  RemountDisks();
  Upgrade();
  CreateDaisyDir();
  ReloadAfterDiskChange();
  OnRefresh();
}

int FileBrowser::OnTick() {
  if (g_UsbState != 1) return 0;
  if (++m_UsbTicks == kChargerTicks) UsbChargerOnly();
  return 0;
}
