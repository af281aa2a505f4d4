// The key describer's state, its speech and the names of the keys.
#include "core/ui/key_describer.h"

#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

bool s_On = false;

struct KeyNames {
  int code;
  int phrase;
};
const KeyNames kNames[] = {
    {KEY_RADIO, UxPhrase::KeyNameRadio},
    {KEY_MUSIC, UxPhrase::KeyNameMusic},
    {KEY_VOL_DOWN, UxPhrase::KeyNameVolumeDown},
    {KEY_INFO, UxPhrase::KeyNameInfo},
    {KEY_BOOKMARK, UxPhrase::KeyNameBookmark},
    {KEY_MENU, UxPhrase::KeyNameMenu},
    {KEY_LEFT, UxPhrase::KeyNameLeft},
    {KEY_DOWN, UxPhrase::KeyNameDown},
    {KEY_BACK, UxPhrase::KeyNameBack},
    {KEY_VOL_UP, UxPhrase::KeyNameVolumeUp},
    {KEY_RECORD, UxPhrase::KeyNameRecord},
    {KEY_RIGHT, UxPhrase::KeyNameRight},
    {KEY_UP, UxPhrase::KeyNameUp},
    {KEY_PLAY, UxPhrase::KeyNamePlay},
};

void Say(const std::string& text) {
  SysTts_Stop();
  SysTts_Play(text.c_str(), -1);
}

}  // namespace

std::string KeyIgnored() { return PhraseText(UxPhrase::KeyDoesNothingHere); }

bool KeyDescriberOn() { return s_On; }

void KeyDescriberOff() { s_On = false; }

void ToggleKeyDescriber() {
  s_On = !s_On;
  if (s_On) {
    iWindow* w = CurWindow();
    if (w) w->OnKeyDescriber();
    Say(PhraseText(UxPhrase::KeyDescriberOnEachKey));
  } else {
    Say(PhraseText(UxPhrase::KeyDescriberOff));
  }
}

bool IsKeypadKey(int code) {
  for (const KeyNames& k : kNames)
    if (k.code == code) return true;
  return false;
}

std::string KeyName(int code) {
  for (const KeyNames& k : kNames)
    if (k.code == code) return PhraseText(k.phrase);
  return "";
}

void DescribeKeyOnTop(int code, int held) {
  iWindow* w = CurWindow();
  if (!w || !IsKeypadKey(code)) return;
  std::string name = KeyName(code);
  if (IsKeypadKey(held)) name = KeyName(held) + " + " + name;
  std::string what = g_bKeyBoardLocked ? PhraseText(UxPhrase::KeyTheKeysAreLocked)
                                       : w->DescribeKey(code, IsKeypadKey(held) ? held : -1);
  Say(name + ": " + what + ".");
}
