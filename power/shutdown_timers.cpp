#include "power/shutdown_timers.h"

unsigned int g_AutoShutDownTime = static_cast<unsigned int>(-1);
int g_BatLowShutDownLeftTime = -1;
