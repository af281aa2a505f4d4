#include "clock/alarm_speech.h"

#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "speech/ux_language.h"

std::string AlarmHourText(int hour) {
  char text[128] = "";
  if (g_pUxLanguage)
    g_pUxLanguage->GetAlarmHourString(g_SystemSettings.timeformat, hour, text, sizeof text);
  return text;
}

std::string AlarmMinuteText(int minute) {
  char text[128] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetAlarmMinuteString(minute, text, sizeof text);
  return text;
}

namespace {

std::string Weekday(int day) {
  char text[64] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetWeekdayString(day, text, sizeof text);
  return text;
}

}  // namespace

std::string RepeatSummary(int mask) {
  mask &= 0x7F;
  if (mask == 0) return PhraseText(UxPhrase::RecurrentClose);
  if (mask == 0x7F) return PhraseText(UxPhrase::RecurrentEveryDay);
  std::string text = PhraseText(UxPhrase::Recurrent);
  for (int d = 0; d < 7; ++d)
    if (mask & (1 << d)) text += ", " + Weekday(d);
  return text;
}

std::string RepeatDay(int mask, int day) {
  return Weekday(day) + " " + PhraseText(mask & (1 << day) ? UxPhrase::SelectedPressBookmarkKeyToCancel : UxPhrase::NotSelectedPressBookmarkKeyTo);
}

int OpenClockWindow(iWindow* w) {
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  w->OnRefresh();
  return 0;
}
