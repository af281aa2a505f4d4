// The program's heartbeat: the event loop, keys, the 250 ms tick, activity
// counters and power-off. Everything here runs on the loop thread unless
// its comment says otherwise.
#pragma once

#include <ctime>
#include <mutex>

struct rtc_time;

extern int g_HwVersion;  // 1 when "/dev/amp_en" exists (amplifier board)
extern int g_ShutDownMode;  // 0 power key, 1 battery low, 2 timed, 3 quiet
extern bool g_bKeyBoardLocked;
extern int g_InfoKeyDownTimes;
extern int g_KeyContinueTimes;
extern int g_SleepLeftTime;  // seconds; under g_SleepTimeMutex
extern int g_IdleShutDownLeftTime;  // seconds; under g_SleepTimeMutex
extern std::mutex g_SleepTimeMutex;
extern unsigned int g_AutoShutDownTime;  // absolute; (unsigned)-1 = off
extern int g_BatLowShutDownLeftTime;  // minutes; -1 = not counting

// Any thread: queues a synthetic key {code, kind} for the loop thread.
int SendSimulateKey(int code, int kind);
// Any thread: keeps standby and idle power-off away for `seconds`.
void DelaySleepTime(int seconds);
void ResetIdleShutDownTime();
void ResetIdleShutDownTimeWithoutChangeSleepTime();
void QuietShutDown();
[[noreturn]] void PowerOff();
int SavePowerOffSettings();
int SetRtcAlarm(bool enable, const struct tm* when);
int IsMountDir(const char* path);
int CreateDaisyDir();
int ChangeDirname(const char* directory, int phraseId);
int SetAllToDefault();
int SetMinCpuMHz(int megahertz);
void SetWorkingLed(int on);

// Spoken reports.
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
