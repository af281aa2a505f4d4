// Short spoken reports any window may give: volume, time, date, battery,
// the keypad lock, defaults restored, charging, the low-battery countdown.
#pragma once

void ReportSystemVolume();
void ChgAndRepSysVol(int delta);
void ReportSystemTime();
void ReportSystemTimeAndDate();
void ReportBatteryLevel();
void ReportKeyBoardLock();
void ReportKeyBoardUnLock();
void ReportSetToDefault();
void ReportChargingFinished();
void ReportBatLowShutDownLeftTime();
