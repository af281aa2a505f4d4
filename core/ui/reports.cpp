// Small spoken reports: volume, time, date, battery, keypad lock.
#include <ctime>

#include "core/ui/reports.h"
#include "power/shutdown_timers.h"
#include "core/ui/system_settings.h"
#include "speech/ux_language.h"
#include "speech/tts.h"
#include "platform/board.h"
#include "power/battery.h"

namespace {

void SayFixed(int id) {
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) SysTts_Play(text, -1);
}

struct tm LocalNow() {
  time_t now = BTime();
  struct tm lt;
  localtime_r(&now, &lt);
  return lt;
}

}  // namespace

void ReportSystemVolume() {
  char text[128];
  if (g_pUxLanguage &&
      g_pUxLanguage->GetString_Int(UxIntFormat::Volume, g_SystemSettings.GetVolume(), text, sizeof text) > 0)
    SysTts_Play(text, -1);
}

void ChgAndRepSysVol(int delta) {
  g_SystemSettings.ChangeVolume(delta);
  ReportSystemVolume();
}

void ReportSystemTime() {
  struct tm lt = LocalNow();
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetSystemTimeString(g_SystemSettings.timeformat, lt.tm_hour,
                                                          lt.tm_min, text, sizeof text) > 0)
    SysTts_Play(text, -1);
}

void ReportSystemTimeAndDate() {
  struct tm lt = LocalNow();
  int weekday = (lt.tm_wday + 6) % 7;  // 0 = Monday
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetSystemTimeAndDateString(
                           g_SystemSettings.timeformat, lt.tm_year + 1900, lt.tm_mon + 1,
                           lt.tm_mday, weekday, lt.tm_hour, lt.tm_min, text, sizeof text) > 0)
    SysTts_Play(text, -1);
}

void ReportBatteryLevel() {
  switch (GetBatState(false)) {
    case BAT_25:
      SayFixed(UxPhrase::BatteryLevel25Percent);
      break;
    case BAT_50:
      SayFixed(UxPhrase::BatteryLevel50Percent);
      break;
    case BAT_75:
      SayFixed(UxPhrase::BatteryLevel75Percent);
      break;
    case BAT_FULL:
      SayFixed(UxPhrase::BatteryLevelFull);
      break;
    case BAT_CHARGING:
      SayFixed(UxPhrase::Charging);
      break;
    case BAT_CHARGED:
      SayFixed(UxPhrase::ChargingCompleted);
      break;
    default:
      SayFixed(UxPhrase::BatteryLevelLow);
      break;
  }
}

void ReportKeyBoardLock() { SayFixed(UxPhrase::ButtonsLockedClickPowerButtonThen); }
void ReportKeyBoardUnLock() { SayFixed(UxPhrase::ButtonsUnlocked); }
void ReportSetToDefault() { SayFixed(UxPhrase::RestoreDefaultSettings); }
void ReportChargingFinished() { SayFixed(UxPhrase::ChargingCompleted); }

void ReportBatLowShutDownLeftTime() {
  char text[512];
  if (g_pUxLanguage &&
      g_pUxLanguage->BatLowTimeToShutDown(g_BatLowShutDownLeftTime, -1, text, sizeof text) > 0)
    SysTts_Play(text, -1);
}
