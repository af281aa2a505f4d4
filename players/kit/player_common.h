// Small pieces every player shares: speaking catalogue phrases, path
// pieces and the highlight rule.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <new>

#include "core/ui/window.h"
#include "speech/ux_language.h"

// Speaks fixed phrase `id` of the current catalogue.
void PlayerSayPhrase(int id);
// Speaks a composed text (nothing for an empty one).
void PlayerSay(const std::string& text);
// What one-number formatter `format` of the current catalogue says for
// `value` ("" without a catalogue).
std::string CatalogueText(int (iUxLanguage::*format)(int, char*, int), int value);
// What a settings menu says of a speed or a pitch step, in the words of the
// audio players or of the DAISY player.
std::string SpeedPitchText(bool speed, bool daisy, int value);

// Most entries a player takes from one folder.
constexpr int kMaxFolderFiles = 10000;
// Longest folder path with its "/" and longest full path of a file.
constexpr size_t kMaxDirPath = 8192;
constexpr size_t kMaxFullPath = 9216;

// The step of an arrow key in a menu or list: -1 up or left, 1 down or
// right, else 0.
int ArrowStep(int code);

// A highlight from two marks in ms: whole seconds, start before end, at
// least one second long.
void NormalizeHighlight(int* startMs, int* endMs);

// The extension of a name (after its last '.'), or null.
const char* ExtOf(const char* name);
// The part of a path after its last '/'.
const char* BaseNameOf(const char* path);

// The folder path with exactly one trailing "/".
std::string WithSlash(const std::string& dir);

// A key of a player's menu: speech stops, and with the keypad locked the key
// is refused with the beep. True when the menu may act on it.
bool MenuKeyAllowed();
// The keys every player menu takes (the arrows, play, back and menu) and the
// `extra` keys of one menu; the rest get the window's default answer.
bool IsMenuKey(int code, std::initializer_list<int> extra = {});

// The info key outside the menus: the first press says `sayInfo`, the next
// ones the time and date, then the battery.
void PlayerInfoKey(iWindow* player, const std::function<void()>& sayInfo);

// A key while `player` opens a file. An open can take seconds (a slow card, a
// loaded device); meanwhile back closes the player (after `closeDown`;
// WND_CLOSE), the mode keys, the power key and the device events get the
// default answer, the volume keys act in their presses, and any other key
// is answered with `sayWait` ("opening file, please wait"), never silence.
// The auto power-off waits for the end of the open.
int KeyWhileOpening(iWindow* player, int code, const std::function<void()>& closeDown,
                    const std::function<void()>& sayWait);

// A new window of type W pushed on the window stack; null when it could not
// be made or pushed (nothing is left behind).
template <class W>
W* PushNewWindow() {
  W* w = new (std::nothrow) W;
  if (!w) return nullptr;
  if (AddWindow(w) != 0) {
    delete w;
    return nullptr;
  }
  return w;
}

// The handlers every player window overrides (loop thread): the keys, the
// tick (finishing an open, resuming after speech, the end of the book), being
// closed from outside (the place is stored), speaking the menu item or the
// place, and the key describer.
#define PLAYER_WINDOW_HANDLERS                          \
  int OnKeyDown(int code) override;                     \
  int OnKeyPress(int code) override;                    \
  int OnTick() override;                                \
  int OnClose() override;                               \
  int OnRefresh() override;                             \
  std::string DescribeKey(int code, int held) override; \
  void OnKeyDescriber() override;
