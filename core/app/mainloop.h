// The program's heartbeat: the event loop, keys, the 250 ms tick, activity
// counters and power-off. Everything here runs on the loop thread unless
// its comment says otherwise.
#pragma once

#include <glib.h>

#include <ctime>
#include <mutex>

#include "core/base/activity.h"
#include "core/ui/quiet_shutdown.h"
#include "power/shutdown_timers.h"

extern int g_ShutDownMode;  // 0 power key, 1 battery low, 2 timed, 3 quiet
extern int g_KeyContinueTimes;
extern int g_LastKeyCode;  // key held down; -1 = none
extern int g_LastKeyLeftTime;  // ticks to the next repeat of the held key
extern int g_PowerKeyShiftFunLeftTime;  // ticks left in the power-key shift window; -1 = closed
extern int g_PowerKeyDownTimes;  // consecutive ticks the power key was seen down
extern int g_UsbInTimes;  // consecutive ticks USB power was seen
extern int g_250msTimes;  // ticks since the last once-a-second step
extern int g_LastMinute;  // local minute of the last once-a-minute step
extern bool g_CharingFinished;  // end of charging announced for this charge
extern GIOChannel* g_InputkeyChannel;
extern int g_InputkeyFd;
extern GMainLoop* g_MainLoop;

// Start-up, the loop, and power-off. Returns what main returns.
int DtbMain(int argc, char** argv);

// Watches. Both always keep their watch.
gboolean key_input_callback(GIOChannel* channel, GIOCondition condition, gpointer data);
gboolean SimulateKey_CallBack(GIOChannel* channel, GIOCondition condition, gpointer data);
// One keypad event (Linux input_event fields), as the keypad watch hands it on.
void HandleInputEvent(unsigned type, unsigned code, int value);
// One simulate-key record, as the pipe watch hands it on.
void HandleSimulateKey(int code, int kind);
// Creates the simulate-key pipe (-1 when pipe fails) and, when `watch`,
// watches its read end on the default context.
int OpenSimulateKeyPipe(bool watch);
// The 250 ms timer; always TRUE.
gboolean TimeOutFun_250ms(void* data);
// With DTB_HEAP_REPORT in the environment: the tick samples the heap in use
// and power-off logs its peak ("heap: peak N KiB in use ...") on stderr.
void SampleHeap();
void ReportHeap();

[[noreturn]] void PowerOff();
// Programs (enable) or disables the RTC wake-up alarm; `when` is local time.
int SetRtcAlarm(bool enable, const struct tm* when);
// Writes "/mnt/settings/param" (the volumes for the boot stage). 0 or -1.
int WriteParamFile();

// The quiet power-off that QuietShutDown() runs once start-up installed it.
void QuietPowerOff();
// The end of a power-off timer's warning: "idle power off." or "shutting
// down." is said, so the device never falls silent without a word.
[[noreturn]] void TimerPowerOff(bool idle);
// Registers every settings area in the order power-off saves them.
void RegisterSettingsAreas();
// Plugs every subsystem into the layers below it; start-up calls it first.
void WireSubsystems();
