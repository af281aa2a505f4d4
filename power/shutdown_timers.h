// The power-off timers the tick counts down and the players report.
#pragma once

extern unsigned int g_AutoShutDownTime;  // absolute; (unsigned)-1 = off
extern int g_BatLowShutDownLeftTime;  // minutes; -1 = not counting

// Arms the auto power-off `minutes` from now, or disarms it for -1.
void ArmAutoShutDown(int minutes);
