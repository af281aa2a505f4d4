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
  const char* en;
  const char* pl;
};
const KeyNames kNames[] = {
    {KEY_RADIO, "radio", "radio"},
    {KEY_MUSIC, "music", "muzyka"},
    {KEY_VOL_DOWN, "volume down", "ciszej"},
    {KEY_INFO, "info", "informacja"},
    {KEY_BOOKMARK, "bookmark", "zakładka"},
    {KEY_MENU, "menu", "menu"},
    {KEY_LEFT, "left", "w lewo"},
    {KEY_DOWN, "down", "w dół"},
    {KEY_BACK, "back", "wstecz"},
    {KEY_VOL_UP, "volume up", "głośniej"},
    {KEY_RECORD, "record", "nagrywanie"},
    {KEY_RIGHT, "right", "w prawo"},
    {KEY_UP, "up", "w górę"},
    {KEY_PLAY, "play", "odtwarzanie"},
};

void Say(const std::string& text) {
  SysTts_Stop();
  SysTts_Play(text.c_str(), -1);
}

}  // namespace

std::string KeyText(const char* en, const char* pl) {
  return g_CurLanguage == UX_LANGUAGE_ENGLISH ? en : pl;
}

std::string KeyIgnored() { return KeyText("does nothing here", "nic tu nie robi"); }

bool KeyDescriberOn() { return s_On; }

void KeyDescriberOff() { s_On = false; }

void ToggleKeyDescriber() {
  s_On = !s_On;
  if (s_On) {
    iWindow* w = CurWindow();
    if (w) w->OnKeyDescriber();
    Say(KeyText("Key describer on. Each key says what it does. Hold info and press menu to leave.",
                "Opis klawiszy włączony. Każdy klawisz mówi, co robi. Aby wyjść, przytrzymaj "
                "informację i naciśnij menu."));
  } else {
    Say(KeyText("Key describer off.", "Opis klawiszy wyłączony."));
  }
}

bool IsKeypadKey(int code) {
  for (const KeyNames& k : kNames)
    if (k.code == code) return true;
  return false;
}

std::string KeyName(int code) {
  for (const KeyNames& k : kNames)
    if (k.code == code) return KeyText(k.en, k.pl);
  return "";
}

void DescribeKeyOnTop(int code, int held) {
  iWindow* w = CurWindow();
  if (!w || !IsKeypadKey(code)) return;
  std::string name = KeyName(code);
  if (IsKeypadKey(held)) name = KeyName(held) + " + " + name;
  std::string what = g_bKeyBoardLocked ? KeyText("the keys are locked", "klawisze są zablokowane")
                                       : w->DescribeKey(code, IsKeypadKey(held) ? held : -1);
  Say(name + ": " + what + ".");
}
