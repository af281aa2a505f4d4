// Dispatch rules of the window stack.
#include "window_fixture.h"

namespace coretest {
namespace {

using Stack = WindowTest;

TEST_F(Stack, KeyDownPassesDownUntilAWindowTakesIt) {
  LogWindow* root = Push("root");
  LogWindow* mid = Push("mid");
  LogWindow* top = Push("top");
  top->down[KEY_POWER_SHORT] = WND_PASS_DOWN;
  mid->down[KEY_POWER_SHORT] = WND_PASS_DOWN;

  EXPECT_EQ(KeyDown(KEY_POWER_SHORT), 0);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"top.down 3000", "mid.down 3000", "root.down 3000"}));
  EXPECT_EQ(g_TotalWindows, 3);

  root->down[KEY_POWER_SHORT] = WND_PASS_DOWN;
  EXPECT_EQ(KeyDown(KEY_POWER_SHORT), -1) << "nothing lies below the root";
}

TEST_F(Stack, CloseDeletesTheWindowAndRefreshesTheNewTop) {
  Push("root");
  LogWindow* top = Push("top");
  top->down[KEY_BACK] = WND_CLOSE;
  EXPECT_EQ(KeyDown(KEY_BACK), WND_CLOSE);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"top.down 264", "top.deleted", "root.refresh"}));
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(g_WindowList[1], nullptr);
}

TEST_F(Stack, CloseAfterPassDownRemovesThatWindowAndKeepsTheOnesAbove) {
  Push("root");
  LogWindow* mid = Push("mid");
  LogWindow* top = Push("top");
  top->down[KEY_BACK] = WND_PASS_DOWN;
  mid->down[KEY_BACK] = WND_CLOSE;
  EXPECT_EQ(KeyDown(KEY_BACK), WND_CLOSE);
  EXPECT_EQ(Count("mid.deleted"), 1);
  ASSERT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(g_WindowList[1], top);
  EXPECT_EQ(Count("top.refresh"), 1);
}

TEST_F(Stack, ClosePassDownDeletesWithoutRefreshAndOffersTheCodeBeneath) {
  Push("root");
  Push("mid");
  LogWindow* top = Push("top");
  top->down[EV_IDLE_SHUTDOWN] = WND_CLOSE_PASS_DOWN;
  EXPECT_EQ(KeyDown(EV_IDLE_SHUTDOWN), 0);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"top.down 1019", "top.deleted", "mid.down 1019"}));
  EXPECT_EQ(g_TotalWindows, 2);
}

TEST_F(Stack, RootIsNeverClosedByItsOwnResults) {
  LogWindow* root = Push("root");
  root->down[KEY_BACK] = WND_CLOSE;
  root->down[KEY_PLAY] = WND_CLOSE_PASS_DOWN;
  root->tick = WND_CLOSE;
  KeyDown(KEY_BACK);
  EXPECT_EQ(KeyDown(KEY_PLAY), -1);
  WindowTick();
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(Count("root.deleted"), 0);
  EXPECT_EQ(RemoveCurWindow(), -1);
}

TEST_F(Stack, PositiveResultClosesEveryChildTopDownThenReachesTheRoot) {
  Push("root");
  Push("a");
  LogWindow* b = Push("b");
  b->down[KEY_RADIO] = KEY_RADIO;
  EXPECT_EQ(KeyDown(KEY_RADIO), KEY_RADIO);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"b.down 256", "b.close", "b.deleted", "a.close",
                                             "a.deleted", "root.down 256"}));
  EXPECT_EQ(g_TotalWindows, 1);
}

TEST_F(Stack, PressUpAndTickResultsFollowTheSameRules) {
  Push("root");
  LogWindow* a = Push("a");
  a->press = WND_PASS_DOWN;  // not special outside OnKeyDown: a code for the root
  EXPECT_EQ(KeyPress(KEY_UP), WND_PASS_DOWN);
  EXPECT_EQ(Count("a.close"), 1);
  EXPECT_EQ(Count("root.down 2002"), 1);

  LogWindow* b = Push("b");
  b->tick = WND_CLOSE;
  EXPECT_EQ(WindowTick(), WND_CLOSE);
  EXPECT_EQ(Count("b.close"), 0) << "a window closing itself gets no OnClose";
  EXPECT_EQ(Count("b.deleted"), 1);
  EXPECT_EQ(g_TotalWindows, 1);

  LogWindow* c = Push("c");
  c->up = WND_STOP;
  EXPECT_EQ(KeyUp(KEY_UP), WND_STOP);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(Count("root.up 306"), 0) << "only the top window sees releases";
}

TEST_F(Stack, The33rdWindowIsRefusedAndTheStackKeeps32) {
  for (int i = 0; i < kMaxWindows; ++i) Push("w" + std::to_string(i));
  LogWindow extra("extra");
  testing::internal::CaptureStderr();
  EXPECT_EQ(AddWindow(&extra), -1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("g_TotalWindows error = 32"), std::string::npos) << err;
  EXPECT_EQ(g_TotalWindows, kMaxWindows);
  EXPECT_EQ(CurWindow(), g_WindowList[31]);
  EXPECT_EQ(AddWindow(nullptr), -1);
}

TEST_F(Stack, AWindowThatClosesEverythingFromItsHandlerIsNotDeletedTwice) {
  Push("root");
  LogWindow* a = Push("a");
  // The handler itself empties the stack (as an alarm does), then reports
  // WND_CLOSE for a window that is already gone.
  a->on_down = [](int) {
    CloseAllChildWindow();
    return WND_CLOSE;
  };
  EXPECT_EQ(KeyDown(KEY_PLAY), WND_CLOSE);
  EXPECT_EQ(Count("a.deleted"), 1);
  EXPECT_EQ(g_TotalWindows, 1);
}

}  // namespace
}  // namespace coretest
