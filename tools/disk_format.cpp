// Formatting the internal memory or the card, confirmed by pressing up,
// down, left and right in that order.
#include <unistd.h>

#include <string>

#include "browser/browser_folder.h"
#include "browser/file_browser.h"
#include "core/base/activity.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "tools/tools_menu.h"
#include "tools/tools_speech.h"
#include "speech/ux_language.h"

namespace {

constexpr int kConfirmKeys[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT};
constexpr int kConfirmPhrases[] = {UxPhrase::Up, UxPhrase::Down, UxPhrase::Left, UxPhrase::Right};  // "up" ... "right"

bool Exists(const char* devicePath) { return BAccess(devicePath, F_OK) == 0; }
bool Run(const char* command) { return board::System(command) == 0; }

// The computer owns a disk it was given until the cable goes out.
bool Exported(int disk) {
  if (g_UsbState != 1 && g_UsbState != 2) return false;
  return disk == 0 || g_UsbMicroSdState != 0;
}

enum FormatResult { FORMATTED, FORMAT_FAILED, DISK_IN_USE };

// An unmount that leaves the disk mounted (a file open on it): formatting
// under it would wipe a disk still in use. A disk that was not mounted at
// all (unformatted) is what formatting is for.
bool Unmounted(const char* mountPoint) {
  return Run((std::string("umount ") + mountPoint).c_str()) || IsMountDir(mountPoint) != 1;
}

FormatResult FormatInternalMemory() {
  if (!Unmounted("/mnt/emmc")) return DISK_IN_USE;
  if (!Unmounted("/mnt/settings")) {
    // The voice reminders and every setting live there: nothing is touched.
    Run("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc");
    return DISK_IN_USE;
  }
  bool ok = Run("mkfs.vfat /dev/mmcblk0p5");
  ok = Run("mkfs.vfat -n ORVEXA /dev/mmcblk0p6") && ok;
  Run("mount -t vfat /dev/mmcblk0p5 /mnt/settings");
  Run("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc");
  if (IsMountDir("/mnt/settings") == 1) {
    Run("cp /home/start.wav /mnt/settings");
    Run("cp /home/q7snb.bin /mnt/settings/q7snb.bin");
  }
  tools::ReloadVoiceReminders();
  return ok && IsMountDir("/mnt/emmc") == 1 ? FORMATTED : FORMAT_FAILED;
}

FormatResult FormatCard(const char* device) {
  if (!Unmounted("/mnt/microsd")) return DISK_IN_USE;
  bool ok = board::System(std::string("mkfs.vfat ") + device) == 0;
  // As the card is mounted when it goes in: Polish names stay readable.
  board::System(std::string("mount -t vfat -o utf8 ") + device + " /mnt/microsd");
  return ok && IsMountDir("/mnt/microsd") == 1 ? FORMATTED : FORMAT_FAILED;
}

class DiskFormat final : public iWindow {
 public:
  int OnRefresh() override {
    tools::SayPhrase(disk_ == 0 ? UxPhrase::FormatInternalMemory : UxPhrase::FormatMicroSdCard);
    return 0;
  }

  int OnKeyPress(int code) override { return OnDefaultKeyPress(code); }

  int OnKeyDown(int code) override {
    if (g_bKeyBoardLocked || code >= 1000) return OnDefaultKeyDown(code);
    SysTts_Stop();
    return step_ < 0 ? Choose(code) : Confirm(code);
  }

  std::string DescribeKey(int code, int held) override;

 private:
  int Choose(int code);
  int Confirm(int code);
  void Format();

  int disk_ = 0;
  int step_ = -1;
};

int DiskFormat::Choose(int code) {
  switch (code) {
    case KEY_LEFT:
    case KEY_UP:
    case KEY_RIGHT:
    case KEY_DOWN:
      disk_ = 1 - disk_;
      return OnRefresh();
    case KEY_PLAY:
      if (disk_ == 1 && !Exists("/dev/mmcblk1")) {
        tools::SayPhrase(UxPhrase::NoMicroSdCard);
      } else if (Exported(disk_)) {
        tools::SayPhrase(UxPhrase::USBConnected);
      } else {
        tools::SayPhrase(UxPhrase::WarningFormattingWillEraseAllData);
        step_ = 0;
      }
      return 0;
    case KEY_BACK:
    case KEY_MENU:
      return WND_CLOSE;
    default:
      return OnDefaultKeyDown(code);
  }
}

std::string DiskFormat::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  if (step_ >= 0)
    return code == kConfirmKeys[step_] ? PhraseText(UxPhrase::KeyConfirmsTheFormatting)
                                       : PhraseText(UxPhrase::KeyCancelsTheFormatting);
  switch (code) {
    case KEY_LEFT:
    case KEY_UP:
    case KEY_RIGHT:
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeySwitchesBetweenTheInternalMemory);
    case KEY_PLAY:
      return PhraseText(UxPhrase::KeyFormatsTheDiskAfterA);
    case KEY_BACK:
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyClosesDiskManagement);
    default:
      return iWindow::DescribeKey(code, held);
  }
}

int DiskFormat::Confirm(int code) {
  if (code != kConfirmKeys[step_]) {
    step_ = -1;
    tools::SayPhrase(UxPhrase::InputErrorCancelFormat);
    return 0;
  }
  if (step_ < 3) {
    tools::SayPhrase(kConfirmPhrases[step_++]);
    return 0;
  }
  step_ = -1;
  SysTts_Add((PhraseText(UxPhrase::Right) + ", ").c_str());
  tools::SayPhrase(UxPhrase::FormattingPleaseWait);
  Format();
  return 0;
}

void DiskFormat::Format() {
  if (Exported(disk_)) {
    tools::SayPhrase(UxPhrase::USBConnected);
    return;
  }
  SetWorkingLed(1);
  FormatResult r;
  if (disk_ == 0) {
    r = FormatInternalMemory();
  } else if (Exists("/dev/mmcblk1p1")) {
    r = FormatCard("/dev/mmcblk1p1");
  } else if (Exists("/dev/mmcblk1")) {
    r = FormatCard("/dev/mmcblk1");
  } else {
    SetWorkingLed(0);
    tools::SayPhrase(UxPhrase::NoMicroSdCard);
    return;
  }
  SetWorkingLed(0);
  if (r == DISK_IN_USE) {
    SysTts_WaitFinish();
    tools::SayPhrase(UxPhrase::DiskInUse);
    return;
  }
  Run("sync");
  CreateDaisyDir();
  BrowserShowFolder("/mnt", "");
  SysTts_WaitFinish();
  tools::SayPhrase(r == FORMATTED ? UxPhrase::FormattingFinished : UxPhrase::Error);
}

}  // namespace

int CreateDiskFormat() {
  iWindow* w = new DiskFormat();
  if (tools::Push(w) != 0) return -1;
  w->OnRefresh();
  return 0;
}
