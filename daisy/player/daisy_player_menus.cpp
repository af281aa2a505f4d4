// The DAISY player's menu mode: go to page, go to heading, speed, pitch, the
// time-jump interval, quieter reading, time left and, for a narrated EPUB,
// reading it as text in the e-book reader.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "browser/openers.h"
#include "core/ui/keypad_idle.h"
#include "daisy/daisy.h"
#include "daisy/narrated_landing.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum MenuItem { ITEM_PAGE = 0, ITEM_HEADING = 1, ITEM_SPEED = 2, ITEM_PITCH = 3, ITEM_JUMP = 4, ITEM_TIME_LEFT = 5,
                ITEM_QUIET = 6, ITEM_READ_AS_TEXT = 7 };
// The menu offers the first three intervals; a file may hold a longer one.
constexpr int kMenuJumpIndexMax = 2;
constexpr int kMaxPageNumber = 9999;

// The text of the par holding `at` (its first piece, or the piece being
// read), as UTF-16; empty when the par has none.
std::vector<uint16_t> ParText(libDaisy::Daisy* book, const DaisyBookView& v, DaisyPos at) {
  std::vector<uint16_t> units;
  if (!book || !v.objects || at.object < 0 || at.object >= v.count) return units;
  int par = at.object;
  while (par > 0 && v.objects[par].kind != libDaisy::kObjectPar && v.objects[par].kind != libDaisy::kObjectText) --par;
  for (int j = par; j < v.count && (j == par || v.objects[j].kind != libDaisy::kObjectPar); ++j) {
    const libDaisy::_DaisyObject& o = v.objects[j];
    if (o.kind != libDaisy::kObjectText || o.start < 0) continue;
    const int piece = o.start + (j == at.object && o.end > o.start + at.place ? at.place : 0);
    if (!DaisyPieceUnits(book, o, piece, &units)) units.clear();
    break;
  }
  return units;
}

bool AllDigits(const char* s) {
  if (!s || !*s) return false;
  for (; *s; ++s) {
    if (*s < '0' || *s > '9') return false;
  }
  return true;
}

int SettingOf(int item) {
  switch (item) {
    case ITEM_SPEED:
      return g_Speed;
    case ITEM_PITCH:
      return g_Pitch;
    case ITEM_JUMP:
      return g_JumpTimeIndex;
    case ITEM_QUIET:
      return g_DaisyQuietReading ? 1 : 0;
    case ITEM_TIME_LEFT:
      return g_DaisyTimeLeft ? 1 : 0;
    default:
      return 0;
  }
}

}  // namespace

// Only a narrated EPUB (the one kind of .epub this player opens) is also
// read as text.
int DaisyPlayer::MenuItems() const {
  const size_t n = m_FileName.size();
  return n > 5 && strcasecmp(m_FileName.c_str() + n - 5, ".epub") == 0 ? ITEM_READ_AS_TEXT + 1 : ITEM_READ_AS_TEXT;
}

void DaisyPlayer::EnterSettingsMenu() {
  m_bMenuMode = true;
  m_bBookmarkMode = false;
  if (g_DaisyMenuIndex < 0 || g_DaisyMenuIndex >= MenuItems()) g_DaisyMenuIndex = 0;
  m_MenuNumber.clear();
  m_MenuValue = SettingOf(g_DaisyMenuIndex);
  ShowMenuItem();
}

void DaisyPlayer::ShowMenuItem() {
  if (!g_pUxLanguage) return;
  std::string out;
  switch (g_DaisyMenuIndex) {
    case ITEM_PAGE:
    case ITEM_HEADING:
      out =
          PhraseText(g_DaisyMenuIndex == ITEM_PAGE ? UxPhrase::GoToPage : UxPhrase::GoToHeading);
      if (!m_MenuNumber.empty()) out += ", " + m_MenuNumber;
      break;
    case ITEM_SPEED:
    case ITEM_PITCH:
      out = SpeedPitchText(g_DaisyMenuIndex == ITEM_SPEED, true, m_MenuValue);
      break;
    case ITEM_READ_AS_TEXT:
      out = PhraseText(UxPhrase::ReadAsText);
      break;
    case ITEM_QUIET:
    case ITEM_TIME_LEFT:
      out = PhraseText(g_DaisyMenuIndex == ITEM_QUIET ? UxPhrase::QuietReading : UxPhrase::TimeLeftSetting) + ": " +
            PhraseText(m_MenuValue ? UxPhrase::Enable : UxPhrase::Disable);
      break;
    default: {
      int i = m_MenuValue >= 0 && m_MenuValue < kDaisyJumpTimes ? m_MenuValue : 0;
      out = CatalogueText(&iUxLanguage::GetTimeJumpIntervalString, c_DaisyJumpTimes[i]);
      break;
    }
  }
  PlayerSay(out);
}

int DaisyPlayer::MenuKeyDown(int code) {
  if (!IsMenuKey(code, {KEY_BOOKMARK})) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  if (code == KEY_PLAY && g_DaisyMenuIndex == ITEM_READ_AS_TEXT) return ReadAsText();
  if (code == KEY_PLAY) {
    MenuConfirm();
  } else if (code == KEY_BACK || code == KEY_MENU) {
    LeaveMenu(true);
  } else if (code == KEY_BOOKMARK) {
    m_bMenuMode = false;
    EnterBookmarkMenu();
  }
  return 0;  // arrows act in the press that follows
}

int DaisyPlayer::MenuKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  const int item = g_DaisyMenuIndex;
  const bool number = item == ITEM_PAGE || item == ITEM_HEADING;
  auto nextItem = [this](int delta) {
    const int items = MenuItems();
    g_DaisyMenuIndex = (g_DaisyMenuIndex + delta + items) % items;
    m_MenuNumber.clear();
    m_MenuValue = SettingOf(g_DaisyMenuIndex);
    ShowMenuItem();
  };
  if (code == KEY_UP || code == KEY_DOWN) {
    if (!number || m_MenuNumber.empty()) {
      nextItem(code == KEY_DOWN ? 1 : -1);
      return 0;
    }
    char& d = m_MenuNumber.back();
    d = static_cast<char>('0' + ((d - '0') + (code == KEY_UP ? 1 : 9)) % 10);
    PlayerSay(m_MenuNumber);
    return 0;
  }
  if (code != KEY_LEFT && code != KEY_RIGHT) return 0;
  if (item == ITEM_READ_AS_TEXT) {
    SysTts_Beep(8);  // nothing to change: play opens the reader
    return 0;
  }
  const int step = code == KEY_RIGHT ? 1 : -1;
  if (number) {
    if (step < 0) {
      if (!m_MenuNumber.empty()) m_MenuNumber.pop_back();
      if (m_MenuNumber.empty())
        ShowMenuItem();
      else
        PlayerSay(m_MenuNumber);
      return 0;
    }
    // The number may not grow past what the book can have.
    int limit = kMaxPageNumber;
    if (item == ITEM_HEADING) limit = m_Thread.View().headings;
    std::string longer = m_MenuNumber + (m_MenuNumber.empty() ? "1" : "0");
    if (atoi(longer.c_str()) > limit || longer.size() > 4) {
      SysTts_Beep(8);
      return 0;
    }
    m_MenuNumber = longer;
    PlayerSay(m_MenuNumber);
    return 0;
  }
  if (item == ITEM_QUIET || item == ITEM_TIME_LEFT) {
    m_MenuValue = !m_MenuValue;
    ShowMenuItem();
    return 0;
  }
  int lo = kDaisySpeedMin, hi = kDaisySpeedMax;
  if (item == ITEM_PITCH) lo = kDaisyPitchMin, hi = kDaisyPitchMax;
  if (item == ITEM_JUMP)
    lo = 0, hi = m_MenuValue > kMenuJumpIndexMax ? m_MenuValue : kMenuJumpIndexMax;
  int v = m_MenuValue + step;
  if (item == ITEM_JUMP && step > 0 && m_MenuValue >= kMenuJumpIndexMax) v = m_MenuValue;
  if (v < lo || v > hi) {
    SysTts_Beep(8);
    return 0;
  }
  m_MenuValue = v;
  ShowMenuItem();
  return 0;
}

void DaisyPlayer::MenuConfirm() {
  const DaisyBookView& b = m_Thread.View();
  libDaisy::Daisy* book = m_Thread.Book();
  const int item = g_DaisyMenuIndex;
  if ((item == ITEM_PAGE || item == ITEM_HEADING) && m_MenuNumber.empty()) {
    ShowMenuItem();  // nothing entered yet
    return;
  }
  const int n = atoi(m_MenuNumber.c_str());
  char buf[256];
  std::string say;
  DaisyPos to{-1, -1};
  switch (item) {
    case ITEM_PAGE: {
      if (n == 0) {
        to = {0, 0};
        say = PhraseText(UxPhrase::BeginningOfFile);
        break;
      }
      const int* objs = nullptr;
      const libDaisy::StringArray* labels = nullptr;
      int count = 0;
      if (book && book->GetPages(&objs, &labels, &count) == 0 && labels) {
        for (int p = 0; p < count && to.object < 0; ++p) {
          const char* l = labels->Get(p);
          if (objs[p] < 0 || !l) continue;
          if (m_MenuNumber == l || (AllDigits(l) && atoi(l) == n)) to = {objs[p], 0};
        }
      }
      if (to.object < 0)
        say = PhraseText(UxPhrase::PageNotFound);
      else if (g_pUxLanguage &&
               g_pUxLanguage->GetString_String(UxTextFormat::GoingToPage, m_MenuNumber.c_str(), buf, sizeof buf) > 0)
        say = buf;  // "going to page %s"
      break;
    }
    case ITEM_HEADING:
      if (n >= 1 && n <= b.headings && b.headingObjects[n - 1] >= 0) {
        to = {b.headingObjects[n - 1], 0};
        if (g_pUxLanguage && g_pUxLanguage->GetString_Int(UxIntFormat::GoingToHeading2, n, buf, sizeof buf) > 0) say = buf;
      } else {
        say = PhraseText(UxPhrase::HeadingNotFound);
      }
      break;
    default:
      Stop();
      if (item == ITEM_SPEED) g_Speed = m_MenuValue;
      if (item == ITEM_PITCH) g_Pitch = m_MenuValue;
      if (item == ITEM_JUMP) g_JumpTimeIndex = m_MenuValue;
      if (item == ITEM_QUIET) g_DaisyQuietReading = m_MenuValue != 0;
      if (item == ITEM_TIME_LEFT) g_DaisyTimeLeft = m_MenuValue != 0;
      DaisySettingsChanged();
      ApplySpeechSettings();
      say = PhraseText(UxPhrase::SettingDone);
      break;
  }
  if (to.object >= 0) {
    Stop();
    m_Thread.ClearRepeat();
    m_bHighlightPlaying = false;
    m_Thread.SetPosition(to, true);
  }
  m_bMenuMode = false;
  m_MenuNumber.clear();
  m_bPaused = false;
  PlayerSay(say);
  m_bResumeAfterTts = true;
}

// Closes this player and opens the book in the e-book reader, which looks
// for the text of the par being played from the start of its heading.
int DaisyPlayer::ReadAsText() {
  const DaisyBookView& b = m_Thread.View();
  const DaisyPos at = m_Thread.Position();
  libDaisy::NarratedLanding landing;
  landing.path = m_FullName;
  landing.heading = DaisyHeadingAt(b, at.object);
  std::vector<uint16_t> text = ParText(m_Thread.Book(), b, at);
  landing.text = libDaisy::LandingText(text.data(), static_cast<int>(text.size()));
  m_bMenuMode = false;
  CloseDown();
  libDaisy::SetNarratedLanding(std::move(landing));
  if (OpenWith(OPEN_EBOOK, m_Folder.c_str(), m_FileName.c_str()) != 0) PlayerSayPhrase(UxPhrase::FileNotSupported);
  // A reader that did not take the landing leaves none behind for a later open.
  libDaisy::NarratedLanding dropped;
  libDaisy::TakeNarratedLanding(m_FullName, &dropped);
  return WND_CLOSE;
}

void DaisyPlayer::LeaveMenu(bool resume) {
  m_bMenuMode = false;
  m_MenuNumber.clear();
  if (resume) PlayOnUnlessPaused();
}

// Plays on once speech is over, unless the user paused.
void DaisyPlayer::PlayOnUnlessPaused() {
  if (m_bPaused) return;
  if (SysTts_CheckRunning() > 0)
    m_bResumeAfterTts = true;
  else
    Play();
}
