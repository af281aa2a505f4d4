// The calculator worked by keys as a user would, heard through speech.
#include "tests/tools/tools_fixture.h"
#include "tools/calculator.h"
#include "core/ui/keypad_idle.h"

namespace toolstest {
namespace {

class CalculatorWindow : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(CreateCalcuator(), 0);
  }
  // The whole expression as spoken by the right key.
  std::string Expression() {
    Key(KEY_RIGHT);
    return board_->LastSaid();
  }
};

TEST_F(CalculatorWindow, NoLeadingZerosAndDigitsConfirmedByPlay) {
  EXPECT_EQ(board_->LastSaid(), "0 ") << "opening speaks the expression";
  Key(KEY_PLAY, 2);
  EXPECT_EQ(Expression(), "0 ");
  Key(KEY_DOWN);
  EXPECT_EQ(board_->LastSaid(), "1");
  Key(KEY_PLAY);
  EXPECT_EQ(Expression(), "10 ");
}

TEST_F(CalculatorWindow, BuildsAndEvaluatesOnePlusTwo) {
  Key(KEY_DOWN);
  Key(KEY_MENU);
  EXPECT_EQ(board_->LastSaid(), "plus");
  Key(KEY_DOWN, 3);
  Key(KEY_MENU, 5);
  EXPECT_EQ(board_->LastSaid(), "equal to ");
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "1 plus 2 equal to 3");
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "3") << "play repeats the result";
  // Menu continues from the result.
  Key(KEY_MENU);
  EXPECT_EQ(board_->LastSaid(), "plus");
  EXPECT_EQ(Expression(), "3 plus ");
}

TEST_F(CalculatorWindow, FractionsAndTheirDigits) {
  Key(KEY_UP);
  EXPECT_EQ(board_->LastSaid(), " point");
  Key(KEY_PLAY);  // "0.0", choosing the first fraction digit
  Key(KEY_UP);
  EXPECT_EQ(Expression(), "0.0 ") << "a fraction digit at 0 stays 0 going up";
  Key(KEY_DOWN, 2);
  Key(KEY_MENU);  // 0.2+
  Key(KEY_DOWN, 4);  // 0.2+3
  Key(KEY_MENU, 5);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "0.2 plus 3 equal to 3.2");
}

TEST_F(CalculatorWindow, APointLeftWithoutItsFraction) {
  Key(KEY_DOWN, 5);
  Key(KEY_PLAY);
  Key(KEY_UP);
  Key(KEY_PLAY);
  Key(KEY_DOWN, 3);
  EXPECT_EQ(Expression(), "5.3 ");
  Key(KEY_LEFT);
  EXPECT_EQ(board_->LastSaid(), " point");
  Key(KEY_MENU);
  EXPECT_EQ(Expression(), "5 plus ") << "a trailing point goes, never a 0 in its place";
  Key(KEY_DOWN, 2);
  Key(KEY_MENU, 5);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "5 plus 1 equal to 6");
  // A lone point, and one right after an operator, are a 0.
  Key(KEY_LEFT);
  Key(KEY_UP);
  Key(KEY_MENU);
  Key(KEY_DOWN);
  Key(KEY_UP);
  Key(KEY_MENU);
  EXPECT_EQ(Expression(), "0 plus 0 plus ");
  // 0.0 with its fraction deleted, the point turned back into a digit.
  Key(KEY_LEFT, 4);
  Key(KEY_UP);
  Key(KEY_PLAY);
  Key(KEY_LEFT);
  Key(KEY_DOWN);
  EXPECT_EQ(Expression(), "0 ");
  Key(KEY_DOWN);
  EXPECT_EQ(Expression(), "1 ");
}

TEST_F(CalculatorWindow, DivisionByZeroThenClearedLikeNew) {
  for (int i = 0; i < 5; ++i) Key(KEY_DOWN);  // 5
  Key(KEY_MENU, 4);                          // 5/
  Key(KEY_DOWN);                             // 5/0
  Key(KEY_MENU, 5);                          // 5/0=
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "can't divide 0");
  Key(KEY_LEFT, 4);
  EXPECT_EQ(Expression(), "0 ");
  Key(KEY_PLAY);
  EXPECT_EQ(Expression(), "0 ") << "still no leading zero";
  Key(KEY_DOWN, 2);
  Key(KEY_MENU);
  Key(KEY_DOWN, 3);
  Key(KEY_MENU, 5);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "2 plus 2 equal to 4");
}

TEST_F(CalculatorWindow, LongestExpressionStopsGrowing) {
  Key(KEY_DOWN);
  Key(KEY_PLAY, 300);  // 1 and zeros until the expression is full
  std::string e = Expression();
  EXPECT_EQ(e, "1" + std::string(254, '0') + " ");
  Key(KEY_MENU);
  EXPECT_EQ(board_->LastSaid(), e) << "no room for an operator: the expression is spoken";
}

TEST_F(CalculatorWindow, LockedKeypadOnlyBeeps) {
  g_bKeyBoardLocked = true;
  board_->Clear();
  Key(KEY_DOWN);
  Key(KEY_PLAY);
  g_bKeyBoardLocked = false;
  EXPECT_EQ(Expression(), "0 ");
  EXPECT_EQ(Key(KEY_BACK), WND_CLOSE);
  EXPECT_EQ(g_TotalWindows, 1);
}

}  // namespace
}  // namespace toolstest
