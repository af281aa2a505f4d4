// The alarm windows' spoken texts, from the current phrase catalogue.
#pragma once

#include <string>

std::string AlarmHourText(int hour);
std::string AlarmMinuteText(int minute);
// "recurrent, close", "recurrent, every day" or "recurrent, Monday, ...".
std::string RepeatSummary(int mask);
// One weekday (0 Monday) and whether it is chosen.
std::string RepeatDay(int mask, int day);

class iWindow;
// Pushes a window and lets it speak; the window is deleted when the stack
// is full. 0 or -1.
int OpenClockWindow(iWindow* w);

// Lets the user pick an audio file of the internal memory as the signal;
// the full path lands in *target. 0, or -1 when the window cannot open.
int CreateAlarmSignalSelectMenu(std::string* target);
