// The music player: creation, the list, opening files, the tick and closing.
#include "players/audio_player.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/diag.h"
#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "audio/audio_files.h"
#include "players/m3u.h"
#include "players/music_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "players/browser_listing.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

AudioPlayer::~AudioPlayer() = default;

int CreateAudioPlayer(const char* dir, const char* name, int start_ms, int end_ms) {
  if (!dir || !name) return -1;
  AudioPlayer* w = PushNewWindow<AudioPlayer>();
  if (!w) return -2;
  MusicPlayThread().SetRepeat(-1, -1);
  if (w->Open(dir, name, start_ms, end_ms) != 0) DIAG("AudioPlayer::Open(%s, %s) failed", dir, name);
  return 0;
}

int AudioPlayer::LoadM3u(const char* path) {
  m_List.clear();
  int r = LoadM3uFile(path, &m_List);
  if (m_List.size() > static_cast<size_t>(kMaxFolderFiles)) m_List.resize(kMaxFolderFiles);
  return r;
}

int AudioPlayer::LoadBmMs() {
  m_BmMs.clear();
  int idx = g_bookmark.Find(EM_BM_MUSIC, m_FullPath.c_str());
  if (idx < 0) return 0;
  auto* item = static_cast<MusicBmFileItem*>(g_bookmark.GetAt(idx));
  if (!item || item->Type() != EM_BM_MUSIC) return 0;
  for (int i = 0; i < item->GetCount() && i < BM_MAX_ITEMS; ++i) {
    if (MusicBmItem* bm = item->GetAt(i)) m_BmMs.push_back(bm->startMs);
  }
  std::sort(m_BmMs.begin(), m_BmMs.end());
  return static_cast<int>(m_BmMs.size());
}

std::string AudioPlayer::EntryPath(int index) const {
  if (index < 0 || index >= Total()) return std::string();
  return m_IsPlayList ? m_List[index] : m_Dir + m_List[index];
}

int AudioPlayer::Open(const char* dir, const char* name, int start_ms, int end_ms) {
  if (!dir || !name) return -1;
  m_Dir = WithSlash(dir);
  if (m_Dir.size() > kMaxDirPath || m_Dir.size() + strlen(name) >= kMaxFullPath) {
    m_bFailed = true;
    return -1;
  }
  m_IsPlayList = IsPlayListName(name) != 0;
  m_Cur = 0;
  if (m_IsPlayList) {
    LoadM3u((m_Dir + name).c_str());
  } else {
    ListFolderAudioFiles(m_Dir, &m_List);
    for (int i = 0; i < Total(); ++i) {
      if (strcasecmp(m_List[i].c_str(), name) == 0) {
        m_Cur = i;
        break;
      }
    }
  }
  printf("m_Total = %d, m_Cur = %d\n", Total(), m_Cur);
  if (Total() == 0) {
    PlayerSayPhrase(UxPhrase::NoMusicFiles);
    m_bFailed = true;
    return -1;
  }
  if (m_Thread.Start(&PlayersBackend()) != 0) {
    m_bFailed = true;
    return -1;
  }
  m_StartMs = start_ms;
  m_EndMs = end_ms;
  return OpenCur();
}

// Opens the current entry on the play thread; the tick finishes the open.
int AudioPlayer::OpenCur() {
  m_FullPath = EntryPath(m_Cur);
  if (m_FullPath.empty() || m_FullPath.size() >= kMaxFullPath) {
    m_bFailed = true;
    return -1;
  }
  LoadBmMs();
  m_Thread.CmdStop();
  m_bOpening = true;
  m_bFastRunning = false;
  return m_Thread.CmdOpen(m_FullPath) == 0 ? 0 : -1;
}

int AudioPlayer::StepToEntry(int index) {
  m_Thread.CmdStop();
  ClearRepeat();
  m_Cur = index;
  m_StartMs = m_EndMs = -1;
  if (OpenCur() != 0) return WND_CLOSE;
  return 0;
}

void AudioPlayer::StoreHistory(bool atStart) {
  if (m_FullPath.empty()) return;
  int ms = atStart || m_bEnded || m_Thread.State() == PLAY_STATE_ENDED ? 0 : m_Thread.CurMs();
  g_History.AddMusic(m_FullPath.c_str(), ms < 0 ? 0 : ms);
}

void AudioPlayer::CloseDown() {
  if (!m_bFailed && !m_FullPath.empty() && !m_bOpening) StoreHistory(false);
  m_Thread.CmdStop();
  m_Thread.SetRepeat(-1, -1);
  if (!m_FullPath.empty()) SelectInBrowserListing(m_FullPath.c_str());
}

// --- Playback control ------------------------------------------------------

void AudioPlayer::SeekAndPlay(int ms, int direction) {
  Pause();
  printf("seek to %d S\n", ms / 1000);
  m_Thread.Seek(ms, direction);
  Play();
}

void AudioPlayer::StartRepeat(int startMs, int endMs) {
  m_RepeatStart = startMs;
  m_RepeatEnd = endMs;
  m_Thread.SetRepeat(startMs, endMs);
}

void AudioPlayer::ClearRepeat() { StartRepeat(-1, -1); }

// --- Tick --------------------------------------------------------------------

int AudioPlayer::FinishOpen() {
  m_bOpening = false;
  m_bEnded = false;
  m_OpenFailures = 0;
  m_Streams = PlayersBackend().StreamCount();
  if (m_StartMs < 0) {
    if (g_SystemSettings.music_resume_play) {
      int idx = g_History.Find(EM_HISTORY_MUSIC, m_FullPath.c_str());
      HistoryItem* h = idx >= 0 ? g_History.GetAt(idx) : nullptr;
      if (h && h->ms > 0) m_Thread.Seek(h->ms, 0);
    }
  } else {
    m_Thread.Seek(m_StartMs, 0);
    if (m_EndMs >= 0) StartRepeat(m_StartMs, m_EndMs);
  }
  m_StartMs = m_EndMs = -1;
  SysTts_Stop();
  if (!m_bUserPaused) m_Thread.CmdPlay(FAST_NONE);
  return 0;
}

// A file that cannot be opened is announced; in the modes that go through
// the list the next entry follows once the message has been spoken, so one
// damaged file does not stop the music. When nothing in the list opens, the
// player stays and waits for the user.
int AudioPlayer::OpenFailed() {
  const int failures = NoteOpenFailure();
  int mode = g_AudioSettings.mode;
  if (failures >= Total() || mode == PLAY_MODE_SINGLE || mode == PLAY_MODE_REPEAT_ONE) {
    m_bUserPaused = true;
    return 0;
  }
  int next = m_Cur + 1;
  if (mode == PLAY_MODE_SHUFFLE) {
    next = rand() % Total();
  } else if (next >= Total()) {
    if (mode == PLAY_MODE_NORMAL) {
      CloseDown();
      return WND_CLOSE;
    }
    next = 0;
  }
  m_bResumeAfterTts = true;  // let the message be heard before the next file plays
  return StepToEntry(next);
}

int AudioPlayer::EndOfFile() {
  switch (g_AudioSettings.mode) {
    case PLAY_MODE_SINGLE:
      m_bUserPaused = true;
      PlayerSayPhrase(UxPhrase::FileEnd);
      return 0;
    case PLAY_MODE_REPEAT_ONE:
      m_Thread.Seek(0, 0);
      Play();
      return 0;
    default:
      break;
  }
  StoreHistory(true);
  m_bEnded = true;
  int next = m_Cur + 1;
  if (g_AudioSettings.mode == PLAY_MODE_SHUFFLE) {
    next = rand() % Total();
  } else if (next >= Total()) {
    if (g_AudioSettings.mode == PLAY_MODE_NORMAL) {
      CloseDown();
      return WND_CLOSE;
    }
    next = 0;
  }
  return StepToEntry(next);
}
