// Installing what a computer left on the internal memory: the upgrade
// packet, the device-information record and the boot sound. The packet's
// paths come from folders a computer named, so every one reaches the shell
// quoted, and the payload is unpacked only where an upgrade may write.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "browser/file_browser.h"
#include "browser/openers.h"
#include "core/base/activity.h"
#include "core/base/settings_file.h"
#include "core/ui/device_hooks.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "supervisor/packet/upgrade_install.h"
#include "supervisor/packet/upgrade_packet.h"
#include "speech/ux_language.h"

namespace {

const char c_BootSound[] = "/mnt/emmc/bootup_music.pcm";
constexpr long long kBootSoundMin = 10241, kBootSoundMax = 10485759;

std::string Q(const std::string& w) { return board::ShellQuote(w); }

bool Exists(const char* devicePath) { return BAccess(devicePath, F_OK) == 0; }

// Texts outside the phrase catalogue. Language 0 is Polish here, so it gets
// Polish words rather than another language's.
const char* Localized(const char* english, const char* polish) {
  return g_SystemSettings.language == 0 ? polish : english;
}

void EnsureSettingsDisk() {
  if (IsMountDir("/mnt/settings") == 1) return;
  printf("/mnt/setting not mount, format it\n");
  board::System("mkfs.vfat /dev/mmcblk0p5");
  board::System("mount -t vfat /dev/mmcblk0p5 /mnt/settings");
}

// A new kernel or boot loader goes to the boot partition, not /home.
void MoveBootFiles() {
  bool kernel = Exists("/home/uImage"), loader = Exists("/home/u-boot.img");
  if (!kernel && !loader) return;
  board::System("mkdir -p /var/volatile/boot");
  board::System("mount -t vfat /dev/mmcblk0p3 /var/volatile/boot");
  if (IsMountDir("/var/volatile/boot") == 1) {
    if (kernel && board::System("cp /home/uImage /var/volatile/boot/") == 0)
      board::System("rm -f /home/uImage");
    if (loader && board::System("cp /home/u-boot.img /var/volatile/boot/") == 0)
      board::System("rm -f /home/u-boot.img");
    board::System("umount /var/volatile/boot");
  }
}

[[noreturn]] void RebootForever() {
  for (;;) {
    board::System("reboot");
    sleep(1);
  }
}

// 0 when the packet is valid and its archive writes only where it may.
int CheckPacket(const std::string& script, const std::string& payload) {
  int r = CheckUpgradePacket(script.c_str(), payload.c_str());
  if (r != 0) return r;
  return CheckUpgradeArchive(payload.c_str()) == 0 ? 0 : -6;
}

void DeletePacket(const std::string& script, const std::string& payload) {
  board::System("rm -f " + Q(script));
  board::System("rm -f " + Q(payload));
  board::System("sync");
}

}  // namespace

int FileBrowser::ApplyPacket(const std::string& script, const std::string& payload) {
  EnsureSettingsDisk();
  SayPhrase(UxPhrase::Upgrading);
  SysTts_WaitFinish();
  int r = InstallUpgradePayload(payload.c_str());
  DeletePacket(script, payload);
  if (r != 0) {
    SayPhrase(UxPhrase::UpgradeFailed);
    SysTts_WaitFinish();
    return r;
  }
  MoveBootFiles();
  board::System("sync");
  SayPhrase(UxPhrase::UpgradeFinishedRestarting);
  SysTts_WaitFinish();
  return 0;
}

int FileBrowser::RunUpgrade(const char* folder) {
  std::string script = std::string(folder) + "/q7upgrade.sh";
  std::string payload = std::string(folder) + "/q7_upgrade";
  if (CheckPacket(script, payload) != 0) {
    SayPhrase(UxPhrase::UpgradeFailed);
    return -1;
  }
  if (ApplyPacket(script, payload) != 0) return -1;
  RunCloseHooks();
  SavePowerOffSettings();
  board::System("sync");
  RebootForever();
}

void FileBrowser::InstallSnbRecord() {
  if (!Exists(kSnbUpgradeFile)) return;
  if (CheckSnbFile(kSnbUpgradeFile)) {
    ResetCompassCalibration();  // the record is a new device's
    board::System(std::string("cp ") + kSnbUpgradeFile + " /home/");
    board::System(std::string("cp ") + kSnbUpgradeFile + " /mnt/settings/q7snb.bin");
    // The record names the device; no copy stays where a computer can read it.
    DestroyFile(kSnbUpgradeFile);
    board::System(std::string("rm -f ") + kSnbUpgradeFile);
    Say(Localized("snb upgrading finished", "aktualizacja danych urządzenia zakończona"));
  } else {
    board::System(std::string("rm -f ") + kSnbUpgradeFile);
    SayPhrase(UxPhrase::UpgradeFailed);
  }
  SysTts_WaitFinish();
}

bool FileBrowser::InstallBootSound() {
  struct stat st;
  if (BStat(c_BootSound, &st) != 0) return false;
  if (st.st_size < kBootSoundMin || st.st_size > kBootSoundMax) {
    printf("bootup_music.pcm file size wrong\n");
    return false;
  }
  board::System(std::string("cp ") + c_BootSound + " /home/start.wav");
  board::System(std::string("mv ") + c_BootSound + " /mnt/settings/start.wav");
  board::System("sync");
  Say(Localized("boot up music upgrading finished", "aktualizacja dźwięku startowego zakończona"));
  return true;
}

int FileBrowser::Upgrade() {
  if (IsMountDir("/mnt/emmc") != 1) return -1;
  FinishInterruptedUpgrade();
  bool reboot = false;
  int r = CheckPacket(kUpgradeScript, kUpgradePayload);
  if (r == 0) {
    reboot = ApplyPacket(kUpgradeScript, kUpgradePayload) == 0;
  } else if (r != -1) {
    DeletePacket(kUpgradeScript, kUpgradePayload);
    SayPhrase(UxPhrase::UpgradeFailed);
    SysTts_WaitFinish();
  }
  if (IsMountDir("/mnt/settings") != 1) {
    printf("/mnt/setting not mount\n");
    SayPhrase(UxPhrase::SettingsDiskNotFormatted);
    SysTts_WaitFinish();
    if (reboot) RebootForever();
    return -1;
  }
  InstallSnbRecord();
  if (InstallBootSound()) reboot = true;
  if (!reboot) return 0;
  RunCloseHooks();
  SavePowerOffSettings();
  board::System("sync");
  if (g_SystemSettings.language != 0) Say("rebooting");
  SysTts_WaitFinish();
  RebootForever();
}
