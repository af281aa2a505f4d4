// Finding text in a book, the part the e-book reader and the DAISY player
// share: the keys that reach it, and the word entered letter by letter the
// way numbers are entered elsewhere (up and down choose the letter being
// entered from a spoken wheel, right adds the next letter, left takes the
// last one back, play looks the word up).
//
// Keys, in the reader and the DAISY player outside their menus: the play key
// held down and menu pressed enters a word; held down with right or left,
// the next or previous match of the word entered last.
#pragma once

#include <functional>
#include <string>

class iWindow;

// What a key pressed while play is held does.
enum FindCombo { FIND_COMBO_NONE = 0, FIND_COMBO_ENTER, FIND_COMBO_NEXT, FIND_COMBO_PREV };
int FindComboOf(int code);

// One line a key describer speaks for each find key: the key held (0 for
// none), the key pressed, and the phrase saying what they do.
struct FindKeyDes {
  int heldKey;
  int key;
  int phraseId;
};
// Outside the menus, and while a word is entered; each ends with {0, 0, 0}.
extern const FindKeyDes c_FindKeyDes[];
extern const FindKeyDes c_FindEntryKeyDes[];

// The word looked for last, kept while the program runs (empty: none yet).
const std::u16string& LastFindWord();
// Forgets it (tests).
void ClearLastFindWord();

class FindEntry {
 public:
  enum Result { kHandled, kSearch, kLeave, kNotMine };
  // Begins with the word looked for last, or with "a" being chosen; the text
  // to say ("find text", then the word).
  std::string Begin();
  // Up and down, also repeated while held; the text to say.
  std::string Cycle(int delta);
  // A key going down while a word is entered: the arrows, play, back and
  // menu are taken (kSearch: look the word up; it is now LastFindWord()),
  // others are not. System speech stops; with the keypad locked the key is
  // refused with the beep. *say gets what to say.
  Result KeyDown(int code, std::string* say);
  const std::u16string& Word() const { return m_Word; }

 private:
  std::string SayLetter() const;
  std::u16string m_Word;
};

// The word as UTF-8 (what is said).
std::string FindWordUtf8(const std::u16string& word);

// The find keys of a window that reads a book (the reader, the DAISY
// player): play held down, the word being entered, and the window's own
// part reached through the hooks.
class FindKeys {
 public:
  struct Hooks {
    bool* paused;                                   // the user's pause of the window
    std::function<void()> pause;                    // before a word is entered
    std::function<void(const std::string&)> say;    // a composed text
    std::function<void(int id)> sayPhrase;          // a fixed phrase
    std::function<void()> resumeAfterSpeech;        // plays on once speech is over
    std::function<void(bool forward, const std::u16string& word)> match;  // looks the word up
    std::function<int(int code)> passOn;            // a device event, outside the entry
  };
  explicit FindKeys(Hooks hooks) : hooks_(std::move(hooks)) {}

  bool Entering() const { return entering_; }
  // A key going down outside the menus. True when it was a find key (the
  // answer is then 0); play going down is remembered.
  bool ComboDown(int code);
  void KeyUp(int code);
  // Keys while a word is entered.
  int EntryKeyDown(iWindow* window, int code);
  int EntryKeyPress(iWindow* window, int code);
  // The next or previous match of the word looked for last; with none yet,
  // the word is entered first.
  void Match(bool forward);
  // Refresh while a word is entered.
  void SayWord() { hooks_.say(FindWordUtf8(entry_.Word())); }

 private:
  void BeginEntry();

  Hooks hooks_;
  FindEntry entry_;
  bool entering_ = false;
  bool playHeld_ = false;
  bool pausedBeforePlay_ = false;
};
