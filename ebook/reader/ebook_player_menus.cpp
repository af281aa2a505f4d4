// The reader's settings menu: go to page, go to heading, voice, speed,
// background music volume and track, quieter reading and, for a narrated
// EPUB, playing its narration in the DAISY player.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "players/kit/player_common.h"
#include "browser/openers.h"
#include "core/ui/keypad_idle.h"
#include "daisy/narrated_landing.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/reader/ebook_settings.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum {
  SET_GOTO_PAGE = 0,
  SET_GOTO_HEADING = 1,
  SET_VOICE = 2,
  SET_SPEED = 3,
  SET_MUSIC_VOLUME = 4,
  SET_MUSIC_TRACK = 5,
  SET_QUIET = 6,
  SET_ITEMS = 7,
  SET_NARRATION = SET_ITEMS,  // offered for a narrated book only
};

int Wrap(int v, int lo, int hi) {
  if (hi < lo) return lo;
  const int n = hi - lo + 1;
  return lo + (((v - lo) % n) + n) % n;
}

}  // namespace

int g_EbookMenuIndex = 0;
int g_EbookBookmarkMenuIndex = 0;

void EbookPlayer::ResetRememberedMenuItems() {
  g_EbookMenuIndex = 0;
  g_EbookBookmarkMenuIndex = 0;
}

namespace {

// The settings behind the items after go to page and go to heading.
int EbookSettings::* const kItemSetting[SET_ITEMS - SET_VOICE] = {
    &EbookSettings::role, &EbookSettings::speed, &EbookSettings::background_music_volume,
    &EbookSettings::background_music_file_select, &EbookSettings::quiet_reading};

int ItemValue(int item) {
  if (item < SET_VOICE || item >= SET_ITEMS) return -1;  // go to page/heading: no number entered yet
  return g_EbookSettings.*kItemSetting[item - SET_VOICE];
}

}  // namespace

int EbookPlayer::SettingsItems() const { return m_bNarrated ? SET_NARRATION + 1 : SET_ITEMS; }

void EbookPlayer::EnterSettingsMenu() {
  m_bInSettingsMenu = true;
  m_bInBookmarkMenu = false;
  m_MenuItem = std::clamp(g_EbookMenuIndex, 0, SettingsItems() - 1);
  m_MenuValue = ItemValue(m_MenuItem);
  ShowSettingsItem();
}

void EbookPlayer::ShowSettingsItem() {
  char buf[512];
  const int v = m_MenuValue;
  switch (m_MenuItem) {
    case SET_GOTO_PAGE:
    case SET_GOTO_HEADING:
      if (v < 0) {
        SayPhrase(m_MenuItem == SET_GOTO_PAGE ? UxPhrase::GoToPage : UxPhrase::GoToHeading);
      } else {
        snprintf(buf, sizeof buf, "%d", v);
        Say(buf);
      }
      return;
    case SET_VOICE: {
      std::string text = PhraseText(UxPhrase::Voice) + ": ";
      if (v < 0) {
        text += PhraseText(UxPhrase::System);
      } else {
        const char* des = Tts_GetRoleDes(v);
        text += des ? des : "";
      }
      Say(text);
      return;
    }
    case SET_SPEED:
      if (g_pUxLanguage && g_pUxLanguage->GetReadSpeedString(v, buf, sizeof buf) > 0) Say(buf);
      return;
    case SET_MUSIC_VOLUME:
      if (g_pUxLanguage && g_pUxLanguage->GetBgMusicVolumeString(v, 10 - v, buf, sizeof buf) > 0) Say(buf);
      return;
    case SET_NARRATION:
      SayPhrase(UxPhrase::PlayNarration);
      return;
    case SET_QUIET:
      Say(PhraseText(UxPhrase::QuietReading) + ": " + PhraseText(v ? UxPhrase::Enable : UxPhrase::Disable));
      return;
    default:
      snprintf(buf, sizeof buf, " %02d", v);
      Say(PhraseText(UxPhrase::SelectBackgroundMusic) + buf);
      return;
  }
}

int EbookPlayer::SettingsKeyDown(int code) {
  if (code == EV_RESTORE_DEFAULTS) {
    SysTts_Stop();
    m_bInSettingsMenu = false;
    return RestoreDefaults();
  }
  if (!IsMenuKey(code, {KEY_BOOKMARK})) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  switch (code) {
    case KEY_PLAY:
      if (m_MenuItem == SET_NARRATION) return PlayNarration();
      SettingsOk();
      return 0;
    case KEY_BACK:
    case KEY_MENU:
      if ((m_MenuItem == SET_GOTO_PAGE || m_MenuItem == SET_GOTO_HEADING) && m_MenuValue >= 0) {
        m_MenuValue = -1;
        ShowSettingsItem();
        return 0;
      }
      g_EbookMenuIndex = m_MenuItem;
      LeaveMenu();
      return 0;
    case KEY_BOOKMARK:
      g_EbookMenuIndex = m_MenuItem;
      EnterBookmarkMenu();
      return 0;
    default:
      return 0;  // moves and changes come with the press
  }
}

int EbookPlayer::SettingsKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      m_MenuItem = Wrap(m_MenuItem + (code == KEY_DOWN ? 1 : -1), 0, SettingsItems() - 1);
      m_MenuValue = ItemValue(m_MenuItem);
      ShowSettingsItem();
      return 0;
    case KEY_LEFT:
    case KEY_RIGHT:
      SettingsChange(code == KEY_RIGHT ? 1 : -1);
      return 0;
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return OnDefaultKeyPress(code);
    default:
      return 0;
  }
}

void EbookPlayer::SettingsChange(int delta) {
  switch (m_MenuItem) {
    case SET_NARRATION:
      SysTts_Beep(8);  // nothing to change: play opens the narration
      return;
    case SET_GOTO_PAGE:
    case SET_GOTO_HEADING: {
      int total = 0;
      WithEbook([&](iCEbook* b) {
        if (b) total = m_MenuItem == SET_GOTO_PAGE ? b->GetTotalPages() : b->GetTotalHeadings();
      });
      if (total <= 0) {
        if (m_MenuItem == SET_GOTO_HEADING) {
          SayPhrase(UxPhrase::NoSuchHeading);
          return;
        }
        m_MenuValue = 0;
      } else {
        // Left from no number goes round to the last one.
        int v = std::max(m_MenuValue, 0) + delta;
        m_MenuValue = v < 1 ? total : v > total ? 1 : v;
      }
      break;
    }
    case SET_VOICE:
      m_MenuValue = Wrap(m_MenuValue + delta, -1, Tts_GetTotalRoles() - 1);
      break;
    case SET_SPEED:
      m_MenuValue = std::clamp(m_MenuValue + delta, c_EbookMinSpeed, c_EbookMaxSpeed);
      break;
    case SET_MUSIC_VOLUME:
      m_MenuValue = std::clamp(m_MenuValue + delta, 0, c_EbookMaxMusicVolume);
      break;
    case SET_QUIET:
      m_MenuValue = m_MenuValue ? 0 : 1;
      break;
    default:
      m_MenuValue = Wrap(m_MenuValue + delta, 1, c_EbookMusicTracks);
      break;
  }
  ShowSettingsItem();
}

void EbookPlayer::SettingsOk() {
  char buf[256];
  g_EbookMenuIndex = m_MenuItem;
  const int v = m_MenuValue;
  switch (m_MenuItem) {
    case SET_GOTO_PAGE:
    case SET_GOTO_HEADING: {
      const bool page = m_MenuItem == SET_GOTO_PAGE;
      if (v < 0) {
        m_MenuValue = 0;
        ShowSettingsItem();
        return;
      }
      int total = 0;
      WithEbook([&](iCEbook* b) {
        if (b) total = page ? b->GetTotalPages() : b->GetTotalHeadings();
      });
      const int target = std::max(v, 1);
      if (!page && target > total) {
        SayPhrase(UxPhrase::NoSuchHeading);
        return;
      }
      CmdStop();
      EbookSetPlayMode(EB_PLAY_BOOK);
      m_WordStart = m_WordEnd = 0;
      m_SentencePlace = -1;
      EbookSetLanding();
      WithEbook([&](iCEbook* b) {
        if (!b) return;
        if (page)
          b->SeekToPage(target - 1);
        else
          b->SeekToHeading(target - 1);
      });
      // "going to page %d" / "going to heading %d"
      if (g_pUxLanguage && g_pUxLanguage->GetString_Int(page ? 1 : 2, target, buf, sizeof buf) > 0) Say(buf);
      m_MenuValue = -1;
      LeaveMenu();
      return;
    }
    case SET_VOICE:
      // Player speech is quiet while its voice changes: stop, not pause.
      CmdStop();
      g_EbookSettings.role = v;
      ApplyVoice();
      break;
    case SET_SPEED:
      CmdStop();
      g_EbookSettings.speed = v;
      ApplySpeed();
      break;
    case SET_MUSIC_VOLUME:
      g_EbookSettings.background_music_volume = v;
      m_MusicVolume = v;
      BgMusic_SetVolume(v);
      if (v <= 0)
        CloseMusic();
      else if (!m_bMusicOn)
        OpenMusic();
      break;
    case SET_QUIET:
      g_EbookSettings.quiet_reading = v;
      EbookSetQuietReading(v != 0);
      break;
    default:
      g_EbookSettings.background_music_file_select = v;
      if (m_bMusicOn) OpenMusic();
      break;
  }
  EbookSettingsChanged();
  SayPhrase(UxPhrase::SettingDone);
  LeaveMenu();
}

// Closes the reader and plays the book in the DAISY player, which looks for
// the text of the sentence being read from the start of its heading.
int EbookPlayer::PlayNarration() {
  g_EbookMenuIndex = m_MenuItem;
  m_bInSettingsMenu = false;
  CmdStop();
  libDaisy::NarratedLanding landing;
  landing.path = m_Path;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    landing.heading = b->GetCurHeading();
    const int here = b->GetCurPlace();
    b->SeekToSentence(b->GetCurSentence());
    unsigned short text[64];
    int n = b->GetUnicodeAt(b->GetCurPlace(), text, 64, nullptr);
    landing.text = libDaisy::LandingText(text, n > 0 ? n : 0);
    b->SeekToPlace(here);
  });
  const size_t slash = m_Path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : m_Path.substr(0, slash);
  const std::string name = slash == std::string::npos ? m_Path : m_Path.substr(slash + 1);
  CloseDown();
  libDaisy::SetNarratedLanding(std::move(landing));
  if (OpenWith(OPEN_DAISY, folder.c_str(), name.c_str()) != 0) SayPhrase(UxPhrase::FileNotSupported);
  // A player that did not take the landing leaves none behind for a later open.
  libDaisy::NarratedLanding dropped;
  libDaisy::TakeNarratedLanding(m_Path, &dropped);
  return WND_CLOSE;
}

void EbookPlayer::LeaveMenu() {
  m_bInSettingsMenu = false;
  m_bInBookmarkMenu = false;
  m_Bm.CloseList();
  // Reading resumes once the menu's last words are spoken, unless the user
  // had paused it.
  m_bPromptPending = true;
}
