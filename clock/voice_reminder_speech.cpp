// How a reminder and its fields are spoken, from the phrase catalogue's own
// pieces, the same ones the user hears while setting them.
#include "clock/voice_reminder_speech.h"

#include "clock/alarm_speech.h"
#include "clock/alarms.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

std::string RemindTypeText(int type) { return PhraseText(UxPhrase::Once + (type >= REMIND_ONCE && type <= REMIND_YEARLY ? type : 0)); }

std::string RemindYearText(int year) {
  char text[128] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetString_Int(UxIntFormat::Year, year, text, sizeof text);
  return text;
}

std::string RemindMonthText(int month) {
  char text[128] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetMonthString(month, text, sizeof text);
  return text;
}

std::string RemindDayText(int day) {
  char text[128] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetDayString(day, text, sizeof text);
  return text;
}

namespace {

std::string WeekdayName(int day) {
  char text[64] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetWeekdayString(day, text, sizeof text);
  return text;
}

}  // namespace

std::string RemindWeekdayText(int weekdays, int day) {
  return WeekdayName(day) + ", " + PhraseText(weekdays & RemindWeekdayBit(day) ? UxPhrase::Selected : UxPhrase::NotSelected);
}

std::string RemindDescription(const VoiceReminder& r) {
  RemindFields f = UnpackRemindTime(r.time);
  std::string text = RemindTypeText(r.type);
  switch (r.type) {
    case REMIND_ONCE:
      text += ", " + RemindYearText(f.year) + ", " + RemindMonthText(f.month) + ", " + RemindDayText(f.day);
      break;
    case REMIND_WEEKLY:
      for (int d = 0; d < 7; ++d)
        if (f.weekdays & RemindWeekdayBit(d)) text += ", " + WeekdayName(d);
      break;
    case REMIND_MONTHLY:
      text += ", " + RemindDayText(f.day);
      break;
    case REMIND_YEARLY:
      text += ", " + RemindMonthText(f.month) + ", " + RemindDayText(f.day);
      break;
    default:
      break;
  }
  return text + ", " + AlarmHourText(f.hour) + ", " + AlarmMinuteText(f.minute);
}

void RecordingPresenter::Present(const std::string& path, const std::string& text) {
  Stop();
  SysTts_Stop();
  text_ = text;
  if (SignalPlayFile(path.c_str()) == 0) {
    playing_ = true;
    return;
  }
  // Never silence in place of a voice: the user hears that it is missing.
  SysTts_Play((PhraseText(UxPhrase::CantPlay) + ", " + text).c_str(), -1);
}

void RecordingPresenter::Tick() {
  if (!playing_ || AlarmIsPlaying()) return;
  playing_ = false;
  AlarmRelease();
  if (!text_.empty()) SysTts_Play(text_.c_str(), -1);
}

void RecordingPresenter::Stop() {
  if (!playing_) return;
  playing_ = false;
  AlarmStop();
}
