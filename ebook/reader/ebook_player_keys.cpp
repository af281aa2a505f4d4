// The reader's keys outside its menus, and the moves left and right.
#include <algorithm>

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/settings_area.h"
#include "power/shutdown_timers.h"
#include "core/ui/system_settings.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/reader/ebook_settings.h"
#include "platform/board.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

int EbookPlayer::OnKeyDown(int code) {
  if (m_bInSettingsMenu) return SettingsKeyDown(code);
  if (m_bInBookmarkMenu) return BookmarkKeyDown(code);
  if (m_FindKeys.Entering()) return m_FindKeys.EntryKeyDown(this, code);
  if (m_bOpening) {
    return KeyWhileOpening(this, code, [this] { CloseDown(); }, [this] {
      SayPhrase(UxPhrase::OpeningFilePleaseWait);
      m_bPromptPending = true;
    });
  }
  SysTts_Stop();
  if (m_bOpenFailed) {
    if (code == EV_BATTERY_LOW) {
      ReportBatLowShutDownLeftTime();
      return WND_CLOSE;
    }
    if (code == EV_AUTO_SHUTDOWN || code == EV_IDLE_SHUTDOWN) return WND_CLOSE_PASS_DOWN;
    return WND_CLOSE;
  }
  return PlayerKeyDown(code);
}

int EbookPlayer::EventDown(int code) {
  switch (code) {
    case EV_RESTORE_DEFAULTS:
      return RestoreDefaults();
    case EV_BATTERY_LOW:
    case KEY_POWER_SHORT:
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
    case KEY_RECORD:
    case KEY_MUSIC:
    case KEY_RADIO:
      PauseForPrompt();
      return OnDefaultKeyDown(code);
    default:
      return kNotShared;
  }
}

bool EbookPlayer::VolumeSpoken() {
  return m_bUserPaused || m_bOpening || EbookState() != EB_STATE_READING;
}

void EbookPlayer::PauseForMenu() {
  if (!m_bUserPaused) Pause();
}

void EbookPlayer::UpDownKeyDown(int step) {
  PauseForPrompt();
  ChangeNavMode(step);
}

void EbookPlayer::LeftRightKeyDown(int step) {
  m_bUserPaused = false;
  m_bPromptPending = false;
  CmdStop();
  Move(step);
}

void EbookPlayer::PlayKeyDown() {
  if (EbookPlayMode() != EB_PLAY_BOOK) {
    CmdStop();
    EbookSetPlayMode(EB_PLAY_BOOK);
    m_WordStart = m_WordEnd = 0;
    m_bUserPaused = false;
    m_bPromptPending = false;
    CmdPlay();
  } else if (m_bUserPaused) {
    m_bUserPaused = false;
    Resume();
  } else {
    m_bUserPaused = true;
    Pause();
    SayPhrase(UxPhrase::Pause);
  }
}

int EbookPlayer::OnKeyPress(int code) {
  if (m_bInSettingsMenu) return SettingsKeyPress(code);
  if (m_bInBookmarkMenu) return BookmarkKeyPress(code);
  if (m_FindKeys.Entering()) return m_FindKeys.EntryKeyPress(this, code);
  if (!m_bOpenFailed) VolumeKeyPress(code);
  return 0;
}

int EbookPlayer::OnKeyUp(int code) {
  m_FindKeys.KeyUp(code);
  return 0;
}

int EbookPlayer::RestoreDefaults() {
  CmdStop();
  g_bKeyBoardLocked = false;
  SetAllToDefault();
  Tts_SetSpeed(TTS_CHANNEL_PLAYER, 0);
  Tts_SetPitch(TTS_CHANNEL_PLAYER, 0);
  Tts_SetEffect(TTS_CHANNEL_PLAYER, 0);
  ApplyVoice();
  EbookSetQuietReading(g_EbookSettings.quiet_reading != 0);
  m_MusicVolume = g_EbookSettings.background_music_volume;
  if (m_MusicVolume <= 0) CloseMusic();
  BgMusic_SetVolume(m_MusicVolume);
  m_bPromptPending = true;
  return 0;
}

void EbookPlayer::ChangeNavMode(int delta) {
  if (m_LevelDepth < 0) {
    // A book still being read offers the levels read so far (reading it all
    // first would keep the key waiting); deeper ones join on a later press.
    int depth = 0;
    bool settled = true;
    WithEbook([&](iCEbook* b) {
      settled = !b || b->Settled();
      depth = !b ? 0 : settled ? b->GetLevelDepth() : b->LevelDepthSoFar();
    });
    SetNavModes(depth);
    // The current mode keeps its place in the longer list.
    auto at = std::find(m_NavModes.begin(), m_NavModes.end(), m_NavMode);
    if (at != m_NavModes.end()) m_NavModeIndex = static_cast<int>(at - m_NavModes.begin());
    if (!settled) m_LevelDepth = -1;
  }
  if (m_NavModes.empty()) return;
  const int n = static_cast<int>(m_NavModes.size());
  m_NavModeIndex = ((m_NavModeIndex + delta) % n + n) % n;
  m_NavMode = m_NavModes[m_NavModeIndex];
  SayPhrase(g_EbpNavModeDesList[m_NavMode]);
}

void EbookPlayer::SeekPagePlace(int page, int place) {
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    if (place > 0)
      b->SeekToPlace(place);
    else
      b->SeekToPage(page);
  });
}

void EbookPlayer::Move(int direction) {
  // Where the user moves to is read whole, notes too.
  EbookSetLanding();
  if (m_NavMode == EB_NAV_WORD || m_NavMode == EB_NAV_SPELL) {
    MoveWord(direction);
    return;
  }
  if (m_NavMode == EB_NAV_LETTER) {
    MoveLetter(direction);
    return;
  }
  m_WordStart = m_WordEnd = 0;
  m_SentencePlace = -1;
  EbookSetPlayMode(EB_PLAY_BOOK);
  const bool back = direction < 0;
  switch (m_NavMode) {
    case EB_NAV_TEN_PERCENT:
      MovePercent(direction, 10);
      break;
    case EB_NAV_ONE_PERCENT:
      MovePercent(direction, 100);
      break;
    case EB_NAV_BOOKMARK:
      MoveBookmark(direction);
      break;
    default:
      WithEbook([&](iCEbook* b) {
        if (!b) return;
        switch (m_NavMode) {
          case EB_NAV_PAGE:
            back ? b->SeekToLastPage() : b->SeekToNextPage();
            break;
          case EB_NAV_PARAGRAPH:
            back ? b->SeekToLastParagraph() : b->SeekToNextParagraph();
            break;
          case EB_NAV_SENTENCE:
            back ? b->SeekToLastSentence() : b->SeekToNextSentence();
            break;
          default: {
            int level = m_NavMode - EB_NAV_LEVEL1 + 1;
            if (level >= 1 && level <= 9) back ? b->SeekToLastHeading(level) : b->SeekToNextHeading(level);
            break;
          }
        }
      });
      break;
  }
  // A prompt about the edge is heard first; the tick resumes after it.
  if (!m_bPromptPending) CmdPlay();
}

void EbookPlayer::MovePercent(int direction, int divisor) {
  bool atStart = false;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    const int step = b->GetTotalPages() / divisor;
    const int cur = b->GetCurPage();
    if (direction < 0) {
      if (cur <= 0) {
        b->SeekToPage(0);
        atStart = true;
      } else if (step < 2) {
        b->SeekToLastPage();
      } else {
        b->SeekToPage(std::max(cur - step, 0));
      }
    } else if (step < 1) {
      b->SeekToNextPage();
    } else {
      b->SeekToPage(std::max(cur, 0) + step);
    }
  });
  if (atStart) {
    SayPhrase(UxPhrase::BeginningOfFile);
    m_bPromptPending = true;
  }
}

void EbookPlayer::MoveBookmark(int direction) {
  if (m_BmPlaces.empty()) {
    SayPhrase(UxPhrase::NoBookmarks);
    m_bPromptPending = true;
    return;
  }
  std::pair<int, int> cur{0, 0};
  int pages = 0;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    cur = {b->GetCurPage(), b->GetCurPlace()};
    pages = b->GetTotalPages();
  });
  if (direction < 0) {
    auto it = std::lower_bound(m_BmPlaces.begin(), m_BmPlaces.end(), cur);
    if (it == m_BmPlaces.begin()) {
      SeekPagePlace(0, 0);
      SayPhrase(UxPhrase::BeginningOfFile);
      m_bPromptPending = true;
      return;
    }
    --it;
    SeekPagePlace(it->first, it->second);
    return;
  }
  auto it = std::upper_bound(m_BmPlaces.begin(), m_BmPlaces.end(), cur);
  if (it == m_BmPlaces.end())
    SeekPagePlace(pages, 0);  // past the last page: the end of the book
  else
    SeekPagePlace(it->first, it->second);
}
