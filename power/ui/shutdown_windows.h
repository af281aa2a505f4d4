// The power-off timer windows: the auto power-off menu (power key or the
// time settings), the idle power-off menu, and the 15-second warning windows
// that the root opens when either timer runs out. Loop thread only.
#pragma once

// Minutes of both timer lists; -1 = off.
extern const int c_AutoShutDownTimeList[17];
extern const int c_IdleShutDownTimeList[17];

// Each pushes its window and returns 0 (-1 when the stack is full). The
// menus speak at once; a warning window speaks on refresh when its warning
// setting is on.
int CreateAutoShutDownMenu(bool byPowerKey);
int CreateIdleShutDownMenu();
int CreateAutoShutDownTimeoutMenu();
int CreateIdleShutDownTimeoutMenu();

// How a warning window ends the device once its 15 seconds ran out; `idle`
// picks the farewell. Without one the device powers off quietly.
void SetTimerPowerOffHandler(void (*powerOff)(bool idle));
