// The settings menu: the spoken tree through which the user changes the
// system settings, sets the clock, and hears the version, the device
// information and the storage. Loop thread only.
#pragma once

#include <string>

// Pushes the main menu on its remembered item (the root refreshes it). 0,
// or -1 when the stack is full.
int CreateMainMenu();
// The item the main menu was left on; the next one starts there.
extern int g_MainMenuIndex;

// Days of a month (1..12) of a year.
int DaysInMonth(int year, int month);
// The spoken lines of the version information, the device-information
// record read from `snbPath` (skipped when absent or invalid).
std::string VersionInformationText(const char* snbPath);
// "Total Internal memory ... MB" and the rest, from the mounted disks.
std::string DeviceInformationText();
