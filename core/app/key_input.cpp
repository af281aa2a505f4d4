// The keypad: Linux input events turned into key-down, press and release on
// the window stack, with the power-key shift functions applied first.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/soundcard.h"
#include "core/base/diag.h"
#include "core/app/mainloop.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/key_describer.h"
#include "core/ui/system_settings.h"
#include "radio/radio.h"
#include "core/ui/window.h"
#include "platform/board_profile.h"
#include "power/mic2det.h"
#include "power/tps65217.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

int g_LastKeyCode = -1;
int g_LastKeyLeftTime = -1;
int g_KeyContinueTimes = 0;
int g_PowerKeyShiftFunLeftTime = -1;
GIOChannel* g_InputkeyChannel = nullptr;
int g_InputkeyFd = -1;

namespace {

constexpr int kShiftWindowTicks = 20;  // 5 s
constexpr int kFirstRepeatTicks = 6;  // 1.5 s
constexpr int kPushButtonIrq = 0x04;

void PrintKey(const char* fmt, int code, char fg, char bg) {
  StdoutSetColor(fg, bg);
  printf(fmt, code);
  StdoutSetToDefault();
  fflush(stdout);
}

void Say(const std::string& text) {
  SysTts_Stop();
  SysTts_Play(text.c_str(), -1);
}

void DescribePowerClick() {
  Say(PhraseText(UxPhrase::KeyPowerButtonSetsTheAutomatic));
}

void OnPowerChipInterrupt() {
  unsigned char irq = 0;
  Tps65217_UpdateState(&irq);
  if (!((irq & 0x07) & kPushButtonIrq)) return;
  if (IsPowerKeyDown()) {
    g_PowerKeyShiftFunLeftTime = kShiftWindowTicks;
    ResetIdleShutDownTime();
    SetWorkingLed(1);
  } else if (g_PowerKeyShiftFunLeftTime >= 0) {
    // The window stays open: a key within it still gets its shifted meaning.
    if (KeyDescriberOn())
      DescribePowerClick();
    else
      KeyDown(KEY_POWER_SHORT);
  }
}

void OnHeadphoneSwitch() {
  if (GetPinLevel(board::Profile().pins.headphone) != 0) {
    SoundCard_HeadPhoneSwitch(true);
    SoundCard_SpeakerSwitch(false);
    return;
  }
  if (g_SystemSettings.fm_send) {
    DiagPrintf("stop fm send");
    StopFm();
    g_SystemSettings.fm_send = false;
  }
  SoundCard_HeadPhoneSwitch(false);
  SoundCard_SpeakerSwitch(true);
}

// The power key's shift functions as the describer tells them.
bool DescribeShifted(int code) {
  if (code != KEY_MUSIC && code != KEY_BOOKMARK) return false;
  std::string text = PhraseText(UxPhrase::KeyPowerButtonThen) + KeyName(code) +
                     ": " +
                     (code == KEY_MUSIC ? PhraseText(UxPhrase::KeyLocksOrUnlocksTheKeys)
                                        : PhraseText(UxPhrase::KeyRestoresTheDefaultSettings));
  Say(text);
  return true;
}

void OnKeyPressed(int code) {
  const int held = g_LastKeyCode;  // a key still down when this one went down
  g_InfoKeyDownTimes = code == KEY_INFO ? g_InfoKeyDownTimes + 1 : 0;
  PrintKey("key %d down", code, '1', '3');
  g_LastKeyCode = code;
  g_LastKeyLeftTime = kFirstRepeatTicks;
  g_KeyContinueTimes = 0;
  SetWorkingLed(1);
  if (held == kDescriberHeldKey && code == kDescriberChordKey) {
    g_PowerKeyShiftFunLeftTime = -1;
    ToggleKeyDescriber();
    return;
  }
  if (g_PowerKeyShiftFunLeftTime >= 0) {
    g_PowerKeyShiftFunLeftTime = -1;
    if (KeyDescriberOn() && DescribeShifted(code)) return;
    if (code == KEY_MUSIC) {
      g_bKeyBoardLocked = !g_bKeyBoardLocked;
      KeyDown(g_bKeyBoardLocked ? EV_KEYPAD_LOCKED : EV_KEYPAD_UNLOCKED);
      return;
    }
    if (code == KEY_BOOKMARK) {
      KeyDown(EV_RESTORE_DEFAULTS);
      return;
    }
  }
  if (KeyDescriberOn()) {
    DescribeKeyOnTop(code, held);
    return;
  }
  if (KeyDown(code) == 0) KeyPress(code);
}

void OnKeyReleased(int code) {
  PrintKey("key %d up", code, '1', '7');
  g_LastKeyCode = -1;
  KeyUp(code);
  g_KeyContinueTimes = 0;  // OnKeyUp may still read how long the key was held
  SetWorkingLed(0);
}

}  // namespace

void HandleInputEvent(unsigned type, unsigned code, int value) {
  if (type != 1) return;
  if (code == KEY_PMIC_IRQ) {
    if (value != 0) OnPowerChipInterrupt();
    return;
  }
  if (code == SW_HEADPHONE) {
    OnHeadphoneSwitch();
    return;
  }
  ResetIdleShutDownTime();
  if (value != 0)
    OnKeyPressed(static_cast<int>(code));
  else
    OnKeyReleased(static_cast<int>(code));
}

gboolean key_input_callback(GIOChannel* channel, GIOCondition condition, gpointer) {
  if (condition & (G_IO_ERR | G_IO_HUP | G_IO_NVAL)) {
    DiagPrintf("gio callback error");
    return TRUE;
  }
  // The 32-bit input_event: seconds, microseconds, type, code, value.
  unsigned char ev[16];
  gsize got = 0;
  GIOStatus st = g_io_channel_read_chars(channel, reinterpret_cast<gchar*>(ev), sizeof ev, &got,
                                         nullptr);
  if (st != G_IO_STATUS_NORMAL || got != sizeof ev) {
    DiagPrintf("g_io_channel_read_chars error");
    return TRUE;
  }
  uint16_t type, code;
  int32_t value;
  memcpy(&type, ev + 8, 2);
  memcpy(&code, ev + 10, 2);
  memcpy(&value, ev + 12, 4);
  HandleInputEvent(type, code, value);
  return TRUE;
}
