// The window every player is: which key does what outside the menus, for
// the music, audio book, DAISY and e-book players alike. A key every player
// answers is added here once; each player supplies only its own actions.
#pragma once

#include <string>

#include "core/ui/window.h"
#include "positions/history.h"

class FindKeys;

class PlayerWindow : public iWindow {
 protected:
  static constexpr int kNotShared = -1000;

  // A key going down outside the menus, the find entry and an open: device
  // events first (the player's own answer), then a key on a locked keypad,
  // then the find keys, then the keys every player has.
  int PlayerKeyDown(int code);
  // A key press or repeat outside the menus: the volume, spoken when
  // VolumeSpoken(). False for the other keys, and on a locked keypad.
  bool VolumeKeyPress(int code);
  // The open of `path` has ended well: the board's transcript says so
  // ("player: opened NAME"), for tools that drive the keys from outside and
  // must not press a key into an open.
  static void NoteOpened(const std::string& path);

  // A device event or a key leaving the player; kNotShared for the keys.
  virtual int EventDown(int code) = 0;
  // A key on a locked keypad (after PauseForSpeech).
  virtual int LockedKeyDown(int code) { return OnDefaultKeyDown(code); }
  // The find keys (play held with menu, left or right); null without.
  virtual FindKeys* Finder() { return nullptr; }

  // Playback pauses and resumes once system speech has ended.
  virtual void PauseForSpeech() = 0;
  // Playback holds still under a menu.
  virtual void PauseForMenu() = 0;
  // The info key's first press.
  virtual void SayInfo() = 0;
  virtual void PlayKeyDown() = 0;
  // The place is stored and the player lets go of its file.
  virtual void CloseDown() = 0;
  // Up (-1) and down (1): what left and right move by, or the player's own.
  virtual void UpDownKeyDown(int step) = 0;
  // Left (-1) and right (1) going down.
  virtual void LeftRightKeyDown(int step) = 0;
  virtual void EnterSettingsMenu() = 0;
  virtual void EnterBookmarkMenu() = 0;
  // The player is silent, so a volume change is spoken.
  virtual bool VolumeSpoken() = 0;
  // The keys no player claims.
  virtual int OtherKeyDown(int code) {
    PauseForSpeech();
    return OnDefaultKeyDown(code);
  }

  // The place stored once a minute while the player sounds, and soon after
  // a move.
  HistoryPacer m_HistoryPacer;
};
