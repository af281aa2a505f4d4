#include "players/kit/player_window.h"

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/system_settings.h"
#include "platform/board.h"
#include "players/kit/find_entry.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"

int PlayerWindow::PlayerKeyDown(int code) {
  const int r = EventDown(code);
  if (r != kNotShared) return r;
  if (g_bKeyBoardLocked) {
    PauseForSpeech();
    return LockedKeyDown(code);
  }
  SysTts_Stop();
  FindKeys* find = Finder();
  if (find && find->ComboDown(code)) return 0;
  switch (code) {
    case KEY_INFO:
      PauseForSpeech();
      PlayerInfoKey(this, [this] { SayInfo(); });
      return 0;
    case KEY_MENU:
      PauseForMenu();
      EnterSettingsMenu();
      return 0;
    case KEY_BOOKMARK:
      PauseForMenu();
      EnterBookmarkMenu();
      return 0;
    case KEY_PLAY:
      PlayKeyDown();
      return 0;
    case KEY_BACK:
      CloseDown();
      return WND_CLOSE;
    case KEY_UP:
    case KEY_DOWN:
      UpDownKeyDown(code == KEY_DOWN ? 1 : -1);
      return 0;
    case KEY_LEFT:
    case KEY_RIGHT:
      LeftRightKeyDown(code == KEY_RIGHT ? 1 : -1);
      m_HistoryPacer.Soon();
      return 0;
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return 0;  // the press and its repeats change it
    default:
      return OtherKeyDown(code);
  }
}

bool PlayerWindow::VolumeKeyPress(int code) {
  if (g_bKeyBoardLocked || (code != KEY_VOL_DOWN && code != KEY_VOL_UP)) return false;
  g_SystemSettings.ChangeVolume(code == KEY_VOL_UP ? 1 : -1);
  // While the player sounds, its sound tells the change.
  if (VolumeSpoken()) ReportSystemVolume();
  return true;
}

void PlayerWindow::NoteOpened(const std::string& path) {
  const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  board::Current().Transcript("player", "opened " + (slash == std::string::npos ? path : path.substr(slash + 1)));
}
