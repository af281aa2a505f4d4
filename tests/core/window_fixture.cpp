#include "window_fixture.h"
#include "core/ui/keypad_idle.h"

#include <algorithm>

namespace coretest {

std::vector<std::string> g_Log;

int Count(const std::string& line) {
  return static_cast<int>(std::count(g_Log.begin(), g_Log.end(), line));
}

LogWindow* Push(const std::string& name) {
  LogWindow* w = new LogWindow(name);
  EXPECT_EQ(AddWindow(w), 0);
  return w;
}

namespace {
void ClearStack() {
  while (g_TotalWindows > 0) {
    iWindow* w = g_WindowList[--g_TotalWindows];
    g_WindowList[g_TotalWindows] = nullptr;
    delete w;
  }
}
}  // namespace

void WindowTest::SetUp() {
  ClearStack();
  g_Log.clear();
  g_bKeyBoardLocked = false;
  g_InfoKeyDownTimes = 0;
}

void WindowTest::TearDown() {
  ClearStack();
  g_bKeyBoardLocked = false;
  g_InfoKeyDownTimes = 0;
}

}  // namespace coretest
