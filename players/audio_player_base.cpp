#include "players/audio_player_base.h"

#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/system_settings.h"
#include "players/kit/key_texts.h"
#include "players/kit/play_backend.h"
#include "players/kit/player_common.h"
#include "players/play_thread.h"
#include "power/shutdown_timers.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

AudioPlayerBase::AudioPlayerBase(PlayThread& thread, RememberedItems* remembered)
    : m_Thread(thread),
      m_Bm({UxPhrase::StartMarkHighlightBookmark2, UxPhrase::EndMarkHighlightBookmark2, UxPhrase::StopPlayingHighlightBookmark2},
           {[this] { return BookmarkCount(); }, [this](int i) { SayBookmark(i); },
            [this] { return HighlightStage(); }, [this] { AddBookmark(); },
            [this](int i) { JumpToBookmark(i); }, [this] { HighlightStep(); }, nullptr}),
      m_Remembered(remembered) {}

int AudioPlayerBase::OnKeyDown(int code) {
  if (m_MenuMode != MENU_NONE) return MenuKeyDown(code);
  if (m_bFailed) return OnDefaultKeyDown(code);
  if (m_bOpening)
    return KeyWhileOpening(this, code, [this] { CloseDown(); },
                           [] { PlayerSayPhrase(UxPhrase::OpeningFilePleaseWait); });
  return PlayerKeyDown(code);
}

int AudioPlayerBase::OnKeyPress(int code) {
  if (m_MenuMode == MENU_SETTINGS) return SettingsKeyPress(code);
  if (m_MenuMode == MENU_BOOKMARK) return m_Bm.KeyPress(this, code);
  return NormalKeyPress(code);
}

void AudioPlayerBase::PauseForMenu() {
  if (!m_bUserPaused) Pause();
}

void AudioPlayerBase::PlayKeyDown() {
  m_bUserPaused = !m_bUserPaused;
  if (m_bUserPaused)
    Pause();
  else
    PlayOn();
}

void AudioPlayerBase::Pause() { m_Thread.CmdPause(); }

void AudioPlayerBase::Play() {
  int st = m_Thread.State();
  if (st != PLAY_STATE_PAUSED && st != PLAY_STATE_ENDED) return;
  // System speech drives the same sound card from its own thread: a step
  // taken while it speaks plays once it has finished (OnTick).
  if (SysTts_CheckRunning() > 0) {
    m_bResumeAfterTts = true;
    return;
  }
  m_Thread.CmdPlay(FAST_NONE);
}

void AudioPlayerBase::PauseForSpeech() {
  if (!m_bUserPaused) Pause();
  m_bResumeAfterTts = true;
}

int AudioPlayerBase::OnTick() {
  if (m_bFailed) {
    CloseDown();
    return WND_CLOSE;
  }
  if (m_MenuMode != MENU_NONE) return 0;
  if (m_bResumeAfterTts) {
    if (SysTts_CheckRunning() > 0) return 0;
    PlayersBackend().WaitBufferFinished();
    m_bResumeAfterTts = false;
    if (!m_bOpening && !m_bUserPaused) Play();
  }
  if (m_bOpening) {
    DelaySleepTime(10);
    ResetIdleShutDownTime();
    int st = m_Thread.State();
    if (st == PLAY_STATE_OPENING) return 0;
    if (st == PLAY_STATE_IDLE) return OpenFailed();
    NoteOpened(m_FullPath);
    return FinishOpen();
  }
  if (Resting()) return 0;
  ResetIdleShutDownTime();
  // A cut (crash, battery) then loses at most about a minute of listening.
  if (m_Thread.State() == PLAY_STATE_PLAYING && m_HistoryPacer.Due()) StorePlace();
  if (m_Thread.State() == PLAY_STATE_ENDED) return EndOfFile();
  return 0;
}

int AudioPlayerBase::NoteOpenFailure() {
  m_bOpening = false;
  PlayerSayPhrase(UxPhrase::CanNotOpen);
  return ++m_OpenFailures;
}

int AudioPlayerBase::OnClose() {
  CloseDown();
  return 0;
}

int AudioPlayerBase::OnRefresh() {
  if (m_MenuMode == MENU_SETTINGS) {
    ShowSetting();
  } else if (m_MenuMode == MENU_BOOKMARK) {
    m_Bm.Show();
  } else if (!m_bOpening && !m_bFailed) {
    PauseForSpeech();
    SayInfo();
  }
  return 0;
}

void AudioPlayerBase::OnKeyDescriber() {
  if (m_bOpening || m_bFailed) return;
  m_bResumeAfterTts = false;
  m_bUserPaused = true;
  Pause();
}

std::string AudioPlayerBase::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  std::string what = m_MenuMode != MENU_NONE ? DescribePlayerMenuKey(code) : DescribeOwnKey(code);
  if (what.empty() && m_MenuMode == MENU_NONE) what = DescribePlayerKey(code);
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}

void AudioPlayerBase::LeaveMenu(bool resume) {
  m_MenuMode = MENU_NONE;
  m_Bm.CloseList();
  if (resume && !m_bUserPaused) m_bResumeAfterTts = true;
}

// --- Settings menu -------------------------------------------------------

void AudioPlayerBase::EnterSettingsMenu() {
  m_MenuMode = MENU_SETTINGS;
  m_MenuItem = FirstSettingItem(m_Remembered->settings);
  m_MenuValue = SettingValue(m_MenuItem);
  ShowSetting();
}

// Both menus: play acts (the setting is applied, the bookmark item taken),
// back, menu and music leave, and bookmark goes from the settings to the
// bookmarks. The item is remembered for the next time.
int AudioPlayerBase::MenuKeyDown(int code) {
  const bool settings = m_MenuMode == MENU_SETTINGS;
  if (!IsMenuKey(code, {KEY_VOL_DOWN, KEY_VOL_UP, KEY_MUSIC, KEY_BOOKMARK}) || (!settings && code == KEY_BOOKMARK))
    return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  if (code != KEY_PLAY && code != KEY_BACK && code != KEY_MENU && code != KEY_MUSIC && code != KEY_BOOKMARK)
    return 0;  // moves and volume happen in the press that follows
  if (settings)
    m_Remembered->settings = m_MenuItem;
  else
    m_Remembered->bookmark = m_Bm.CurItem();
  if (code == KEY_BOOKMARK) {
    EnterBookmarkMenu();
  } else if (code != KEY_PLAY) {
    LeaveMenu(true);
  } else if (!settings) {
    m_Bm.Confirm();
  } else {
    ApplySetting();
    PlayerSayPhrase(UxPhrase::SettingDone);
    LeaveMenu(true);
  }
  return 0;
}

int AudioPlayerBase::SettingsKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) {
    g_SystemSettings.ChangeVolume(code == KEY_VOL_UP ? 1 : -1);
    ReportSystemVolume();
  } else if (code == KEY_UP || code == KEY_DOWN) {
    const int n = SettingItems();
    m_MenuItem = (m_MenuItem + (code == KEY_DOWN ? 1 : n - 1)) % n;
    m_MenuValue = SettingValue(m_MenuItem);
    ShowSetting();
  } else if (code == KEY_LEFT || code == KEY_RIGHT) {
    ChangeSetting(code == KEY_RIGHT ? 1 : -1);
    ShowSetting();
  }
  return 0;
}

// --- Bookmark menu -----------------------------------------------------------

void AudioPlayerBase::EnterBookmarkMenu() {
  m_MenuMode = MENU_BOOKMARK;
  m_Bm.Enter(m_Remembered->bookmark);
}
