// The reminder menu's spoken texts, and the playing of a recording followed
// by its description. Loop thread.
#pragma once

#include <string>

#include "clock/voice_reminder.h"


// Weekday d (0 Monday .. 6 Sunday) in the packed mask: bit 6 Monday.
inline int RemindWeekdayBit(int d) { return 1 << (6 - d); }

std::string RemindTypeText(int type);
std::string RemindYearText(int year);
std::string RemindMonthText(int month);
std::string RemindDayText(int day);
// "Monday, selected" or "Monday, not selected".
std::string RemindWeekdayText(int weekdays, int day);
// The type and the fields it uses: "every week, Monday, Friday, hour, 8, minute, 0".
std::string RemindDescription(const VoiceReminder& r);

// Plays a recording on the signal thread, then says a text; a recording
// that cannot be played is said to be so instead of being silence.
class RecordingPresenter {
 public:
  void Present(const std::string& path, const std::string& text);
  // From the window's tick: the text once the recording ended.
  void Tick();
  // Stops the recording (the text is not said).
  void Stop();
  bool Playing() const { return playing_; }

 private:
  std::string text_;
  bool playing_ = false;
};
