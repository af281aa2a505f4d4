// The countdown window: choose a length and interval, start, hear the time
// passed and left at the interval and on every key, and the end.
#include <algorithm>
#include <ctime>

#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"
#include "tools/calculagraph.h"
#include "tools/tools_speech.h"

namespace {

enum Item { ITEM_LENGTH, ITEM_USER_LENGTH, ITEM_INQUIRY, ITEM_DELETE, ITEM_INTERVAL, ITEM_COUNT };
constexpr int kMaxLength = 240;

int Now() { return static_cast<int>(BTime()); }

class Calculagraph final : public iWindow {
 public:
  Calculagraph() {
    CalculagraphData& d = g_CalculagraphData;
    if (d.length < 5 || d.length > kMaxLength) d.length = 30;
    if (d.interval != 30) d.interval = 15;
    RollToday();
  }
  // A countdown outlives its window: closed from outside (a charger, an
  // alarm, the power-off timers), it goes on and keeps announcing.

  int OnRefresh() override;
  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  int OnTick() override;
  std::string DescribeKey(int code, int held) override;

 private:
  static int Passed() { return CalculagraphPassedMinutes(); }

  static void RollToday() {
    time_t now = BTime();
    struct tm local;
    localtime_r(&now, &local);
    RollCalculagraphStats(&g_CalculagraphData, local);
  }

  // The countdown stops and what was counted goes into the statistics.
  static void Finish() {
    if (!g_bCalculagraphRunning) return;
    g_bCalculagraphRunning = false;
    AddCalculagraphMinutes(Passed());
  }

  int KeyWhileRunning(int code);
  int KeyWhileIdle(int code);
  void Start();
  void ChangeValue(int step);

  int item_ = ITEM_LENGTH;
  int period_ = -1;
};

void SayFormatted(int (iUxLanguage::*f)(int, char*, int), int value) {
  char text[512];
  if (g_pUxLanguage && (g_pUxLanguage->*f)(value, text, sizeof text) > 0) tools::Say(text);
}

int Calculagraph::OnRefresh() {
  if (!g_pUxLanguage) return 0;
  const CalculagraphData& d = g_CalculagraphData;
  char text[512];
  if (g_bCalculagraphRunning) {
    int passed = Passed();
    if (g_pUxLanguage->GetStopWatchInfo(passed, d.length - passed, text, sizeof text) > 0) tools::Say(text);
    return 0;
  }
  switch (item_) {
    case ITEM_LENGTH: SayFormatted(&iUxLanguage::GetCountdownMinuteString, d.length); break;
    case ITEM_USER_LENGTH: SayFormatted(&iUxLanguage::GetUserDefinedMinuteString, d.length); break;
    case ITEM_INQUIRY: {
      if (period_ < 0) {
        tools::SayPhrase(UxPhrase::Inquiry);
        break;
      }
      const int32_t minutes[] = {d.today, d.month, d.year, d.lastYear};
      if (g_pUxLanguage->GetStopWatchTotalInfoString(period_, minutes[period_], text, sizeof text) > 0)
        tools::Say(text);
      break;
    }
    case ITEM_DELETE: tools::SayPhrase(UxPhrase::DeleteData); break;
    default: SayFormatted(&iUxLanguage::GetStopWatchRemindMinuteString, d.interval);
  }
  return 0;
}

void Calculagraph::Start() {
  CalculagraphData& d = g_CalculagraphData;
  int now = Now();
  g_bCalculagraphRunning = true;
  d.start = now;
  d.next = d.interval < d.length ? now + d.interval * 60 : now + d.length * 60 - 180;
  MarkSettingsChanged(kToolsSettingsArea);
  tools::SayPhrase(UxPhrase::Start);
}

int Calculagraph::KeyWhileRunning(int code) {
  switch (code) {
    case KEY_BACK:
    case KEY_MENU: {
      SysTts_Stop();
      int passed = Passed();
      Finish();
      SayFormatted(&iUxLanguage::GetStopWatchInfo_Cancel, passed);
      return 0;
    }
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return 0;  // the press that follows changes the volume
    default:
      SysTts_Stop();
      return OnRefresh();
  }
}

int Calculagraph::KeyWhileIdle(int code) {
  switch (code) {
    case KEY_PLAY:
      SysTts_Stop();
      if (item_ == ITEM_LENGTH || item_ == ITEM_USER_LENGTH) {
        Start();
      } else if (item_ == ITEM_INQUIRY) {
        RollToday();
        period_ = period_ >= 3 ? 0 : period_ + 1;
        OnRefresh();
      } else if (item_ == ITEM_DELETE) {
        CalculagraphData& d = g_CalculagraphData;
        d.today = d.month = d.year = d.lastYear = 0;
        MarkSettingsChanged(kToolsSettingsArea);
        tools::SayPhrase(UxPhrase::DataDeleted);
      } else {
        OnRefresh();
      }
      return 0;
    case KEY_BACK:
    case KEY_MENU:
      SysTts_Stop();
      return WND_CLOSE;
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
      SysTts_Stop();
      return 0;  // the press that follows
    default:
      return OnDefaultKeyDown(code);
  }
}

int Calculagraph::OnKeyDown(int code) {
  switch (code) {
    case KEY_POWER_SHORT:
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
      // The window stays under the power menus (power then music locks the
      // keypad): a running countdown goes on.
      SysTts_Stop();
      return WND_PASS_DOWN;
    case EV_BATTERY_LOW:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
    case KEY_INFO:
      return OnDefaultKeyDown(code);
    default:
      break;
  }
  if (g_bKeyBoardLocked || code >= 1000) return OnDefaultKeyDown(code);
  return g_bCalculagraphRunning ? KeyWhileRunning(code) : KeyWhileIdle(code);
}

void Calculagraph::ChangeValue(int step) {
  CalculagraphData& d = g_CalculagraphData;
  switch (item_) {
    case ITEM_LENGTH:
    case ITEM_USER_LENGTH: {
      int unit = item_ == ITEM_LENGTH ? 30 : 5;
      d.length += step * unit;
      if (d.length > kMaxLength) d.length = unit;
      if (d.length < 1) d.length = kMaxLength;
      break;
    }
    case ITEM_INQUIRY:
      period_ += step;
      if (period_ > 3) period_ = 0;
      if (period_ < 0) period_ = 3;
      return;
    case ITEM_INTERVAL:
      d.interval = d.interval == 15 ? 30 : 15;
      break;
    default:
      return;
  }
  MarkSettingsChanged(kToolsSettingsArea);
}

int Calculagraph::OnKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  if (g_bCalculagraphRunning) return 0;
  switch (code) {
    case KEY_DOWN:
    case KEY_UP:
      item_ = (item_ + (code == KEY_DOWN ? 1 : ITEM_COUNT - 1)) % ITEM_COUNT;
      period_ = -1;
      if (item_ == ITEM_LENGTH) g_CalculagraphData.length = (g_CalculagraphData.length + 29) / 30 * 30;
      break;
    case KEY_RIGHT:
      ChangeValue(+1);
      break;
    case KEY_LEFT:
      ChangeValue(-1);
      break;
    default:
      return 0;
  }
  return OnRefresh();
}

std::string Calculagraph::DescribeKey(int code, int held) {
  if (held >= 0 || code == KEY_VOL_DOWN || code == KEY_VOL_UP) return iWindow::DescribeKey(code, held);
  if (g_bCalculagraphRunning)
    return code == KEY_BACK || code == KEY_MENU
               ? PhraseText(UxPhrase::KeyStopsTheCountdown)
               : PhraseText(UxPhrase::KeySaysTheMinutesPassedAnd);
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyThePreviousOrNextItem5);
    case KEY_LEFT:
    case KEY_RIGHT:
      return PhraseText(UxPhrase::KeyChangesTheValueOfThe);
    case KEY_PLAY:
      if (item_ == ITEM_LENGTH || item_ == ITEM_USER_LENGTH)
        return PhraseText(UxPhrase::KeyStartsTheCountdown);
      if (item_ == ITEM_INQUIRY) return PhraseText(UxPhrase::KeyTheNextPeriodOfThe);
      if (item_ == ITEM_DELETE) return PhraseText(UxPhrase::KeyDeletesTheStatistics);
      return PhraseText(UxPhrase::KeySaysTheItemAgain);
    case KEY_BACK:
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyClosesTheCountdown);
    default:
      return iWindow::DescribeKey(code, held);
  }
}

int Calculagraph::OnTick() { return CalculagraphStep(); }

}  // namespace

int CalculagraphPassedMinutes() {
  // Never below zero nor past the length: the clock may have been set back
  // or far ahead.
  long long p = (static_cast<long long>(Now()) - g_CalculagraphData.start) / 60;
  return static_cast<int>(std::clamp<long long>(p, 0, g_CalculagraphData.length));
}

int CalculagraphStep() {
  if (!g_bCalculagraphRunning) return 0;
  ResetIdleShutDownTimeWithoutChangeSleepTime();
  CalculagraphData& d = g_CalculagraphData;
  int now = Now();
  if (now < d.next) return 0;
  int passed = CalculagraphPassedMinutes();
  if (passed < d.length) {
    int left = d.length - passed;
    int step = left < 4 ? 1 : std::min(d.interval, left - 3);
    d.next = d.start + (passed + step) * 60;
    char text[512];
    if (g_pUxLanguage && g_pUxLanguage->GetStopWatchInfo(passed, left, text, sizeof text) > 0) tools::Say(text);
    return 0;
  }
  g_bCalculagraphRunning = false;
  AddCalculagraphMinutes(d.length);
  SayFormatted(&iUxLanguage::GetStopWatchInfo_End, d.length);
  return 0;
}

int CreateCalculagraph() {
  iWindow* w = new Calculagraph();
  if (tools::Push(w) != 0) return -1;
  w->OnRefresh();
  return 0;
}
