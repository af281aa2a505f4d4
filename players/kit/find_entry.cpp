#include "players/kit/find_entry.h"

#include "core/base/keys.h"
#include "core/base/util.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

const FindKeyDes c_FindKeyDes[] = {
    {KEY_PLAY, KEY_MENU, UxPhrase::KeyFind},
    {KEY_PLAY, KEY_RIGHT, UxPhrase::KeyNextMatch},
    {KEY_PLAY, KEY_LEFT, UxPhrase::KeyPrevMatch},
    {0, 0, 0},
};

const FindKeyDes c_FindEntryKeyDes[] = {
    {0, KEY_UP, UxPhrase::KeyFindLetter},    {0, KEY_DOWN, UxPhrase::KeyFindLetter}, {0, KEY_RIGHT, UxPhrase::KeyFindAdd},
    {0, KEY_LEFT, UxPhrase::KeyFindDelete},  {0, KEY_PLAY, UxPhrase::KeyFindGo},     {0, KEY_BACK, UxPhrase::KeyFindLeave},
    {0, KEY_MENU, UxPhrase::KeyFindLeave},   {0, 0, 0},
};

int FindComboOf(int code) {
  switch (code) {
    case KEY_MENU: return FIND_COMBO_ENTER;
    case KEY_RIGHT: return FIND_COMBO_NEXT;
    case KEY_LEFT: return FIND_COMBO_PREV;
    default: return FIND_COMBO_NONE;
  }
}

namespace {

std::u16string g_LastFindWord;

// The letters of the wheel: the interface language's alphabet, the digits
// and a space.
const std::u16string& Wheel() {
  static const std::u16string pl = u"aąbcćdeęfghijklłmnńoópqrsśtuvwxyzźż0123456789 ";
  static const std::u16string en = u"abcdefghijklmnopqrstuvwxyz0123456789 ";
  return g_CurLanguage == UX_LANGUAGE_POLISH ? pl : en;
}

}  // namespace

const std::u16string& LastFindWord() { return g_LastFindWord; }
void ClearLastFindWord() { g_LastFindWord.clear(); }

std::string FindWordUtf8(const std::u16string& word) {
  std::string out;
  for (char16_t c : word) AppendUtf8(&out, c);
  return out;
}

std::string FindEntry::SayLetter() const {
  if (m_Word.empty()) return PhraseText(UxPhrase::Empty);
  if (m_Word.back() == u' ') return PhraseText(UxPhrase::Space);
  return FindWordUtf8(m_Word.substr(m_Word.size() - 1));
}

std::string FindEntry::Begin() {
  m_Word = g_LastFindWord.empty() ? u"a" : g_LastFindWord;
  return PhraseText(UxPhrase::FindText) + ", " + FindWordUtf8(m_Word);
}

std::string FindEntry::Cycle(int delta) {
  const std::u16string& wheel = Wheel();
  const int n = static_cast<int>(wheel.size());
  if (m_Word.empty()) {
    m_Word = wheel.substr(0, 1);
    return SayLetter();
  }
  // A letter that is not on the wheel (a capital of an earlier word) moves
  // onto it at its start.
  const size_t at = wheel.find(m_Word.back());
  const int i = at == std::u16string::npos ? (delta > 0 ? -1 : 0) : static_cast<int>(at);
  m_Word.back() = wheel[static_cast<size_t>(((i + delta) % n + n) % n)];
  return SayLetter();
}

FindEntry::Result FindEntry::KeyDown(int code, std::string* say) {
  if (!IsMenuKey(code)) return kNotMine;
  if (!MenuKeyAllowed()) return kHandled;
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return kHandled;  // the press that follows (and each repeat) moves the letter
    case KEY_RIGHT:
      if (m_Word.size() < 100) m_Word += Wheel()[0];
      *say = SayLetter();
      return kHandled;
    case KEY_LEFT:
      if (!m_Word.empty()) m_Word.pop_back();
      *say = m_Word.empty() ? PhraseText(UxPhrase::Empty) : FindWordUtf8(m_Word);
      return kHandled;
    case KEY_PLAY:
      if (m_Word.empty()) {
        *say = PhraseText(UxPhrase::Empty);
        return kHandled;
      }
      g_LastFindWord = m_Word;
      return kSearch;
    default:
      return kLeave;  // back or menu
  }
}

bool FindKeys::ComboDown(int code) {
  const int combo = FindComboOf(code);
  if (playHeld_ && combo != FIND_COMBO_NONE) {
    // The play key that went down first paused or resumed playing: that is
    // undone, the combination decides.
    *hooks_.paused = pausedBeforePlay_;
    if (combo == FIND_COMBO_ENTER)
      BeginEntry();
    else
      Match(combo == FIND_COMBO_NEXT);
    return true;
  }
  if (code == KEY_PLAY) {
    playHeld_ = true;
    pausedBeforePlay_ = *hooks_.paused;
  }
  return false;
}

void FindKeys::KeyUp(int code) {
  if (code == KEY_PLAY) playHeld_ = false;
}

void FindKeys::Match(bool forward) {
  const std::u16string& word = LastFindWord();
  if (!word.empty()) {
    hooks_.match(forward, word);
    return;
  }
  BeginEntry();  // nothing looked for yet: the word first
}

void FindKeys::BeginEntry() {
  hooks_.pause();
  entering_ = true;
  hooks_.say(entry_.Begin());
}

int FindKeys::EntryKeyDown(iWindow* window, int code) {
  std::string say;
  switch (entry_.KeyDown(code, &say)) {
    case FindEntry::kSearch:
      entering_ = false;
      Match(true);
      return 0;
    case FindEntry::kLeave:
      entering_ = false;
      hooks_.sayPhrase(UxPhrase::SettingCanceled);
      hooks_.resumeAfterSpeech();
      return 0;
    case FindEntry::kHandled:
      hooks_.say(say);
      return 0;
    default:
      if (code < KEY_FILE_MANAGEMENT) return window->OnDefaultKeyDown(code);
      // A device event (card out, battery, defaults restored) ends the
      // entry and is handled as the window handles it.
      entering_ = false;
      hooks_.resumeAfterSpeech();
      return hooks_.passOn(code);
  }
}

int FindKeys::EntryKeyPress(iWindow* window, int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_UP || code == KEY_DOWN) hooks_.say(entry_.Cycle(code == KEY_DOWN ? 1 : -1));
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return window->OnDefaultKeyPress(code);
  return 0;
}
