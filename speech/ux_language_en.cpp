// The English catalogue.
#include <strings.h>

#include <algorithm>

#include "speech/ux_language_impl.h"
#include "speech/ux_tables.h"

using uxfmt::Fmt;
using uxfmt::Within;
using uxfmt::Write;
using namespace uxen;

namespace {

const char* Month(int m) { return c_MonthDes[Within(m, 1, 12, 1) - 1]; }
const char* Ordinal(int d) { return c_DayDes[Within(d, 1, 31, 1) - 1]; }
const char* Weekday(int w) { return c_WeekdayDes[Within(w, 0, 6, 0)]; }
const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s && *s; }

std::string Hours(int n) { return n == 1 ? "1 hour" : Fmt("%d hours", n); }
std::string Minutes(int n) { return n == 1 ? "1 minute" : Fmt("%d minutes", n); }
std::string Seconds(int n) { return n == 1 ? "1 second" : Fmt("%d seconds", n); }

std::string Duration(int s) {
  s = std::max(s, 0);
  std::string out;
  if (s / 3600 > 0) out = Hours(s / 3600) + " ";
  return out + Minutes(s % 3600 / 60) + " " + Seconds(s % 60);
}

std::string HoursMinutes(int m) {
  std::string out;
  if (m / 60 > 0) out = Hours(m / 60) + " and ";
  return out + Minutes(m % 60);
}

// A countdown's lengths and times: whole hours without "and 0 minutes".
std::string Span(int m) { return m >= 60 && m % 60 == 0 ? Hours(m / 60) : HoursMinutes(m); }

std::string Twelve(int h, int m) {
  if (h == 0) return Fmt("12:%02d AM", m);
  if (h >= 1 && h <= 11) return Fmt("%d:%02d AM", h, m);
  if (h == 12) return Fmt("12:%02d PM", m);
  if (h >= 13 && h <= 23) return Fmt("%d:%02d PM", h - 12, m);
  return Fmt("%d:%02d", h, m);
}

std::string Time(int format, int h, int m) {
  return format == 12 ? Twelve(h, m) : Fmt("%d:%02d", h, m);
}

std::string HourWord(int format, int h) {
  if (format != 12) return Fmt("hour, %d", h);
  if (h == 0) return "hour, 12 AM";
  if (h >= 1 && h <= 11) return Fmt("hour, %d AM", h);
  if (h == 12) return "hour, 12 PM";
  return Fmt("hour, %d PM", h - 12);
}

// seconds below 60, whole minutes below 3600, else whole hours
std::string Step(int s) {
  if (s < 60) return Seconds(s);
  if (s < 3600) return Minutes(s / 60);
  return Hours(s / 3600);
}

std::string Speed(const char* word, int v) {
  return v < 0 ? Fmt("%s: minus %d", word, -v) : Fmt("%s: %d", word, v);
}

std::string Place(bool inMainFolder, const char* name) {
  std::string out = inMainFolder ? "main folder, " : "";
  if (Given(name)) out += Fmt("%s, ", name);
  return out;
}

const char* const c_Compass[8] = {", North",      ", North East", ", East",
                                  ", South East", ", South",      ", South West",
                                  ", West",       ", North West"};

}  // namespace

int UxLanguage_EnUs::GetString(int id, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* s = FindInStrInfo(c_UxstrInfo, kUxPhraseCount, id);
  return s ? Write(buf, size, s) : -2;
}

int UxLanguage_EnUs::GetString_Int(int id, int value, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* f = FindInStrInfo(c_UxstrInfo_Int, kUxIntFormatCount, id);
  return f ? Write(buf, size, Fmt(f, value)) : -2;
}

int UxLanguage_EnUs::GetString_String(int id, const char* text, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* f = FindInStrInfo(c_UxstrInfo_String, kUxTextFormatCount, id);
  return f ? Write(buf, size, Fmt(f, Text(text))) : -2;
}

int UxLanguage_EnUs::GetWeekdayString(int weekday, char* buf, int size) {
  return Write(buf, size, Weekday(weekday));
}

int UxLanguage_EnUs::GetMonthString(int month, char* buf, int size) {
  return Write(buf, size, Fmt("month %s", Month(month)));
}

int UxLanguage_EnUs::GetDayString(int day, char* buf, int size) {
  return Write(buf, size, Fmt("day %s", Ordinal(day)));
}

int UxLanguage_EnUs::GetSystemTimeString(int format, int hour, int minute, char* buf, int size) {
  if (format == 12) return Write(buf, size, Twelve(hour, minute));
  return Write(buf, size, Fmt("Current time is %d:%02d", hour, minute));
}

int UxLanguage_EnUs::GetSystemTimeAndDateString(int format, int year, int month, int day,
                                                int weekday, int hour, int minute, char* buf,
                                                int size) {
  std::string t = format == 12 ? Twelve(hour, minute) : Fmt("Current time is %d:%02d", hour, minute);
  return Write(buf, size,
               t + Fmt(", %s %s %d, %s", Month(month), Ordinal(day), year, Weekday(weekday)));
}

int UxLanguage_EnUs::GetTimeJumpString(int seconds, char* buf, int size) {
  if (seconds < 0) return -1;
  std::string part = seconds < 60      ? Seconds(seconds)
                     : seconds >= 3600 ? Hours(seconds / 3600)
                                       : Minutes(seconds / 60);
  return Write(buf, size, "time jump: " + part);
}

int UxLanguage_EnUs::GetEbookPageInfoString(int page, int pages, char* buf, int size) {
  if (page > pages) return Write(buf, size, Fmt("End of file, total pages: %d", pages));
  return Write(buf, size, Fmt("Current page: %d, total pages: %d", page, pages));
}

int UxLanguage_EnUs::GetEbookPageLabelInfoString(const char* label, int pages, char* buf, int size) {
  return Write(buf, size, Fmt("Current page: %s, total pages: %d", label ? label : "", pages));
}

int UxLanguage_EnUs::GetReadSpeedString(int v, char* buf, int size) {
  return Write(buf, size, Speed("Speed", v));
}
int UxLanguage_EnUs::GetReadPitchString(int v, char* buf, int size) {
  return Write(buf, size, Speed("Pitch", v));
}
int UxLanguage_EnUs::GetSpeedString(int v, char* buf, int size) {
  return Write(buf, size, Speed("Speed", v));
}
int UxLanguage_EnUs::GetPitchString(int v, char* buf, int size) {
  return Write(buf, size, Speed("Pitch", v));
}
int UxLanguage_EnUs::GetAudioPitchString(int v, char* buf, int size) {
  return Write(buf, size, Speed("Pitch", v));
}

int UxLanguage_EnUs::GetAudioSpeedString(int level, char* buf, int size) {
  if (level < 0) return Write(buf, size, Fmt("Speed: %d percent slower.", -5 * level));
  if (level == 0) return Write(buf, size, "Speed: normal.");
  return Write(buf, size, Fmt("Speed: %d percent faster.", 10 * level));
}

int UxLanguage_EnUs::GetDaisySpeedString(int v, char* buf, int size) {
  return Write(buf, size, Speed("speed", v));
}
int UxLanguage_EnUs::GetDaisyPitchString(int v, char* buf, int size) {
  return Write(buf, size, Speed("pitch", v));
}

int UxLanguage_EnUs::GetBgMusicVolumeString(int a, int b, char* buf, int size) {
  if (a <= 0) return Write(buf, size, "Background music volume: disable");
  return Write(buf, size, Fmt("Background music volume: %d:%d", a, b));
}

int UxLanguage_EnUs::GetEbookBookmarkInfoString(int number, bool added, const char* text,
                                                int page, int endPage, char* buf, int size) {
  if (added) {
    if (endPage < 0)
      return Write(buf, size, Fmt("Bookmark %d added, %s, page %d.", number, Text(text), page));
    return Write(buf, size, Fmt("Highlight bookmark %d added, %s, from page %d to page %d.",
                                number, Text(text), page, endPage));
  }
  if (endPage < 0) return Write(buf, size, Fmt("Bookmark %d, page %d.", number, page));
  return Write(buf, size,
               Fmt("Highlight bookmark %d, from page %d to page %d", number, page, endPage));
}

int UxLanguage_EnUs::GetAlarmHourString(int format, int hour, char* buf, int size) {
  return Write(buf, size, HourWord(format, hour));
}

int UxLanguage_EnUs::GetAlarmMinuteString(int minute, char* buf, int size) {
  return Write(buf, size, Fmt("minute, %d", minute));
}

int UxLanguage_EnUs::GetAlarmInfoString(int number, int format, int hour, int minute,
                                        bool enabled, int days, char* buf, int size) {
  std::string out = Fmt("alarm %d, %s, %s, recurrent: ", number, Time(format, hour, minute).c_str(),
                        enabled ? "enable" : "disable");
  days &= 0x7F;
  if (days == 0) {
    out += "only once";
  } else if (days == 0x7F) {
    out += "every day";
  } else {
    for (int d = 0; d < 7; ++d) {
      if (days & (1 << d)) out += Fmt("%s, ", c_WeekdayDes[d]);
    }
  }
  return Write(buf, size, out);
}

int UxLanguage_EnUs::GetAudioInfoString(const char* name, int position, int total, char* buf,
                                        int size) {
  // Without a name (the audio book's own info) the times stand alone.
  const std::string lead = name && *name ? Fmt("%s, current time: ", Text(name)) : "current time: ";
  return Write(buf, size, lead + Duration(position) + ", total time: " + Duration(total));
}

int UxLanguage_EnUs::GetAudioStepString(int seconds, char* buf, int size) {
  return Write(buf, size, "step " + Step(seconds));
}

int UxLanguage_EnUs::GetAudioBookmarkInfoString(int number, bool added, int start, int end,
                                                char* buf, int size) {
  if (end < 0) {
    std::string lead = added ? Fmt("bookmark %d added, ", number) : Fmt("bookmark %d, ", number);
    return Write(buf, size, lead + Duration(start));
  }
  std::string lead = added ? Fmt("highlight bookmark %d added, ", number)
                           : Fmt("highlight bookmark %d, ", number);
  return Write(buf, size, lead + "from " + Duration(start) + ", to " + Duration(end));
}

int UxLanguage_EnUs::GetBookmarkCntInfoString(const char* name, int count, char* buf, int size) {
  return Write(buf, size, Fmt(count == 1 ? "%s, %d bookmark" : "%s, %d bookmarks", Text(name), count));
}

int UxLanguage_EnUs::GetBookmarkIndexInfoString(const char* name, int number, char* buf,
                                                int size) {
  return Write(buf, size, Fmt("%s, bookmark %d, ", Text(name), number));
}

int UxLanguage_EnUs::GetBookmarkInfo_Ebook(int page, int endPage, const char* text, char* buf,
                                           int size) {
  std::string out = endPage < 0 ? Fmt("page %d", page)
                                : Fmt("highlight bookmark, from page %d, to page %d", page, endPage);
  if (Given(text)) out += Fmt(", %s", text);
  return Write(buf, size, out);
}

int UxLanguage_EnUs::GetBookmarkInfo_Audio(int start, int end, char* buf, int size) {
  if (end < 0) return Write(buf, size, Duration(start));
  return Write(buf, size, "highlight bookmark, from " + Duration(start) + ", to " + Duration(end));
}

int UxLanguage_EnUs::GetBookmarkInfo_DaisyPage(const char* page, const char* endPage, char* buf,
                                               int size) {
  if (!Given(page)) return Write(buf, size, "highlight bookmark");
  if (!Given(endPage)) return Write(buf, size, Fmt("page %s", page));
  return Write(buf, size, Fmt("highlight bookmark, from page %s to page %s", page, endPage));
}

int UxLanguage_EnUs::GetHistoryInfo_Ebook(const char* name, int page, const char* text, char* buf,
                                          int size) {
  return Write(buf, size, Fmt("%s, page %d, %s", Text(name), page, Text(text)));
}

int UxLanguage_EnUs::GetHistoryInfo_Audio(const char* name, int position, char* buf, int size) {
  return Write(buf, size, Fmt("%s, ", Text(name)) + Duration(position));
}

int UxLanguage_EnUs::GetHistoryInfo_DaisyPage(const char* name, const char* page, char* buf,
                                              int size) {
  return Write(buf, size, Fmt("%s, page %s", Text(name), Text(page)));
}

int UxLanguage_EnUs::GetTimeJumpIntervalString(int seconds, char* buf, int size) {
  return Write(buf, size, "time jump interval: " + Step(seconds));
}

int UxLanguage_EnUs::GetDaisyInfoTimeElapsed(int seconds, char* buf, int size) {
  return Write(buf, size, "elapsed time: " + Duration(seconds) + ", ");
}

namespace {

std::string About(int s) {
  s = uxfmt::RoundTimeLeft(s);
  if (s < 60) return "about " + Seconds(s);
  std::string out = "about ";
  if (s >= 3600) out += Hours(s / 3600);
  if (s >= 3600 && s % 3600 / 60) out += " ";
  if (s % 3600 / 60 || s < 3600) out += Minutes(s % 3600 / 60);
  if (s < 600 && s % 60) out += " " + Seconds(s % 60);
  return out;
}

}  // namespace

int UxLanguage_EnUs::GetTimeLeftString(int chapterSec, int bookSec, char* buf, int size) {
  std::string out;
  if (chapterSec >= 0) out = About(chapterSec) + " left in this chapter, ";
  return Write(buf, size, out + About(bookSec) + " left in the book");
}

int UxLanguage_EnUs::GetDaisyBookmarkInfoString(int number, bool added, bool highlight, int start,
                                                const char* startPage, int end,
                                                const char* endPage, char* buf, int size) {
  std::string out;
  if (highlight) {
    out = added ? Fmt("highlight bookmark %d added, ", number)
                : Fmt("highlight bookmark %d, ", number);
    if (start >= 0)
      out += "from " + Duration(start) + ", to " + Duration(end);
    else if (Given(startPage) && Given(endPage))
      out += Fmt("from page %s, to page %s", startPage, endPage);
  } else {
    out = added ? Fmt("bookmark %d added, ", number) : Fmt("bookmark %d, ", number);
    if (start >= 0)
      out += Duration(start);
    else if (Given(startPage))
      out += Fmt("page %s", startPage);
  }
  return Write(buf, size, out);
}

int UxLanguage_EnUs::GetDirPlaceString(bool inMainFolder, const char* name, int current,
                                       int total, char* buf, int size) {
  std::string out = Place(inMainFolder, name);
  if (current < 0)
    out += "folder";
  else
    out += Fmt("folder, total %d files, current %d", total, current);
  return Write(buf, size, out);
}

int UxLanguage_EnUs::GetFilePlaceAndSizeString(bool inMainFolder, const char* name,
                                               int64_t sizeInBytes, int current, int total,
                                               char* buf, int size) {
  std::string out = Place(inMainFolder, name);
  if (uxfmt::SizeInBytes(sizeInBytes))
    out += Fmt("%d bytes", static_cast<int32_t>(static_cast<uint64_t>(sizeInBytes) & 0xFFFFFFFFu));
  else
    out += uxfmt::SizeInUnits(sizeInBytes);
  if (current >= 0) out += Fmt(", total %d files, current %d", total, current);
  return Write(buf, size, out);
}

int UxLanguage_EnUs::GetReleasedDateString(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, Fmt("Released date %s %s %d\n", Month(month), Ordinal(day), year));
}

int UxLanguage_EnUs::GetReleasedTimeString(int hour, int minute, int second, char* buf, int size) {
  return Write(buf, size, Fmt("Released time %02d:%02d:%02d\n", hour, minute, second));
}

int UxLanguage_EnUs::GetDeliveryDateString(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, Fmt("delivery date %s %s %d\n", Month(month), Ordinal(day), year));
}

int UxLanguage_EnUs::GetDeviceCapacityString(int totalInternal, int freeInternal, int totalCard,
                                             int freeCard, char* buf, int size) {
  return Write(buf, size,
               Fmt("Total Internal memory %d MB\nRemaining internal Memory %d MB\n"
                   "Total micro sd card memory %d MB\nRemaining micro sd card memory %d MB",
                   totalInternal, freeInternal, totalCard, freeCard));
}

int UxLanguage_EnUs::GetIdleShutdownString(int minutes, char* buf, int size) {
  if (minutes < 0) return Write(buf, size, "idle power off: disable");
  if (minutes == 1) return Write(buf, size, "idle power off: 1 minute");
  return Write(buf, size, Fmt("idle power off: %d minutes", minutes));
}

int UxLanguage_EnUs::GetAutoShutdownString(int minutes, char* buf, int size) {
  if (minutes < 0) return Write(buf, size, "Auto shutdown time: disable");
  if (minutes == 1) return Write(buf, size, "Auto shutdown time: 1 minute");
  return Write(buf, size, Fmt("Auto shutdown time: %d minutes", minutes));
}

int UxLanguage_EnUs::GetStopWatchInfo(int passedMinutes, int leftMinutes, char* buf, int size) {
  return Write(buf, size,
               "time passed " + Span(passedMinutes) + ", left " + Span(leftMinutes));
}

int UxLanguage_EnUs::GetStopWatchInfo_Cancel(int minutes, char* buf, int size) {
  return Write(buf, size, "Canceled, time passed " + Span(minutes));
}

int UxLanguage_EnUs::GetStopWatchInfo_End(int minutes, char* buf, int size) {
  return Write(buf, size, "countdown end, total " + Span(minutes));
}

int UxLanguage_EnUs::GetCountdownMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size, "countdown " + Span(minutes));
}

int UxLanguage_EnUs::GetUserDefinedMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size, Fmt(minutes < 2 ? "user defined %d minute" : "user defined %d minutes",
                              minutes));
}

int UxLanguage_EnUs::GetStopWatchRemindMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size,
               Fmt(minutes < 2 ? "remind per %d minute" : "remind per %d minutes", minutes));
}

int UxLanguage_EnUs::GetStopWatchTotalInfoString(int period, int minutes, char* buf, int size) {
  const char* when = period == 0   ? " totaly today"
                     : period == 1 ? " totaly this month"
                     : period == 2 ? " totaly this year"
                                   : " totaly last year";
  return Write(buf, size, Span(minutes) + when);
}

int UxLanguage_EnUs::GetCompassDegreesString(int degrees, char* buf, int size) {
  int sector = uxfmt::CompassSector(&degrees);
  return Write(buf, size, Fmt("%d degrees", degrees) + c_Compass[sector]);
}

int UxLanguage_EnUs::GetRecordToInfo(bool toCard, int minutes, char* buf, int size) {
  std::string lead = toCard ? "Record to micro SD card, can record "
                            : "Record to internal memory, can record ";
  return Write(buf, size, lead + HoursMinutes(std::max(0, minutes)));
}

int UxLanguage_EnUs::GetRadioChannelInfo(int whole, int tenth, char* buf, int size) {
  return Write(buf, size, Fmt("%d point %d", whole, tenth));
}

int UxLanguage_EnUs::GetFmTxFreqInfo(int kilohertz, char* buf, int size) {
  return Write(buf, size, Fmt("transmit frequency: %d point %d", kilohertz / 1000,
                              kilohertz % 1000 / 100));
}

int UxLanguage_EnUs::GetHourDes(int format, int hour, char* buf, int size) {
  return Write(buf, size, HourWord(format, hour));
}

int UxLanguage_EnUs::GetMinuteDes(int minute, char* buf, int size) {
  return Write(buf, size, Fmt("minute, %d", minute));
}

int UxLanguage_EnUs::GetLanguageDes(const char* languageName, char* buf, int size) {
  if (!languageName || !buf || size <= 0) return -1;
  if (strcasecmp(languageName, "chinese") == 0) return Write(buf, size, "language: chinese");
  if (strcasecmp(languageName, "english") == 0) return Write(buf, size, "language: english");
  return Write(buf, size, Fmt("language: %s", languageName));
}

int UxLanguage_EnUs::IsLetter(int character) { return uxfmt::IsAsciiLetterOrDigit(character); }

int UxLanguage_EnUs::GetRecordFilenameFornt(int year, int month, int day, int, int, int, char* buf,
                                            int size) {
  return Write(buf, size, Fmt("Record%04d%02d%02d_", year, month, day));
}

int UxLanguage_EnUs::__n_Hours(int n, char* buf, int size) { return Write(buf, size, Hours(n)); }
int UxLanguage_EnUs::__n_Minutes(int n, char* buf, int size) {
  return Write(buf, size, Minutes(n));
}
int UxLanguage_EnUs::__n_Seconds(int n, char* buf, int size) {
  return Write(buf, size, Seconds(n));
}
int UxLanguage_EnUs::__n_HoursMinutesSeconds(int seconds, char* buf, int size) {
  return Write(buf, size, Duration(seconds));
}
int UxLanguage_EnUs::__n_HoursMinutes(int minutes, char* buf, int size) {
  return Write(buf, size, HoursMinutes(minutes));
}

int UxLanguage_EnUs::WillBeShutDownedAfter(int minutes, int seconds, char* buf, int size) {
  std::string when = minutes < 1   ? Seconds(seconds)
                     : seconds < 1 ? Minutes(minutes)
                                   : Duration(minutes * 60 + seconds);
  return Write(buf, size, "The device will be turned off after " + when);
}

int UxLanguage_EnUs::BatLowTimeToShutDown(int minutes, int, char* buf, int size) {
  return Write(buf, size, "Battery low, the device will be turned off after " + Minutes(minutes));
}

int UxLanguage_EnUs::DateMD(int month, int day, char* buf, int size) {
  return Write(buf, size, Fmt("%s %s", Month(month), Ordinal(day)));
}

int UxLanguage_EnUs::DateYMD(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, Fmt("%s %s %d", Month(month), Ordinal(day), year));
}

int UxLanguage_EnUs::TimeHM(int format, int hour, int minute, char* buf, int size) {
  return Write(buf, size, Time(format, hour, minute));
}

int UxLanguage_EnUs::GetCharacterDes(unsigned short character, char* buf, int size) {
  for (const CharacterDes& c : c_CharacterDes) {
    if (c.code == character) return Write(buf, size, c.name);
  }
  return Write(buf, size, "");
}
