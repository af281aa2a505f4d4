// The modal message box and its nested loop.
#include <fcntl.h>
#include <unistd.h>

#include <glib.h>

#include <cstdint>

#include "window_fixture.h"

namespace coretest {
namespace {

// Opens a box from its key handler, as windows do, and records the answer.
// On WND_STOP it deletes itself without touching the stack.
class Opener : public iWindow {
 public:
  Opener(int mode, int* answer) : mode_(mode), answer_(answer) {}
  ~Opener() override { g_Log.push_back("opener.deleted"); }
  int OnKeyDown(int) override {
    int r = MessageBox("Delete the file?", mode_);
    *answer_ = r;
    if (r == WND_STOP) {
      delete this;
      return 0;
    }
    return 0;
  }
  int OnKeyPress(int) override { return 0; }
  int OnClose() override {
    g_Log.push_back("opener.close");
    return 0;
  }
  int OnRefresh() override { return 0; }

 private:
  int mode_;
  int* answer_;
};

// Runs `fn` on the loop once the box's nested loop is running.
void WhenBoxRuns(void (*fn)()) {
  g_idle_add(
      [](gpointer f) -> gboolean {
        EXPECT_TRUE(g_bMessageBoxRunning);
        reinterpret_cast<void (*)()>(f)();
        return FALSE;
      },
      reinterpret_cast<gpointer>(fn));
}

class MessageBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_EQ(OpenSimulateKeyPipe(false), 0);
    fcntl(g_SimulateKeyPipe[0], F_SETFL, O_NONBLOCK);
    Drain();
  }
  // Records waiting in the simulate-key pipe, as {code, kind} pairs.
  std::vector<std::pair<int, int>> Drain() {
    std::vector<std::pair<int, int>> out;
    int32_t rec[2];
    while (read(g_SimulateKeyPipe[0], rec, sizeof rec) == sizeof rec) out.push_back({rec[0], rec[1]});
    return out;
  }
};

TEST_F(MessageBoxTest, QuestionAnswersYesOrNo) {
  Push("root");
  int answer = -99;
  AddWindow(new Opener(1, &answer));
  WhenBoxRuns([] { KeyDown(KEY_PLAY); });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, KEY_PLAY);
  EXPECT_FALSE(g_bMessageBoxRunning);
  EXPECT_EQ(g_TotalWindows, 2) << "the box is gone, its opener stays";

  WhenBoxRuns([] {
    KeyDown(KEY_UP);  // any other key: the question is asked again
    KeyDown(KEY_BACK);
  });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 2);
}

TEST_F(MessageBoxTest, NoticeEndsOnAnyKeyOrWhenItsSpeechIsDone) {
  Push("root");
  int answer = -99;
  AddWindow(new Opener(0, &answer));
  WhenBoxRuns([] { KeyDown(KEY_UP); });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, 0);

  answer = -99;
  WhenBoxRuns([] { WindowTick(); });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, 0) << "nothing is speaking, so the first tick ends the notice";
}

TEST_F(MessageBoxTest, IdlePowerOffCancelsTheQuestionAndComesBackLater) {
  Push("root");
  int answer = -99;
  AddWindow(new Opener(1, &answer));
  WhenBoxRuns([] { KeyDown(EV_IDLE_SHUTDOWN); });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, KEY_BACK);
  EXPECT_EQ(Drain(), (std::vector<std::pair<int, int>>{{EV_IDLE_SHUTDOWN, KEY_KIND_DOWN}}));
}

TEST_F(MessageBoxTest, ClosingAllChildrenWhileAQuestionRunsDeletesEachWindowOnce) {
  Push("root");
  AddWindow(new LogWindow("below"));
  int answer = -99;
  AddWindow(new Opener(1, &answer));
  WhenBoxRuns([] { CloseAllChildWindow(); });
  EXPECT_EQ(KeyDown(KEY_PLAY), 0);
  EXPECT_EQ(answer, WND_STOP);
  EXPECT_EQ(Count("opener.deleted"), 1);
  EXPECT_EQ(Count("opener.close"), 0) << "the opener is still running inside MessageBox";
  EXPECT_EQ(Count("below.close"), 1);
  EXPECT_EQ(Count("below.deleted"), 1);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_FALSE(g_bMessageBoxRunning);
}

// An answer given, then everything closed before the box's loop comes back
// (an alarm in the same turn of the loop): the opener is off the stack and
// must not act on the answer, only delete itself.
TEST_F(MessageBoxTest, ClosedRightAfterItsAnswerTheOpenerStopsAndIsDeletedOnce) {
  Push("root");
  int answer = -99;
  AddWindow(new Opener(1, &answer));
  WhenBoxRuns([] {
    KeyDown(KEY_PLAY);
    CloseAllChildWindow();
  });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, WND_STOP);
  EXPECT_EQ(Count("opener.deleted"), 1);
  EXPECT_EQ(g_TotalWindows, 1);
}

TEST_F(MessageBoxTest, ModeKeyWhileAQuestionRunsReachesTheRootAfterwards) {
  LogWindow* root = Push("root");
  int answer = -99;
  AddWindow(new Opener(1, &answer));
  // A synthetic event that closes every child, as an alarm or USB does.
  WhenBoxRuns([] { HandleSimulateKey(EV_USB_IN, KEY_KIND_DOWN); });
  KeyDown(KEY_PLAY);
  EXPECT_EQ(answer, WND_STOP);
  EXPECT_EQ(Count("opener.deleted"), 1);
  EXPECT_EQ(Count("root.down 1012"), 1);
  EXPECT_EQ(g_TotalWindows, 1);
  (void)root;
}

}  // namespace
}  // namespace coretest
