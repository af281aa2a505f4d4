// The root window: key dispatch, what it says, and its creation.
#include "browser/file_browser.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/activity.h"
#include "core/ui/device_hooks.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/quiet_shutdown.h"
#include "core/ui/reports.h"
#include "browser/openers.h"
#include "platform/board.h"
#include "audio/audio_files.h"
#include "positions/history.h"
#include "power/battery.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

FileBrowser* g_file_browser = nullptr;

namespace {

constexpr int kSpeechBuffer = 2048;

}  // namespace

FileBrowser::FileBrowser() = default;

FileBrowser::~FileBrowser() {
  free(m_HistoryPath);
  if (g_file_browser == this) g_file_browser = nullptr;
}

int CreateFileBrowser() {
  if (g_file_browser) return 0;
  FileBrowser* w = new (std::nothrow) FileBrowser;
  if (!w) return -1;
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  g_file_browser = w;
  return 0;
}

void FileBrowser::Say(const std::string& text) {
  m_LastUtterance = text;
  SysTts_Play(text.c_str(), -1);
}

void FileBrowser::SayPhrase(int id) {
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) Say(text);
}

bool FileBrowser::BatteryTooLow() {
  if (GetBatState(false) >= BAT_25) return false;
  SayPhrase(UxPhrase::BatteryLevelLow2);
  return true;
}

int FileBrowser::Opened(int result) {
  if (result != 0) SayPhrase(UxPhrase::FileNotSupported);
  return 0;
}

std::string FileBrowser::CurFolderName() const {
  const char* path = g_DirInfo.GetPath();
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

void FileBrowser::Show(bool detail, bool prompt) {
  if (!g_pUxLanguage) return;
  char buf[kSpeechBuffer];
  if (m_Level < 2) {
    std::string text;
    if (prompt && g_pUxLanguage->GetString(UxPhrase::ChooseInternalMemoryOrMicroSd, buf, sizeof buf) > 0) text = buf;
    if (g_pUxLanguage->GetString(m_Disk == 1 ? UxPhrase::MicroSdCard : UxPhrase::InternalMemory, buf, sizeof buf) > 0) text += buf;
    Say(text);
    return;
  }
  NormalizeSelection();
  if (EntryCount() == 0) {
    SayPhrase(UxPhrase::NoFiles2);
    return;
  }
  int sel = g_DirInfo.GetCurSel();
  int position = detail ? sel + 1 : -1;
  int total = g_DirInfo.GetTotal();
  bool mainFolder = prompt && m_Level == 2;
  const char* name = g_DirInfo.GetCurSelName();
  if (!name) return;
  if (g_DirInfo.IsCurSelDir()) {
    g_pUxLanguage->GetDirPlaceString(mainFolder, SpeakableName(name).c_str(), position, total, buf,
                                     sizeof buf);
    Say(buf);
    return;
  }
  if (m_DaisyMode) {
    int book = BookIndexOfSelection();
    const char* title = book >= 0 ? m_BookTitles.Get(book) : nullptr;
    // A book that could not be read has no title; its folder still names it.
    std::string spoken = SpeakableName(title && *title ? title : CurFolderName().c_str());
    if (detail) {
      g_pUxLanguage->GetString_String(UxTextFormat::DaisyFile, spoken.c_str(), buf, sizeof buf);
      Say(buf);
    } else {
      Say(spoken);
    }
    return;
  }
  if (m_AudioBookMode) {
    std::string book = SpeakableName(CurFolderName().c_str());
    if (!detail) {
      Say(book);
      return;
    }
    int cur = 0, totalSec = 0;
    AudioBookTimes(&cur, &totalSec);
    g_pUxLanguage->GetAudioInfoString(book.c_str(), cur, totalSec, buf, sizeof buf);
    Say(buf);
    return;
  }
  std::string full = std::string(g_DirInfo.GetPath()) + "/" + name;
  struct stat st;
  long long size = BStat(full.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
  g_pUxLanguage->GetFilePlaceAndSizeString(mainFolder, SpeakableName(name).c_str(), size, position,
                                           total, buf, sizeof buf);
  Say(buf);
}

int FileBrowser::OnRefresh() {
  if (g_UsbState == 1 || g_UsbState == 2) {
    SayPhrase(UxPhrase::USBConnected);
    return 0;
  }
  CheckDirChange();
  Show(false, true);
  return 0;
}

int FileBrowser::OnKeyPress(int code) {
  if (g_UsbState == 1 || g_UsbState == 2) return 0;
  if (g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_VOL_DOWN:
      ChgAndRepSysVol(-1);
      return 0;
    case KEY_VOL_UP:
      ChgAndRepSysVol(1);
      return 0;
    case KEY_UP:
    case KEY_DOWN:
      CheckDirChange();
      Walk(false, code == KEY_UP ? -1 : 1);
      return 0;
    default:
      return 0;
  }
}

// Events that arrive whatever the USB state is. True when `code` was one.
bool FileBrowser::OnUsbEvent(int code) {
  if (code == EV_USB_IN) {
    SysTts_Stop();
    if (g_UsbState == 0)
      EnterUsbMode();
    else
      OnRefresh();
    return true;
  }
  if (code == EV_USB_OUT || code == EV_USB_SUSPEND) {
    SysTts_Stop();
    LeaveUsbMode(code);
    return true;
  }
  return false;
}

// The shutdown countdowns; without one the device must still power off.
void FileBrowser::OnShutdownEvent(int code) {
  int r = OpenBrowserWindow(code == EV_AUTO_SHUTDOWN ? BW_AUTO_SHUTDOWN_TIMEOUT_MENU
                                                     : BW_IDLE_SHUTDOWN_TIMEOUT_MENU);
  if (r != 0) QuietShutDown();
  RefreshCurWindow();
}

int FileBrowser::OpenMenu(BrowserWindow which) {
  if (OpenBrowserWindow(which) == 0)
    RefreshCurWindow();
  else
    Opened(-1);
  return 0;
}

int FileBrowser::PassDown(int code) {
  int r = OnDefaultKeyDown(code);
  return r == WND_PASS_DOWN ? 0 : r;
}

// At the disk choice every step toggles the disk; in a folder it moves by
// one entry or jumps.
void FileBrowser::Walk(bool jump, int direction) {
  if (m_Level < 2)
    ToggleDisk();
  else if (jump)
    Jump(direction);
  else
    Move(direction);
  Show(false, false);
}

int FileBrowser::KeySide(int code) {
  Walk(true, code == KEY_LEFT ? -1 : 1);
  return 0;
}

int FileBrowser::KeyPlay(int) {
  OpenSelected();
  return 0;
}

int FileBrowser::KeyBack(int) {
  ExitDir();
  return 0;
}

int FileBrowser::KeyRadio(int) {
  RunCloseHooks();
  return BatteryTooLow() ? 0 : OpenMenu(BW_RADIO);
}

int FileBrowser::KeyMusic(int) {
  if (!BatteryTooLow()) OnKeyMp3Down();
  return 0;
}

int FileBrowser::KeyInfo(int) {
  if (g_InfoKeyDownTimes == 1)
    Show(true, true);
  else
    OnKeyInfoDown();
  return 0;
}

int FileBrowser::KeyBookmark(int) {
  return BatteryTooLow() ? 0 : OpenMenu(BW_BOOKMARK_MENU);
}

int FileBrowser::KeyMenu(int) {
  return OpenMenu(BW_MAIN_MENU);
}

int FileBrowser::KeyRecord(int) {
  RunCloseHooks();
  return BatteryTooLow() ? 0 : Opened(OpenBrowserWindow(BW_RECORD_MENU));
}

int FileBrowser::KeyFileManagement(int) {
  if (m_Level < 2) return OnRefresh();
  return BatteryTooLow() ? 0 : OpenMenu(BW_FILE_OPERATION_MENU);
}

int FileBrowser::KeyPower(int) {
  return Opened(OpenBrowserWindow(BW_AUTO_SHUTDOWN_MENU));
}

int FileBrowser::SdMounted(int) {
  g_DirInfo.LoadDir("/mnt");
  g_DirInfo.LoadDir("/mnt/microsd");
  return OnRefresh();
}

int FileBrowser::SdRemoved(int) {
  g_DirInfo.LoadDir("/mnt");
  if (IsMountDir("/mnt/emmc") == 1) g_DirInfo.LoadDir("/mnt/emmc");
  return OnRefresh();
}

FileBrowser::KeyHandler FileBrowser::HandlerFor(int code) {
  // Up, down and the volume keys are absent: the press that follows moves or
  // changes the volume (OnKeyPress).
  static constexpr struct {
    int code;
    KeyHandler handler;
  } kKeys[] = {
      {KEY_LEFT, &FileBrowser::KeySide},
      {KEY_RIGHT, &FileBrowser::KeySide},
      {KEY_PLAY, &FileBrowser::KeyPlay},
      {KEY_BACK, &FileBrowser::KeyBack},
      {KEY_RADIO, &FileBrowser::KeyRadio},
      {KEY_MUSIC, &FileBrowser::KeyMusic},
      {KEY_INFO, &FileBrowser::KeyInfo},
      {KEY_BOOKMARK, &FileBrowser::KeyBookmark},
      {KEY_MENU, &FileBrowser::KeyMenu},
      {KEY_RECORD, &FileBrowser::KeyRecord},
      {KEY_FILE_MANAGEMENT, &FileBrowser::KeyFileManagement},
      {KEY_POWER_SHORT, &FileBrowser::KeyPower},
      {EV_SD_MOUNTED, &FileBrowser::SdMounted},
      {EV_SD_REMOVED, &FileBrowser::SdRemoved},
      {EV_BATTERY_LOW, &FileBrowser::PassDown},
      {EV_CHARGING_DONE, &FileBrowser::PassDown},
      {EV_TIME_ANNOUNCE, &FileBrowser::PassDown},
      {EV_KEYPAD_LOCKED, &FileBrowser::PassDown},
      {EV_KEYPAD_UNLOCKED, &FileBrowser::PassDown},
      {EV_RESTORE_DEFAULTS, &FileBrowser::PassDown},
  };
  for (const auto& k : kKeys)
    if (k.code == code) return k.handler;
  return nullptr;
}

int FileBrowser::OnKeyDown(int code) {
  if (OnUsbEvent(code)) return 0;
  SysTts_Stop();
  if (g_UsbState == 1 || g_UsbState == 2) return OnRefresh();
  CheckDirChange();
  if (code == EV_AUTO_SHUTDOWN || code == EV_IDLE_SHUTDOWN) {
    OnShutdownEvent(code);
    return 0;
  }
  // Card events are not keys: a removed card must not stay listed.
  bool card = code == EV_SD_MOUNTED || code == EV_SD_REMOVED;
  if (g_bKeyBoardLocked && !card) return PassDown(code);
  KeyHandler handler = HandlerFor(code);
  return handler ? (this->*handler)(code) : 0;
}
