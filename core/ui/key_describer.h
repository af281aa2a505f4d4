// The key describer: while it is on, a key of the keypad says what it does in
// the window on top instead of doing it. The keypad's chord (a key pressed
// while another is held) switches it on and off; device events (alarms, the
// cable, the card, the battery) are still handled as always.
#pragma once

#include <string>

// Info held, then menu: the chord that switches the describer on and off.
constexpr int kDescriberHeldKey = 259;   // KEY_INFO
constexpr int kDescriberChordKey = 261;  // KEY_MENU

bool KeyDescriberOn();
// Switches it on (the window on top is told, so that a player stops its
// sound) or off, and says which.
void ToggleKeyDescriber();
// Off without a word: the windows it described are being closed.
void KeyDescriberOff();
// A key of the keypad (not a synthetic event).
bool IsKeypadKey(int code);
// Speaks what `code` does in the window on top; `held` is a key already held
// down (a chord), or -1.
void DescribeKeyOnTop(int code, int held);
// The spoken name of a keypad key in the interface language ("" otherwise).
std::string KeyName(int code);
// What a key the window ignores does.
std::string KeyIgnored();
