// The audio book player: building the book, opening its files, the tick and
// the keys outside the menus.
#include "players/browser_listing.h"
#include "players/audiobook_player.h"

#include <cstdio>
#include <new>

#include "core/base/diag.h"
#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/settings_area.h"
#include "power/shutdown_timers.h"
#include "core/ui/system_settings.h"
#include "players/audiobook_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "positions/history.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

AudioBookPlayer::~AudioBookPlayer() = default;

int CreateAudioBookPlayer(const char* folder, const char* position) {
  if (!folder) return -1;
  AudioBookPlayer* w = PushNewWindow<AudioBookPlayer>();
  if (!w) return -2;
  AudioBookPlayThread().SetRepeat(-1, -1);
  if (w->Open(folder, position) != 0) DIAG("AudioBookPlayer::Open(%s) failed", folder);
  return 0;
}

int AudioBookPlayer::Open(const char* folder, const char* position) {
  if (!folder) return -1;
  m_Folder = WithSlash(folder);
  if (m_Folder.size() > kMaxDirPath || m_Thread.Start(&PlayersBackend()) != 0) {
    m_bFailed = true;
    return -1;
  }
  m_Thread.CmdStop();  // the decoder must be free to measure the files
  ListFolderAudioFiles(m_Folder, &m_Names);
  ReadTagsAndOrder();
  std::vector<int> durations;
  for (const std::string& name : m_Names) {
    int ms = PlayersBackend().DurationMs((m_Folder + name).c_str());
    durations.push_back(ms > 0 ? ms : 0);
  }
  m_Timeline.SetDurations(durations);
  if (m_Names.empty()) {
    PlayerSayPhrase(UxPhrase::NoMusicFiles);
    m_bFailed = true;
    return -1;
  }
  BookStart start = ResolveBookPosition(m_Timeline, position, false);
  m_Seg = start.segment;
  return OpenFile(start.file, start.startMs);
}

// Stops the thread and opens file `index`, to start at `startMs` (-1: its
// start). The segment's end file gets the segment's end as stop point.
int AudioBookPlayer::OpenFile(int index, int startMs) {
  if (index < 0 || index >= FileCount()) return -1;
  std::string path = m_Folder + m_Names[index];
  if (path.size() >= kMaxFullPath) {
    m_bFailed = true;
    return -1;
  }
  m_Thread.CmdStop();
  m_Cur = index;
  m_FullPath = path;
  m_StartMs = startMs;
  ApplySegmentStopPoint(index);
  m_bOpening = true;
  return m_Thread.CmdOpen(m_FullPath) == 0 ? 0 : -1;
}

void AudioBookPlayer::ApplySegmentStopPoint(int index) {
  m_Thread.SetRepeat(-1, m_Seg.Active() && index == m_Seg.endFile ? m_Seg.endMs : -1);
}

std::string AudioBookPlayer::FolderKey() const {
  std::string f = m_Folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

int AudioBookPlayer::CurMs() {
  if (m_bOpening) return m_StartMs > 0 ? m_StartMs : 0;
  if (m_Thread.State() == PLAY_STATE_ENDED) return m_Thread.TotalMs();
  return m_Thread.CurMs();
}

BookTimeInfo AudioBookPlayer::GetCurTimeInfo() { return m_Timeline.GetCurTimeInfo(m_Cur, CurMs()); }

std::string AudioBookPlayer::PositionText() { return FormatBookPosition(GetCurTimeInfo()); }

void AudioBookPlayer::StoreHistory() {
  g_History.AddAudioBook(FolderKey().c_str(), PositionText().c_str());
}

void AudioBookPlayer::CloseDown() {
  if (!m_bFailed && FileCount() > 0) StoreHistory();
  m_Thread.CmdStop();
  m_Thread.SetRepeat(-1, -1);
}

void AudioBookPlayer::StorePlace() {
  if (FileCount() > 0) StoreHistory();
}

int AudioBookPlayer::FinishOpen() {
  m_bOpening = false;
  m_OpenFailures = 0;
  if (m_StartMs >= 0) {
    printf("seek to %d S\n", m_StartMs / 1000);
    m_Thread.Seek(m_StartMs, 0);
  }
  m_StartMs = -1;
  SysTts_Stop();
  if (!m_bUserPaused) m_Thread.CmdPlay(FAST_NONE);
  return 0;
}

// A damaged part is announced and the book goes on with the next part once
// the message has been spoken; at the last part (or when no part opens) the
// player waits for the user.
int AudioBookPlayer::OpenFailed() {
  if (NoteOpenFailure() >= FileCount() || m_Cur + 1 >= FileCount()) {
    m_bUserPaused = true;
    return 0;
  }
  m_bResumeAfterTts = true;
  OpenFile(m_Cur + 1, -1);
  return 0;
}

int AudioBookPlayer::EndOfFile() {
  const int last = FileCount() - 1;
  if (!m_Seg.Active()) {
    if (m_Cur >= last) {
      m_bUserPaused = true;
      PlayerSayPhrase(UxPhrase::FileEnd);
      return 0;
    }
    OpenFile(m_Cur + 1, -1);
    return 0;
  }
  // A highlight plays in a loop until the user leaves it.
  if (m_Cur < m_Seg.endFile && m_Cur < last) {
    OpenFile(m_Cur + 1, -1);
  } else if (m_Cur == m_Seg.startFile) {
    ApplySegmentStopPoint(m_Cur);
    m_Thread.Seek(m_Seg.startMs, 0);
    Play();
  } else {
    OpenFile(m_Seg.startFile, m_Seg.startMs);
  }
  return 0;
}

void AudioBookPlayer::SayInfo() {
  if (!g_pUxLanguage) return;
  BookTimeInfo i = GetCurTimeInfo();
  char buf[512];
  if (g_pUxLanguage->GetAudioInfoString("", i.bookSec, i.totalSec, buf, sizeof buf) > 0)
    PlayerSay(buf + TimeLeftText());
}

// --- Keys ----------------------------------------------------------------

int AudioBookPlayer::EventDown(int code) {
  switch (code) {
    case EV_BATTERY_LOW:
      PauseForSpeech();
      return OnDefaultKeyDown(code);
    case KEY_POWER_SHORT:
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
      PauseForSpeech();
      return WND_PASS_DOWN;
    case EV_RESTORE_DEFAULTS:
      g_bKeyBoardLocked = false;
      PauseForSpeech();
      SetAllToDefault();
      return 0;
    case EV_CHARGING_DONE:
      PauseForSpeech();
      ReportChargingFinished();
      return 0;
    case EV_TIME_ANNOUNCE:
      PauseForSpeech();
      ReportSystemTime();
      return 0;
    case EV_KEYPAD_UNLOCKED:
      PauseForSpeech();
      ReportKeyBoardUnLock();
      return 0;
    default:
      return kNotShared;
  }
}

int AudioBookPlayer::LockedKeyDown(int) {
  ReportKeyBoardLock();
  return 0;
}

int AudioBookPlayer::OtherKeyDown(int code) {
  if (code == KEY_RADIO || code == KEY_RECORD) return code;  // the root opens the radio or the recorder
  return OnDefaultKeyDown(code);
}

void AudioBookPlayer::UpDownKeyDown(int step) {
  if (!StepChapter(step)) StepFile(step);
}

void AudioBookPlayer::PlayOn() {
  if (m_Thread.State() == PLAY_STATE_IDLE)
    OpenFile(m_Cur, -1);
  else
    Play();
}

int AudioBookPlayer::NormalKeyPress(int code) {
  if (VolumeKeyPress(code) || m_bOpening || m_bFailed || g_bKeyBoardLocked) return 0;
  if (code == KEY_LEFT || code == KEY_RIGHT) {
    m_bUserPaused = false;
    Pause();
    Jump(code == KEY_RIGHT ? 1 : -1);
  }
  return 0;
}

void AudioBookPlayer::Jump(int direction) {
  const int step = AudioBookStepSeconds(g_AudioBookSettings.step);
  const int t = CurMs() / 1000;
  BookPlace p = direction < 0 ? m_Timeline.StepBackward(m_Cur, t, step)
                              : m_Timeline.StepForward(m_Cur, t, step);
  if (p.file == m_Cur) {
    printf("seek to %d S\n", p.ms / 1000);
    m_Thread.Seek(p.ms, -1);
    Play();
  } else {
    OpenFile(p.file, p.ms);
  }
}
