#include "players/kit/player_common.h"

#include <strings.h>

#include <algorithm>
#include <iterator>
#include <cstring>

#include "core/base/diag.h"
#include "core/base/keys.h"
#include "platform/board.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "power/shutdown_timers.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

void PlayerSayPhrase(int id) { PlayerSay(PhraseText(id)); }

void PlayerSay(const std::string& text) {
  if (text.empty()) return;
  SysTts_Play(text.c_str(), static_cast<int>(text.size()));
}

std::string CatalogueText(int (iUxLanguage::*format)(int, char*, int), int value) {
  char buf[256];
  if (!g_pUxLanguage || (g_pUxLanguage->*format)(value, buf, sizeof buf) <= 0) return std::string();
  return buf;
}

std::string SpeedPitchText(bool speed, bool daisy, int value) {
  if (daisy) {
    return CatalogueText(speed ? &iUxLanguage::GetDaisySpeedString : &iUxLanguage::GetDaisyPitchString,
                         value);
  }
  return CatalogueText(speed ? &iUxLanguage::GetAudioSpeedString : &iUxLanguage::GetAudioPitchString,
                       value);
}

int ArrowStep(int code) {
  if (code == KEY_UP || code == KEY_LEFT) return -1;
  if (code == KEY_DOWN || code == KEY_RIGHT) return 1;
  return 0;
}

const char* ExtOf(const char* name) {
  const char* dot = name ? strrchr(name, '.') : nullptr;
  return dot ? dot + 1 : nullptr;
}

const char* BaseNameOf(const char* path) {
  const char* slash = path ? strrchr(path, '/') : nullptr;
  return slash ? slash + 1 : path;
}

std::string WithSlash(const std::string& dir) {
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d != "/") d += '/';
  return d;
}

void NormalizeHighlight(int* startMs, int* endMs) {
  int s = *startMs / 1000 * 1000;
  int e = *endMs / 1000 * 1000;
  if (e < s) std::swap(s, e);
  if (e < s + 1000) e = s + 1000;
  *startMs = s;
  *endMs = e;
}

int KeyWhileOpening(iWindow* player, int code, const std::function<void()>& closeDown,
                    const std::function<void()>& sayWait) {
  switch (code) {
    case EV_AUTO_SHUTDOWN:
      g_AutoShutDownTime = static_cast<unsigned int>(BTime() + 1);
      return 0;
    case KEY_BACK:
      if (g_bKeyBoardLocked) return player->OnDefaultKeyDown(code);
      closeDown();
      return WND_CLOSE;
    case KEY_RADIO:
    case KEY_MUSIC:
    case KEY_RECORD:
    case KEY_POWER_SHORT:
      return player->OnDefaultKeyDown(code);
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return 0;
    default:
      if (code > KEY_FILE_MANAGEMENT || g_bKeyBoardLocked) return player->OnDefaultKeyDown(code);
      SysTts_Stop();
      sayWait();
      return 0;
  }
}

bool MenuKeyAllowed() {
  SysTts_Stop();
  if (!g_bKeyBoardLocked) return true;
  SysTts_Beep(8);
  return false;
}

bool IsMenuKey(int code, std::initializer_list<int> extra) {
  static const int kMenuKeys[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_PLAY, KEY_BACK, KEY_MENU};
  return std::find(std::begin(kMenuKeys), std::end(kMenuKeys), code) != std::end(kMenuKeys) ||
         std::find(extra.begin(), extra.end(), code) != extra.end();
}

void PlayerInfoKey(iWindow* player, const std::function<void()>& sayInfo) {
  if (g_InfoKeyDownTimes <= 1)
    sayInfo();
  else
    player->OnKeyInfoDown();
}
