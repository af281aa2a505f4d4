// The keypad lock and the idle timers that every key press resets. Loop
// thread.
#pragma once

extern bool g_bKeyBoardLocked;
extern int g_InfoKeyDownTimes;  // consecutive info key presses

void ResetIdleShutDownTime();
void ResetIdleShutDownTimeWithoutChangeSleepTime();
