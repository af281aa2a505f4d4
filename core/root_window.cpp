#include "core/root_window.h"

#include <new>

#include "core/mainloop.h"
#include "core/pending.h"
#include "speech/ux_language.h"
#include "speech/tts.h"
#include "core/window.h"

namespace {

void Say(int phraseId) {
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetString(phraseId, text, sizeof text) > 0)
    SysTts_Play(text, -1);
}

class RootWindow final : public iWindow {
 public:
  int OnKeyDown(int code) override {
    switch (code) {
      case KEY_RADIO:
      case KEY_MUSIC:
      case KEY_BOOKMARK:
      case KEY_RECORD:
      case KEY_MENU:
      case KEY_FILE_MANAGEMENT:
      case KEY_POWER_SHORT:
      case KEY_UP:
      case KEY_DOWN:
      case KEY_LEFT:
      case KEY_RIGHT:
      case KEY_PLAY:
      case KEY_BACK:
        SysTts_Stop();
        if (g_bKeyBoardLocked)
          SysTts_Beep(8);
        else
          Say(133);  // "can not open": nothing to open here yet
        return 0;
      case EV_USB_IN:
        SysTts_Stop();
        Say(131);  // "USB connected"
        return 0;
      case EV_USB_OUT:
      case EV_USB_SUSPEND:
      case EV_SD_MOUNTED:
      case EV_SD_REMOVED:
        return 0;
      case EV_AUTO_SHUTDOWN:
      case EV_IDLE_SHUTDOWN:
        QuietShutDown();
      default: {
        int r = OnDefaultKeyDown(code);
        // Nothing lies beneath the root.
        return r == WND_PASS_DOWN ? 0 : r;
      }
    }
  }

  int OnKeyPress(int code) override { return OnDefaultKeyPress(code); }

  int OnRefresh() override {
    Say(139);  // "Internal memory"
    return 0;
  }
};

}  // namespace

int CreateRootWindow() {
  RootWindow* w = new (std::nothrow) RootWindow;
  if (!w) return -1;
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;
}
