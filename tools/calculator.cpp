// The calculator window: the expression grows one chosen character at a
// time and every change is spoken.
#include <cctype>
#include <cstring>
#include <string>

#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "speech/tts.h"
#include "tools/calculator.h"
#include "tools/tools_speech.h"
#include "speech/ux_language.h"

namespace {

enum CalcState { CHOOSE_DIGIT = 0, CHOOSE_FRACTION = 1, OPERATOR_LAST = 2, RESULT_SHOWN = 3 };

bool IsDigit(char c) { return isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '='; }

int OperatorPhrase(char c) {
  switch (c) {
    case '.': return UxPhrase::Point;
    case '+': return UxPhrase::Plus;
    case '-': return UxPhrase::Subtract;
    case '*': return UxPhrase::Multiply;
    case '/': return UxPhrase::Divide;
    default: return UxPhrase::EqualTo;
  }
}

class Calcuator final : public iWindow {
 public:
  int OnRefresh() override {
    tools::Say(Spoken());
    return 0;
  }

  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked) return 0;
    if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
    if (code != KEY_DOWN && code != KEY_UP) return 0;
    if (!Cycle(code == KEY_DOWN)) return 0;
    ShowLastInput();
    return 0;
  }

  int OnKeyDown(int code) override {
    switch (code) {
      case KEY_UP:
      case KEY_DOWN:
      case KEY_PLAY:
      case KEY_MENU:
      case KEY_LEFT:
      case KEY_RIGHT:
      case KEY_BACK:
        SysTts_Stop();
        if (g_bKeyBoardLocked) {
          SysTts_Beep(8);
          return 0;
        }
        break;
      default:
        return OnDefaultKeyDown(code);
    }
    switch (code) {
      case KEY_PLAY: Play(); return 0;
      case KEY_MENU: Operator(); return 0;
      case KEY_LEFT: Delete(); ShowLastInput(); return 0;
      case KEY_RIGHT: OnRefresh(); return 0;
      case KEY_BACK: return WND_CLOSE;
      default: return 0;  // up and down act on the press that follows
    }
  }

  std::string DescribeKey(int code, int held) override {
    if (held >= 0) return iWindow::DescribeKey(code, held);
    switch (code) {
      case KEY_UP:
        return PhraseText(UxPhrase::KeyThePreviousDigitOrThe);
      case KEY_DOWN:
        return PhraseText(UxPhrase::KeyTheNextDigitOrThe);
      case KEY_PLAY:
        return PhraseText(UxPhrase::KeyKeepsTheDigitAndStarts);
      case KEY_MENU:
        return PhraseText(UxPhrase::KeyAddsAnOperationAgainThe);
      case KEY_LEFT:
        return PhraseText(UxPhrase::KeyDeletesTheLastCharacter);
      case KEY_RIGHT:
        return PhraseText(UxPhrase::KeySaysTheWholeCalculation);
      case KEY_BACK:
        return PhraseText(UxPhrase::KeyClosesTheCalculator);
      case KEY_INFO:
        return PhraseText(UxPhrase::KeySaysTheCalculationPressedTwice);
      default:
        return iWindow::DescribeKey(code, held);
    }
  }

  // For tests.
  const std::string& Expression() const { return expr_; }

 private:
  char Last() const { return expr_.back(); }
  bool AfterOperator() const { return expr_.size() >= 2 && IsOperator(expr_[expr_.size() - 2]); }
  bool Full() const { return expr_.size() >= kCalcMaxExpression - 1; }

  void ShowLastInput() {
    char c = Last();
    if (IsDigit(c))
      tools::Say(std::string(1, c));
    else
      tools::SayPhrase(OperatorPhrase(c));
  }

  // The whole expression: numbers as written, operators by their phrases.
  std::string Spoken() const {
    std::string out;
    for (size_t i = 0; i < expr_.size(); ++i) {
      char c = expr_[i];
      if (IsDigit(c) || (c == '.' && i > 0 && IsDigit(expr_[i - 1]))) {
        out += c;
        if (i + 1 == expr_.size() || !(IsDigit(expr_[i + 1]) || expr_[i + 1] == '.')) out += ' ';
        continue;
      }
      std::string p = PhraseText(OperatorPhrase(c));
      out += p;
      if (!p.empty() && p.back() != ' ') out += ' ';
    }
    if (state_ == RESULT_SHOWN) out += result_;
    if (out.size() > 8191) out.resize(8191);
    return out;
  }

  // Up and down on the character being chosen; false when nothing changed.
  bool Cycle(bool down) {
    char& c = expr_.back();
    switch (state_) {
      case CHOOSE_DIGIT:
        if (down) c = c == '9' ? '.' : c == '.' ? '0' : static_cast<char>(c + 1);
        else c = c == '0' ? '.' : c == '.' ? '9' : static_cast<char>(c - 1);
        DropLeadingZero();
        return true;
      case CHOOSE_FRACTION:
        if (down) c = c == '9' ? '0' : static_cast<char>(c + 1);
        else if (c != '0') c = static_cast<char>(c - 1);
        return true;
      case OPERATOR_LAST:
        if (c == '=') return true;  // after "=" only play or menu go on
        if (expr_.size() >= static_cast<size_t>(kCalcMaxExpression)) {
          OnRefresh();
          return false;
        }
        expr_ += '0';
        state_ = CHOOSE_DIGIT;
        return true;
      default:
        Restart();
        return true;
    }
  }

  // A digit chosen after a number that is a lone 0 (its fraction deleted
  // back to "0.") replaces that 0: "05" reads as 5, "00" as 0.
  void DropLeadingZero() {
    size_t n = expr_.size();
    if (n < 2 || !IsDigit(expr_[n - 1]) || expr_[n - 2] != '0') return;
    if (n == 2 || IsOperator(expr_[n - 3])) expr_.erase(n - 2, 1);
  }

  void Restart() {
    expr_ = "0";
    state_ = CHOOSE_DIGIT;
    result_.clear();
  }

  // A point being chosen that starts a number gets its zero ("0."); left
  // without a fraction, a lone point is that zero and a point after digits
  // goes ("5." is 5, never 50).
  void RepairPoint(bool keepPoint) {
    if (Last() != '.') return;
    bool starts = expr_.size() == 1 || AfterOperator();
    if (keepPoint) {
      if (starts) expr_.insert(expr_.size() - 1, "0");
    } else if (starts) {
      expr_.back() = '0';
    } else {
      expr_.pop_back();
    }
  }

  void Play();
  void PlayDigit();
  void Operator();
  void Delete();

  std::string expr_ = "0";
  int state_ = CHOOSE_DIGIT;
  std::string result_;
};

void Calcuator::PlayDigit() {
  if (Full()) {
    OnRefresh();
    return;
  }
  if (Last() == '.') {
    RepairPoint(true);
    expr_ += '0';
    state_ = CHOOSE_FRACTION;
  } else if (!(Last() == '0' && (expr_.size() == 1 || AfterOperator()))) {
    expr_ += '0';  // no leading zeros
  }
  ShowLastInput();
}

void Calcuator::Play() {
  switch (state_) {
    case CHOOSE_DIGIT:
      PlayDigit();
      return;
    case CHOOSE_FRACTION:
      if (Full()) return (void)OnRefresh();
      expr_ += '0';
      ShowLastInput();
      return;
    case OPERATOR_LAST: {
      if (Last() != '=') {
        if (Full()) return (void)OnRefresh();
        expr_ += '0';
        state_ = CHOOSE_DIGIT;
        ShowLastInput();
        return;
      }
      char text[kCalcResultSize];
      int r = CalcEvaluate(expr_.c_str(), text, sizeof text);
      if (r == 0) {
        result_ = text;
        state_ = RESULT_SHOWN;
        OnRefresh();
      } else {
        tools::SayPhrase(r == CALC_DIVIDE_BY_ZERO ? UxPhrase::CantDivide0 : UxPhrase::Error);
      }
      return;
    }
    default:
      tools::Say(result_);
  }
}

void Calcuator::Operator() {
  switch (state_) {
    case CHOOSE_DIGIT:
    case CHOOSE_FRACTION:
      if (Full()) return (void)OnRefresh();
      RepairPoint(false);
      expr_ += '+';
      break;
    case OPERATOR_LAST: {
      static const char kNext[] = "+-*/=";
      const char* at = strchr(kNext, Last());
      expr_.back() = at && at[1] ? at[1] : '+';
      break;
    }
    default:
      expr_ = result_ + "+";
      result_.clear();
  }
  state_ = OPERATOR_LAST;
  ShowLastInput();
}

void Calcuator::Delete() {
  switch (state_) {
    case CHOOSE_DIGIT:
      if (expr_.size() == 1) {
        expr_ = "0";
        return;
      }
      expr_.pop_back();
      if (!IsDigit(Last()) && Last() != '.') state_ = OPERATOR_LAST;
      return;
    case CHOOSE_FRACTION:
      expr_.pop_back();
      if (Last() == '.') state_ = CHOOSE_DIGIT;
      return;
    case OPERATOR_LAST: {
      expr_.pop_back();
      size_t start = expr_.find_last_of("+-*/=");
      start = start == std::string::npos ? 0 : start + 1;
      state_ = expr_.find('.', start) == std::string::npos ? CHOOSE_DIGIT : CHOOSE_FRACTION;
      if (expr_.empty()) expr_ = "0";
      return;
    }
    default:
      Restart();
  }
}

}  // namespace

int CreateCalcuator() {
  iWindow* w = new Calcuator();
  if (tools::Push(w) != 0) return -1;
  w->OnRefresh();
  return 0;
}
