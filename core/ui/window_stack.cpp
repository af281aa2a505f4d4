// The window stack and the dispatch of keys, presses, releases and ticks.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <typeinfo>

#include "core/base/diag.h"
#include "platform/board.h"
#include "core/ui/key_describer.h"
#include "core/ui/window.h"
#include "core/ui/window_stack_internal.h"

iWindow* g_WindowList[kMaxWindows];
int g_TotalWindows = 0;
bool g_bMessageBoxRunning = false;
RunningBox* g_pRunningBoxes = nullptr;

namespace {

// Tools that drive the keys from outside (the simulator's random-key run)
// must know which window answered; the board's transcript gets the top
// window whenever it changes ("window <depth> <class>"; nothing on the device).
void NoteTopWindow() {
  static const std::type_info* s_Type = nullptr;
  static int s_Depth = -1;
  iWindow* w = CurWindow();
  const std::type_info* t = w ? &typeid(*w) : nullptr;
  if (t == s_Type && g_TotalWindows == s_Depth) return;
  s_Type = t;
  s_Depth = g_TotalWindows;
  std::string name = "none";
  if (t) {
    int status = 0;
    char* d = abi::__cxa_demangle(t->name(), nullptr, nullptr, &status);
    name = status == 0 && d ? d : t->name();
    free(d);
  }
  board::Current().Transcript("window", std::to_string(g_TotalWindows - 1) + " " + name);
}

// Deletes the window at `i` and closes the gap above it.
bool IsRunningBox(const iWindow* w) {
  for (RunningBox* b = g_pRunningBoxes; b; b = b->outer)
    if (b->box == w) return true;
  return false;
}

// True when `w` is still executing inside MessageBox; marks its boxes so
// they answer WND_STOP, on which it deletes itself.
bool CloseBoxOpener(const iWindow* w) {
  bool opener = false;
  for (RunningBox* b = g_pRunningBoxes; b; b = b->outer)
    if (b->opener == w) {
      b->opener_closed = true;
      DetachWindow(b->box);
      b->box->OnClose();  // ends its loop; MessageBox deletes it
      opener = true;
    }
  return opener;
}

void DeleteAt(int i) {
  iWindow* w = g_WindowList[i];
  for (int j = i; j + 1 < g_TotalWindows; ++j) g_WindowList[j] = g_WindowList[j + 1];
  g_WindowList[--g_TotalWindows] = nullptr;
  // A window whose message box runs is still executing: deleting it here
  // left the box's return in freed memory; it deletes itself on WND_STOP.
  if (!CloseBoxOpener(w)) delete w;
  NoteTopWindow();
}

// A handler may have changed the stack (a nested message box, a window
// closing everything): a result is applied only to the window that gave it,
// and only while it is still where it was.
bool StillAt(int i, const iWindow* w) { return i < g_TotalWindows && g_WindowList[i] == w; }

// Applies a result of OnKeyPress, OnKeyUp or OnTick given by the top window.
int ApplyTopResult(int r, int top, const iWindow* w) {
  if (r <= 0 || r == WND_STOP) return r;
  if (r == WND_CLOSE) {
    if (StillAt(top, w) && top > 0) {
      DeleteAt(top);
      RefreshCurWindow();
    }
    return WND_CLOSE;
  }
  CloseAllChildWindow();
  if (g_TotalWindows > 0 && g_WindowList[0]) g_WindowList[0]->OnKeyDown(r);
  return r;
}

}  // namespace

int DetachWindow(iWindow* w) {
  for (int i = 0; i < g_TotalWindows; ++i) {
    if (g_WindowList[i] != w) continue;
    for (int j = i; j + 1 < g_TotalWindows; ++j) g_WindowList[j] = g_WindowList[j + 1];
    g_WindowList[--g_TotalWindows] = nullptr;
    NoteTopWindow();
    return 0;
  }
  return -1;
}

iWindow* CurWindow() { return g_TotalWindows > 0 ? g_WindowList[g_TotalWindows - 1] : nullptr; }

int AddWindow(iWindow* w) {
  if (!w) return -1;
  if (g_TotalWindows >= kMaxWindows) {
    StderrSetColor('0', '1');
    fprintf(stderr, "g_TotalWindows error = %d\n", g_TotalWindows);
    StderrSetToDefault();
    return -1;
  }
  g_WindowList[g_TotalWindows++] = w;
  NoteTopWindow();
  return 0;
}

int RemoveCurWindow() {
  if (g_TotalWindows < 2) return -1;
  DeleteAt(g_TotalWindows - 1);
  return 0;
}

int CloseAllChildWindow() {
  if (g_TotalWindows <= 0) return -1;
  // An alarm, the cable or a mode key takes over: its keys must act.
  KeyDescriberOff();
  while (g_TotalWindows > 1) {
    int top = g_TotalWindows - 1;
    iWindow* w = g_WindowList[top];
    g_WindowList[top] = nullptr;
    g_TotalWindows = top;
    if (!w) continue;
    if (IsRunningBox(w)) {
      w->OnClose();  // ends its loop; MessageBox deletes it
    } else if (CloseBoxOpener(w)) {
      // still executing inside MessageBox; it deletes itself on WND_STOP
    } else {
      w->OnClose();
      delete w;
    }
  }
  NoteTopWindow();
  return 0;
}

int RefreshCurWindow() {
  iWindow* w = CurWindow();
  return w ? w->OnRefresh() : -1;
}

int WindowTick() {
  iWindow* w = CurWindow();
  if (!w) return -1;
  int top = g_TotalWindows - 1;
  return ApplyTopResult(w->OnTick(), top, w);
}

int KeyPress(int code) {
  iWindow* w = CurWindow();
  if (!w) return -1;
  if (KeyDescriberOn() && IsKeypadKey(code)) return 0;  // described on its way down
  int top = g_TotalWindows - 1;
  return ApplyTopResult(w->OnKeyPress(code), top, w);
}

int KeyUp(int code) {
  iWindow* w = CurWindow();
  if (!w) return -1;
  if (KeyDescriberOn() && IsKeypadKey(code)) return 0;
  int top = g_TotalWindows - 1;
  return ApplyTopResult(w->OnKeyUp(code), top, w);
}

int KeyDown(int code) {
  if (g_TotalWindows <= 0) return -1;
  if (KeyDescriberOn() && IsKeypadKey(code)) {
    DescribeKeyOnTop(code, -1);
    return -2;  // no press follows
  }
  int i = g_TotalWindows - 1;
  for (;;) {
    iWindow* w = g_WindowList[i];
    if (!w) return -1;
    int r = w->OnKeyDown(code);
    if (r <= 0 || r == WND_STOP) return r;
    if (r == WND_CLOSE) {
      if (StillAt(i, w) && i > 0) {
        DeleteAt(i);
        RefreshCurWindow();
      }
      return WND_CLOSE;
    }
    if (r == WND_PASS_DOWN) {
      if (!StillAt(i, w)) return -1;
      if (--i < 0) return -1;
      continue;
    }
    if (r == WND_CLOSE_PASS_DOWN) {
      // The root is never closed, and a window already gone ends the walk.
      if (!StillAt(i, w) || i == 0) return -1;
      DeleteAt(i);
      i = g_TotalWindows - 1;
      continue;
    }
    CloseAllChildWindow();
    if (g_TotalWindows > 0 && g_WindowList[0]) g_WindowList[0]->OnKeyDown(r);
    return r;
  }
}
