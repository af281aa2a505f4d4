// The music player's keys outside its menus, and the steps left and right.
#include <cstdio>

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "power/shutdown_timers.h"
#include "core/ui/system_settings.h"
#include "players/audio_player.h"
#include "players/music_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"
#include "core/ui/settings_area.h"

namespace {
// Left or right held this many presses (the first and two repeats) runs fast.
constexpr int kFastAfterPresses = 3;
// A bookmark this close behind the position is skipped by a backward step.
constexpr int kBookmarkBackSlackMs = 2000;
}  // namespace

// Device events and the keys that leave the player are spoken over paused
// music, which resumes afterwards; kNotShared for the other keys.
int AudioPlayer::EventDown(int code) {
  switch (code) {
    case EV_BATTERY_LOW:
    case EV_AUTO_SHUTDOWN:
    case KEY_POWER_SHORT:
    case EV_IDLE_SHUTDOWN:
    case EV_RESTORE_DEFAULTS:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
    case KEY_RECORD:
    case KEY_RADIO:
      PauseForSpeech();
      return OnDefaultKeyDown(code);
    default:
      return kNotShared;
  }
}

void AudioPlayer::UpDownKeyDown(int step) {
  PauseForSpeech();
  g_AudioSettings.navMode = (g_AudioSettings.navMode + (step > 0 ? 1 : NAV_MODES - 1)) % NAV_MODES;
  MarkSettingsChanged(kMusicSettingsArea);
  SayNavMode();
}

// Left and right going down pause; held, they run fast (the presses), let
// go, they step (OnKeyUp).
void AudioPlayer::LeftRightKeyDown(int) {
  m_bUserPaused = true;
  Pause();
  m_HoldCount = 0;
  m_bFastRunning = false;
}

void AudioPlayer::PlayOn() {
  int st = m_Thread.State();
  if (st == PLAY_STATE_IDLE) {
    m_StartMs = m_EndMs = -1;
    OpenCur();
    return;
  }
  // At the end of a single file, play starts it again.
  if (st == PLAY_STATE_ENDED) m_Thread.Seek(0, 0);
  Play();
}

int AudioPlayer::NormalKeyPress(int code) {
  if (VolumeKeyPress(code) || m_bOpening || g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_LEFT:
    case KEY_RIGHT:
      if (++m_HoldCount == kFastAfterPresses && !m_bFastRunning) {
        SysTts_Stop();
        m_bUserPaused = false;
        m_bFastRunning = true;
        ClearRepeat();
        m_Thread.CmdPlay(code == KEY_LEFT ? FAST_REWIND : FAST_FORWARD);
      }
      return 0;
    default:
      return 0;
  }
}

int AudioPlayer::OnKeyUp(int code) {
  if (m_MenuMode != MENU_NONE || m_bOpening) return 0;
  if (code != KEY_LEFT && code != KEY_RIGHT) return 0;
  if (m_bFastRunning) {
    m_bFastRunning = false;
    Pause();
    Play();
  } else if (m_HoldCount > 0) {
    m_bUserPaused = false;
    StepBy(code == KEY_LEFT ? -1 : 1);
  }
  m_HoldCount = 0;
  return 0;
}

void AudioPlayer::SayInfo() {
  if (!g_pUxLanguage) return;
  char buf[512];
  const char* name = BaseNameOf(m_FullPath.c_str());
  int total = m_Thread.TotalMs() / 1000;
  int cur = m_Thread.State() == PLAY_STATE_ENDED ? total : m_Thread.CurMs() / 1000;
  if (g_pUxLanguage->GetAudioInfoString(name ? name : "", cur, total, buf, sizeof buf) > 0) PlayerSay(buf);
}

void AudioPlayer::SayNavMode() {
  int mode = g_AudioSettings.navMode;
  if (mode == NAV_BOOKMARK) {
    PlayerSayPhrase(UxPhrase::TimeJumpBookmark);
  } else if (mode == NAV_FILE) {
    PlayerSayPhrase(UxPhrase::TimeJumpFiles);
  } else if (g_pUxLanguage) {
    char buf[256];
    if (g_pUxLanguage->GetTimeJumpString(NavModeSeconds(mode), buf, sizeof buf) > 0) PlayerSay(buf);
  }
}

void AudioPlayer::StepBy(int direction) {
  switch (g_AudioSettings.navMode) {
    case NAV_FILE: {
      StoreHistory(false);
      int next = m_Cur + direction;
      if (next < 0) next = Total() - 1;
      if (next >= Total()) next = 0;
      if (StepToEntry(next) == WND_CLOSE) m_bFailed = true;
      return;
    }
    case NAV_BOOKMARK:
      StepBookmark(direction);
      return;
    default:
      StepTime(direction);
      return;
  }
}

void AudioPlayer::StepTime(int direction) {
  Pause();
  int sec = m_Thread.CurMs() / 1000 + direction * NavModeSeconds(g_AudioSettings.navMode);
  int ms = (sec < 0 ? 0 : sec) * 1000;
  printf("seek to %d S\n", ms / 1000);
  m_Thread.Seek(ms, direction < 0 ? -1 : 1);
  Play();
}

void AudioPlayer::StepBookmark(int direction) {
  Pause();
  if (m_BmMs.empty()) {
    PlayerSayPhrase(UxPhrase::NoBookmarks);
    m_bResumeAfterTts = true;
    return;
  }
  const int cur = m_Thread.CurMs();
  if (direction < 0) {
    int target = -1;
    for (int ms : m_BmMs) {
      if (ms < cur - kBookmarkBackSlackMs) target = ms;
    }
    if (target > 0) {
      SeekAndPlay(target, -1);
    } else {
      printf("seek to %d S\n", 0);
      m_Thread.Seek(0, -1);
      PlayerSayPhrase(UxPhrase::BeginningOfFile);
      m_bResumeAfterTts = true;
    }
    return;
  }
  for (int ms : m_BmMs) {
    if (ms > cur) {
      SeekAndPlay(ms, 1);
      return;
    }
  }
  printf("seek to %d S\n", m_Thread.TotalMs() / 1000);
  m_Thread.Seek(m_Thread.TotalMs(), 1);
  PlayerSayPhrase(UxPhrase::EndOfFile);
  m_bResumeAfterTts = true;
}
