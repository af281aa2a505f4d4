// Shared between the window stack and the message box: the boxes whose
// nested loops are running, so that closing all child windows neither
// deletes a box nor its opener (both are still on the C++ call stack).
#pragma once

class iWindow;

struct RunningBox {
  iWindow* box;
  iWindow* opener;
  RunningBox* outer;  // the box that was running when this one opened
  // The opener was closed while its box ran: the box answers WND_STOP
  // whatever it was given, and the opener deletes itself on it.
  bool opener_closed = false;
};

extern RunningBox* g_pRunningBoxes;  // innermost first

// Takes `w` out of its slot without deleting it (0), -1 when not on the stack.
int DetachWindow(iWindow* w);
