// What every window does alike: default key handling, the information key,
// the keypad lock, and the list menu.
#include "core/ui/window.h"

#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

iWindow::~iWindow() = default;
int iWindow::OnKeyUp(int) { return 0; }
int iWindow::OnTick() { return 0; }
int iWindow::OnClose() { return 0; }

int iWindow::OnKeyInfoDown() {
  if (g_InfoKeyDownTimes <= 1) return OnRefresh();
  if (g_InfoKeyDownTimes == 2) {
    ReportSystemTimeAndDate();
    return 0;
  }
  ReportBatteryLevel();
  g_InfoKeyDownTimes = 0;
  return 0;
}

bool ReportSystemEvent(int code) {
  switch (code) {
    case EV_TIME_ANNOUNCE:
      ReportSystemTime();
      return true;
    case EV_RESTORE_DEFAULTS:
      SetAllToDefault();  // unlocks and says so
      return true;
    case EV_CHARGING_DONE:
      ReportChargingFinished();
      return true;
    case EV_BATTERY_LOW:
      ReportBatLowShutDownLeftTime();
      return true;
    default:
      return false;
  }
}

int iWindow::OnDefaultKeyDown(int code) {
  SysTts_Stop();
  if (ReportSystemEvent(code)) return 0;
  switch (code) {
    case KEY_RADIO:
    case KEY_MUSIC:
    case KEY_BOOKMARK:
    case KEY_RECORD:
      if (g_bKeyBoardLocked) break;
      return code;  // the stack closes the child windows and the root takes it
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      if (g_bKeyBoardLocked) break;
      return 0;  // the press that follows changes the volume
    case KEY_INFO:
      if (g_bKeyBoardLocked)
        ReportKeyBoardLock();
      else
        OnKeyInfoDown();
      return 0;
    case EV_KEYPAD_LOCKED:
      ReportKeyBoardLock();
      return 0;
    case EV_KEYPAD_UNLOCKED:
      ReportKeyBoardUnLock();
      return 0;
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
    case KEY_POWER_SHORT:
      return WND_PASS_DOWN;  // the root handles the power timers
    default:
      if (g_bKeyBoardLocked) break;
      OnRefresh();
      return 0;
  }
  SysTts_Beep(8);
  return 0;
}

int iWindow::OnDefaultKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN) ChgAndRepSysVol(-1);
  if (code == KEY_VOL_UP) ChgAndRepSysVol(+1);
  return 0;
}

void iWindow::OnKeyDescriber() {}

std::string iWindow::DescribeKey(int code, int held) {
  if (held >= 0) return KeyIgnored();
  switch (code) {
    case KEY_RADIO:
      return PhraseText(UxPhrase::KeyOpensTheFMRadio);
    case KEY_MUSIC:
      return PhraseText(UxPhrase::KeyPlaysMusic);
    case KEY_BOOKMARK:
      return PhraseText(UxPhrase::KeyOpensTheBookmarks);
    case KEY_RECORD:
      return PhraseText(UxPhrase::KeyOpensTheRecorder);
    case KEY_VOL_DOWN:
      return PhraseText(UxPhrase::KeyTurnsTheVolumeDown);
    case KEY_VOL_UP:
      return PhraseText(UxPhrase::KeyTurnsTheVolumeUp);
    case KEY_INFO:
      return PhraseText(UxPhrase::KeySaysWhereYouArePressed);
    default:
      return PhraseText(UxPhrase::KeySaysAgainWhereYouAre);
  }
}

int Menu::OnRefresh() { return Show(); }

std::string Menu::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  switch (code) {
    case KEY_UP:
    case KEY_LEFT:
      return PhraseText(UxPhrase::KeyThePreviousItem);
    case KEY_DOWN:
    case KEY_RIGHT:
      return PhraseText(UxPhrase::KeyTheNextItem);
    case KEY_PLAY:
      return PhraseText(UxPhrase::KeyChoosesTheItem);
    case KEY_BACK:
      return PhraseText(UxPhrase::KeyClosesTheMenu);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyClosesTheMenuAndOpens);
    default:
      return iWindow::DescribeKey(code, held);
  }
}
int Menu::Show() { return 0; }
int Menu::KeyOK() { return 0; }

int Menu::OnKeyDown(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_PLAY:
    case KEY_BACK:
    case KEY_MENU:
      SysTts_Stop();
      if (g_bKeyBoardLocked) {
        SysTts_Beep(8);
        return 0;
      }
      if (code == KEY_PLAY) return KeyOK();
      if (code == KEY_BACK) return WND_CLOSE;
      if (code == KEY_MENU) return KEY_FILE_MANAGEMENT;
      return 0;  // the move happens in the press that follows
    default:
      return OnDefaultKeyDown(code);
  }
}

int Menu::OnKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return OnDefaultKeyPress(code);
    case KEY_LEFT:
    case KEY_UP:
      if (m_ItemCount <= 0) return 0;
      if (--m_CurIndex < 0) m_CurIndex = m_ItemCount - 1;
      Show();
      return 0;
    case KEY_DOWN:
    case KEY_RIGHT:
      if (m_ItemCount <= 0) return 0;
      if (++m_CurIndex >= m_ItemCount) m_CurIndex = 0;
      Show();
      return 0;
    default:
      return 0;
  }
}
