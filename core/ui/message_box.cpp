// The modal notice / yes-no question. It runs a nested event loop on the
// default context so keys, pipe records and ticks keep flowing while the
// opener's handler waits inside MessageBox.
#include <glib.h>

#include <cstring>
#include <new>
#include <string>

#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "speech/tts.h"
#include "core/ui/window.h"
#include "core/ui/key_describer.h"
#include "core/ui/window_stack_internal.h"
#include "speech/ux_language.h"

namespace {

class MessageBoxWindow final : public iWindow {
 public:
  MessageBoxWindow(int mode, std::string text) : m_Mode(mode), m_Text(std::move(text)) {}

  std::string DescribeKey(int code, int held) override {
    if (held < 0 && m_Mode == 0) return PhraseText(UxPhrase::KeyClosesTheMessage);
    if (held < 0 && code == KEY_PLAY) return PhraseText(UxPhrase::KeyAnswersYes);
    if (held < 0 && code == KEY_BACK) return PhraseText(UxPhrase::KeyAnswersNo);
    if (held < 0 && code != KEY_INFO && code != KEY_VOL_DOWN && code != KEY_VOL_UP)
      return PhraseText(UxPhrase::KeySaysTheQuestionAgain);
    return iWindow::DescribeKey(code, held);
  }

  int OnKeyDown(int code) override {
    if (code == EV_BATTERY_LOW || code == EV_CHARGING_DONE || code == EV_TIME_ANNOUNCE)
      return OnDefaultKeyDown(code);
    SysTts_Stop();
    if (code == EV_AUTO_SHUTDOWN || code == EV_IDLE_SHUTDOWN) {
      SendSimulateKey(code, KEY_KIND_DOWN);  // delivered again once the box is gone
      End(KEY_BACK);
      return 0;
    }
    if (m_Mode == 0) {
      End(0);
      return 0;
    }
    if (code == KEY_INFO || code == EV_KEYPAD_LOCKED || code == EV_KEYPAD_UNLOCKED ||
        g_bKeyBoardLocked)
      return OnDefaultKeyDown(code);
    if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return 0;
    if (code == KEY_BACK)
      End(KEY_BACK);
    else if (code == KEY_PLAY)
      End(KEY_PLAY);
    else
      OnRefresh();
    return 0;
  }

  int OnKeyPress(int code) override {
    if (m_Mode != 0) return OnDefaultKeyPress(code);
    if (SysTts_CheckRunning() <= 0) End(0);
    return 0;
  }

  int OnTick() override {
    if (m_Mode == 0 && SysTts_CheckRunning() <= 0) End(0);
    return 0;
  }

  int OnRefresh() override {
    SysTts_Play(m_Text.c_str(), -1);
    return 0;
  }

  int OnClose() override {
    SysTts_Stop();
    End(WND_STOP);
    return 0;
  }

  void Run() {
    m_Loop = g_main_loop_new(nullptr, FALSE);
    // A key may already have ended the box while it spoke its text.
    if (!m_Ended) g_main_loop_run(m_Loop);
    g_main_loop_unref(m_Loop);
    m_Loop = nullptr;
  }

  int Result() const { return m_Result; }

 private:
  void End(int result) {
    if (m_Ended) return;
    m_Ended = true;
    m_Result = result;
    if (m_Loop) g_main_loop_quit(m_Loop);
  }

  int m_Mode;
  std::string m_Text;
  int m_Result = 0;
  bool m_Ended = false;
  GMainLoop* m_Loop = nullptr;
};

}  // namespace

int MessageBox(const char* text, int mode) {
  if (!text) return -1;
  MessageBoxWindow* box = new (std::nothrow) MessageBoxWindow(mode, text);
  if (!box) return -2;
  RunningBox running{box, CurWindow(), g_pRunningBoxes};
  if (AddWindow(box) != 0) {
    delete box;
    return -1;
  }
  g_pRunningBoxes = &running;
  g_bMessageBoxRunning = true;
  RefreshCurWindow();
  box->Run();
  g_pRunningBoxes = running.outer;
  g_bMessageBoxRunning = g_pRunningBoxes != nullptr;
  int result = running.opener_closed ? WND_STOP : box->Result();
  // Closed from outside, the box is already off the stack; otherwise it is
  // taken from wherever it is now, so nothing is deleted twice.
  DetachWindow(box);
  delete box;
  return result;
}
