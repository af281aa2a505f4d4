#include "power/shutdown_timers.h"

#include "platform/board.h"

unsigned int g_AutoShutDownTime = static_cast<unsigned int>(-1);
int g_BatLowShutDownLeftTime = -1;

void ArmAutoShutDown(int minutes) {
  g_AutoShutDownTime = minutes < 0 ? static_cast<unsigned int>(-1)
                                   : static_cast<unsigned int>(BTime()) + minutes * 60u;
}
