// Screen-less windows: every mode of the player is a window that takes keys
// and ticks and answers in speech. Windows live on one stack; index 0 is the
// root (the file browser) and stays for the life of the program. All of this
// runs on the event-loop thread only.
#pragma once

#include <string>

#include "core/base/keys.h"

class iWindow {
 public:
  virtual ~iWindow();
  // A key went down (or a synthetic event arrived). Returns 0/negative when
  // handled, or a window result (WND_*) or a code for the root.
  virtual int OnKeyDown(int code) = 0;
  // First press right after a key-down that returned 0, then every repeat.
  virtual int OnKeyPress(int code) = 0;
  // The key was released; default 0.
  virtual int OnKeyUp(int code);
  // Every 250 ms while this window is on top; default 0.
  virtual int OnTick();
  // Closed from outside (CloseAllChildWindow); never when it closes itself.
  virtual int OnClose();
  // Speaks where the user is.
  virtual int OnRefresh() = 0;
  // The information key: where-am-I, then time and date, then battery.
  virtual int OnKeyInfoDown();
  // Shared key-down behaviour for codes a window does not handle itself.
  virtual int OnDefaultKeyDown(int code);
  // Shared press behaviour (volume keys).
  virtual int OnDefaultKeyPress(int code);
  // For the key describer: what key `code` does here, in the interface
  // language (a named phrase), without the key's name; `held` is a key held down
  // while `code` was pressed (a chord), else -1. The base describes the
  // shared keys; a window describes its own and calls it for the rest.
  virtual std::string DescribeKey(int code, int held);
  // The key describer was switched on over this window: a window that makes
  // sound stops it (the user plays again once the describer is off).
  virtual void OnKeyDescriber();
};

// The reports every window gives alike, whatever is open: the time
// announcement, restored defaults, charging done, low battery. True when
// `code` was one of those events (now reported).
bool ReportSystemEvent(int code);

// A spoken list of choices. Subclasses set the count and index when created
// and implement Show and KeyOK.
class Menu : public iWindow {
 public:
  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  int OnRefresh() override;
  // Speaks the current item; base does nothing.
  virtual int Show();
  // Acts on the current item and returns a window result; base returns 0.
  virtual int KeyOK();
  std::string DescribeKey(int code, int held) override;

 protected:
  int m_ItemCount = 0;
  int m_CurIndex = 0;
};

constexpr int kMaxWindows = 32;

extern iWindow* g_WindowList[kMaxWindows];
extern int g_TotalWindows;
extern bool g_bMessageBoxRunning;

// Pushes a heap window; the stack owns it from now on. -1 for null or when
// 32 windows are already open (the window is then not taken; the caller
// still owns it).
int AddWindow(iWindow* w);
// Deletes the top window (no OnClose); never the root. 0 or -1.
int RemoveCurWindow();
// OnClose and delete every window above the root. -1 on an empty stack.
int CloseAllChildWindow();
// The top window's OnRefresh; -1 on an empty stack.
int RefreshCurWindow();
// The top window's OnTick with its result applied; -1 on an empty stack.
int WindowTick();
// Dispatch of a key or synthetic code; -1 when no window took it.
int KeyDown(int code);
int KeyPress(int code);
int KeyUp(int code);
// The window on top, or null.
iWindow* CurWindow();

// Modal notice (mode 0) or yes/no question (other modes) with a nested event
// loop. Returns KEY_PLAY (yes), KEY_BACK (no/cancelled), 0 (notice done),
// WND_STOP (closed from outside: the caller must delete itself and return 0
// without touching the stack), -1 (null text or no room), -2 (no memory).
int MessageBox(const char* text, int mode);
