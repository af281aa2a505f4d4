// The root window: key dispatch, what it says, and its creation.
#include "browser/file_browser.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/activity.h"
#include "core/ui/session.h"
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
  SayPhrase(126);  // "Battery level low"
  return true;
}

int FileBrowser::Opened(int result) {
  if (result != 0) SayPhrase(130);  // "file not supported"
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
    if (prompt && g_pUxLanguage->GetString(138, buf, sizeof buf) > 0) text = buf;
    if (g_pUxLanguage->GetString(m_Disk == 1 ? 140 : 139, buf, sizeof buf) > 0) text += buf;
    Say(text);
    return;
  }
  NormalizeSelection();
  if (EntryCount() == 0) {
    SayPhrase(137);  // "no files"
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
      g_pUxLanguage->GetString_String(8, spoken.c_str(), buf, sizeof buf);  // "%s, daisy file"
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
    SayPhrase(131);  // "USB connected"
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
      if (m_Level < 2) {
        ToggleDisk();
      } else {
        Move(code == KEY_UP ? -1 : 1);
      }
      Show(false, false);
      return 0;
    default:
      return 0;
  }
}

int FileBrowser::OnKeyDown(int code) {
  switch (code) {
    case EV_USB_IN:
      SysTts_Stop();
      if (g_UsbState == 0)
        EnterUsbMode();
      else
        OnRefresh();
      return 0;
    case EV_USB_OUT:
    case EV_USB_SUSPEND:
      SysTts_Stop();
      LeaveUsbMode(code);
      return 0;
    default:
      break;
  }
  if (g_UsbState == 1 || g_UsbState == 2) {
    SysTts_Stop();
    OnRefresh();
    return 0;
  }
  SysTts_Stop();
  CheckDirChange();

  if (code == EV_AUTO_SHUTDOWN || code == EV_IDLE_SHUTDOWN) {
    int r = code == EV_AUTO_SHUTDOWN ? OpenBrowserWindow(BW_AUTO_SHUTDOWN_TIMEOUT_MENU)
                                     : OpenBrowserWindow(BW_IDLE_SHUTDOWN_TIMEOUT_MENU);
    if (r == 0) {
      RefreshCurWindow();
      return 0;
    }
    // Without the countdown the device must still power off when asked to.
    QuietShutDown();
  }
  if (g_bKeyBoardLocked) {
    int r = OnDefaultKeyDown(code);
    return r == WND_PASS_DOWN ? 0 : r;
  }

  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_VOL_UP:
    case KEY_VOL_DOWN:
      return 0;  // the press that follows moves or changes the volume
    case KEY_LEFT:
    case KEY_RIGHT:
      if (m_Level < 2) {
        ToggleDisk();
      } else {
        Jump(code == KEY_LEFT ? -1 : 1);
      }
      Show(false, false);
      return 0;
    case KEY_PLAY:
      OpenSelected();
      return 0;
    case KEY_BACK:
      ExitDir();
      return 0;
    case KEY_RADIO:
      RunCloseHooks();
      if (BatteryTooLow()) return 0;
      if (OpenBrowserWindow(BW_RADIO) == 0)
        RefreshCurWindow();
      else
        Opened(-1);
      return 0;
    case KEY_MUSIC:
      if (BatteryTooLow()) return 0;
      OnKeyMp3Down();
      return 0;
    case KEY_INFO:
      if (g_InfoKeyDownTimes == 1)
        Show(true, true);
      else
        OnKeyInfoDown();
      return 0;
    case KEY_BOOKMARK:
      if (BatteryTooLow()) return 0;
      if (OpenBrowserWindow(BW_BOOKMARK_MENU) == 0)
        RefreshCurWindow();
      else
        Opened(-1);
      return 0;
    case KEY_MENU:
      if (OpenBrowserWindow(BW_MAIN_MENU) == 0)
        RefreshCurWindow();
      else
        Opened(-1);
      return 0;
    case KEY_RECORD:
      RunCloseHooks();
      if (BatteryTooLow()) return 0;
      return Opened(OpenBrowserWindow(BW_RECORD_MENU));
    case KEY_FILE_MANAGEMENT:
      if (m_Level < 2) {
        OnRefresh();
        return 0;
      }
      if (BatteryTooLow()) return 0;
      if (OpenBrowserWindow(BW_FILE_OPERATION_MENU) == 0)
        RefreshCurWindow();
      else
        Opened(-1);
      return 0;
    case KEY_POWER_SHORT:
      return Opened(OpenBrowserWindow(BW_AUTO_SHUTDOWN_MENU));
    case EV_SD_MOUNTED:
      g_DirInfo.LoadDir("/mnt");
      g_DirInfo.LoadDir("/mnt/microsd");
      OnRefresh();
      return 0;
    case EV_SD_REMOVED:
      g_DirInfo.LoadDir("/mnt");
      if (IsMountDir("/mnt/emmc") == 1) g_DirInfo.LoadDir("/mnt/emmc");
      OnRefresh();
      return 0;
    case EV_BATTERY_LOW:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
    case EV_RESTORE_DEFAULTS: {
      int r = OnDefaultKeyDown(code);
      return r == WND_PASS_DOWN ? 0 : r;
    }
    default:
      return 0;
  }
}
