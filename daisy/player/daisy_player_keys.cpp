// The DAISY player's keys outside its menus, and the moves left and right.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "daisy/daisy.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

bool OnCard(const std::string& path) { return path.compare(0, 13, "/mnt/microsd/") == 0; }

}  // namespace

int DaisyPlayer::OnKeyDown(int code) {
  if (m_bOpenFailed) {
    if (code == KEY_BACK) {
      CloseDown();
      return WND_CLOSE;
    }
    return OnDefaultKeyDown(code);
  }
  if (m_bOpening)
    return KeyWhileOpening(this, code, [this] { CloseDown(); },
                           [] { PlayerSayPhrase(UxPhrase::OpeningFilePleaseWait); });
  if (m_bMenuMode) return MenuKeyDown(code);
  if (m_bBookmarkMode) return BookmarkKeyDown(code);
  if (m_FindKeys.Entering()) return m_FindKeys.EntryKeyDown(this, code);
  return PlayerKeyDown(code);
}

int DaisyPlayer::EventDown(int code) {
  switch (code) {
    case EV_RESTORE_DEFAULTS:
      RestoreDefaults();
      return 0;
    case EV_BATTERY_LOW:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
      // Spoken over paused playback, which resumes afterwards.
      PauseForSpeech();
      return OnDefaultKeyDown(code);
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
    case KEY_POWER_SHORT:
    case KEY_RADIO:
    case KEY_MUSIC:
    case KEY_RECORD:
      // Leaving the player (or the device): pause first, the root decides.
      if (g_bKeyBoardLocked && code != EV_AUTO_SHUTDOWN && code != EV_IDLE_SHUTDOWN &&
          code != KEY_POWER_SHORT) {
        PauseForSpeech();
        return OnDefaultKeyDown(code);
      }
      Pause();
      return OnDefaultKeyDown(code);
    case EV_SD_REMOVED:
      if (OnCard(m_FullName)) {
        // The book has gone with the card.
        CloseDown();
        return WND_CLOSE_PASS_DOWN;
      }
      PauseForSpeech();
      return WND_PASS_DOWN;
    case EV_SD_MOUNTED:
    case EV_USB_IN:
    case EV_USB_OUT:
    case EV_USB_SUSPEND:
      // The browser beneath keeps its listing and may say something.
      PauseForSpeech();
      return WND_PASS_DOWN;
    default:
      return kNotShared;
  }
}

void DaisyPlayer::PlayKeyDown() {
  m_bResumeAfterTts = false;
  m_bPaused = !m_bPaused;
  if (m_bPaused) {
    Pause();
    PlayerSayPhrase(UxPhrase::Pause);
    return;
  }
  // Play at the end of the book starts it again.
  if (m_Thread.AtEnd()) {
    Stop();
    m_Thread.SetPosition({0, 0});
  }
  Play();
}

void DaisyPlayer::UpDownKeyDown(int step) {
  PauseForSpeech();
  const int n = static_cast<int>(m_Modes.size());
  if (n > 0) m_ModeIndex = (m_ModeIndex + (step > 0 ? 1 : n - 1)) % n;
  SayMode();
}

int DaisyPlayer::OnKeyPress(int code) {
  if (m_bOpening || m_bOpenFailed) return OnDefaultKeyPress(code);
  if (m_bMenuMode) return MenuKeyPress(code);
  if (m_bBookmarkMode) return BookmarkKeyPress(code);
  if (m_FindKeys.Entering()) return m_FindKeys.EntryKeyPress(this, code);
  VolumeKeyPress(code);
  return 0;
}

int DaisyPlayer::OnKeyUp(int code) {
  m_FindKeys.KeyUp(code);
  return 0;
}

void DaisyPlayer::Move(int direction) {
  const int mode = CurMode();
  Stop();
  const DaisyBookView& b = m_Thread.View();
  const DaisyPos from = m_Thread.Position();
  DaisyPos to = from;
  std::string announce;
  if (mode >= 0 && mode < 6) {
    to = direction > 0 ? DaisyNextHeading(b, from, mode + 1) : DaisyPrevHeading(b, from, mode + 1);
    // The narration (or a text book's reading) says the heading itself.
  } else if (mode == DAISY_NAV_PAGE) {
    to = direction > 0 ? DaisyNextPage(b, from) : DaisyPrevPage(b, from);
    // An audio book's narration says the page; a text book is told it.
    bool hasPages = false;
    int p = DaisyPageAt(b, to.object);
    if (!b.HasAudio() && to.object < b.count && p >= 0 && b.pageObjects[p] == to.object)
      announce = PhraseText(UxPhrase::Page) + " " + PageLabelAt(to.object, &hasPages);
  } else if (mode == DAISY_NAV_PHRASE) {
    to = direction > 0 ? DaisyNextPhrase(b, from) : DaisyPrevPhrase(b, from);
  } else if (mode == DAISY_NAV_TIME) {
    to = DaisyTimeJump(b, from, DaisyJumpSeconds(), direction);
  } else if (mode == DAISY_NAV_BOOKMARK) {
    if (m_BmPlaces.empty()) {
      PlayerSayPhrase(UxPhrase::NoBookmarks);
      m_bResumeAfterTts = !m_bPaused;  // on from where it was
      return;
    }
    const bool audio = from.object >= 0 && from.object < b.count &&
                       b.objects[from.object].kind == libDaisy::kObjectAudio;
    bool found = direction > 0 ? DaisyNextBookmark(m_BmPlaces, from, audio, &to)
                               : DaisyPrevBookmark(m_BmPlaces, from, audio, &to);
    if (!found) to = direction > 0 ? DaisyPos{b.count, 0} : DaisyPos{0, 0};
  }
  MoveTo(to, direction, announce);
}

void DaisyPlayer::MoveTo(DaisyPos pos, int direction, const std::string& announce) {
  const DaisyBookView& b = m_Thread.View();
  const DaisyPos from = m_Thread.Position();
  printf("daisy move %d/%d -> %d/%d, %lld -> %lld ms\n", from.object, from.place, pos.object,
         pos.place, static_cast<long long>(DaisyElapsedMs(b, from)),
         static_cast<long long>(DaisyElapsedMs(b, pos)));
  // The user acts: a repeating range ends.
  m_Thread.ClearRepeat();
  m_bHighlightPlaying = false;
  // An announced page is not read a second time from its number.
  m_Thread.SetPosition(pos, announce.empty());
  if (pos.object >= b.count) {
    // Nothing further that way: stopped at the end, play starts it again.
    m_bPaused = true;
    m_bEndSaid = true;
    m_bResumeAfterTts = false;
    PlayerSayPhrase(UxPhrase::EndOfFile);
    return;
  }
  m_bPaused = false;
  if (direction < 0 && pos.object == 0 && pos.place == 0) {
    PlayerSayPhrase(UxPhrase::BeginningOfFile);
    m_bResumeAfterTts = true;
    return;
  }
  if (!announce.empty()) {
    PlayerSay(announce);
    m_bResumeAfterTts = true;
    return;
  }
  m_bResumeAfterTts = false;
  Play();
}

void DaisyPlayer::RestoreDefaults() {
  Stop();
  SetAllToDefault();  // unlocks the keypad, restores every setting and says so
  Tts_SetRole(TTS_CHANNEL_PLAYER, g_SystemSettings.tts_role);
  ApplySpeechSettings();
  m_bResumeAfterTts = true;
}
