// The two catalogues. Each is one stateless object with static lifetime.
#pragma once

#include <string>

#include "speech/ux_language.h"

// Every operation of the interface, declared as an override.
#define UX_LANGUAGE_OVERRIDES \
  int GetString(int id, char* buf, int size) override; \
  int GetString_Int(int id, int value, char* buf, int size) override; \
  int GetString_String(int id, const char* text, char* buf, int size) override; \
  int GetWeekdayString(int weekday, char* buf, int size) override; \
  int GetMonthString(int month, char* buf, int size) override; \
  int GetDayString(int day, char* buf, int size) override; \
  int GetSystemTimeString(int format, int hour, int minute, char* buf, int size) override; \
  int GetSystemTimeAndDateString(int format, int year, int month, int day, int weekday, int hour, int minute, char* buf, int size) override; \
  int GetTimeJumpString(int seconds, char* buf, int size) override; \
  int GetEbookPageInfoString(int page, int pages, char* buf, int size) override; \
  int GetEbookPageLabelInfoString(const char* label, int pages, char* buf, int size) override; \
  int GetReadSpeedString(int value, char* buf, int size) override; \
  int GetReadPitchString(int value, char* buf, int size) override; \
  int GetSpeedString(int value, char* buf, int size) override; \
  int GetPitchString(int value, char* buf, int size) override; \
  int GetAudioPitchString(int value, char* buf, int size) override; \
  int GetAudioSpeedString(int level, char* buf, int size) override; \
  int GetDaisySpeedString(int value, char* buf, int size) override; \
  int GetDaisyPitchString(int value, char* buf, int size) override; \
  int GetBgMusicVolumeString(int a, int b, char* buf, int size) override; \
  int GetEbookBookmarkInfoString(int number, bool added, const char* text, int page, int endPage, char* buf, int size) override; \
  int GetAlarmHourString(int format, int hour, char* buf, int size) override; \
  int GetAlarmMinuteString(int minute, char* buf, int size) override; \
  int GetAlarmInfoString(int number, int format, int hour, int minute, bool enabled, int days, char* buf, int size) override; \
  int GetAudioInfoString(const char* name, int position, int total, char* buf, int size) override; \
  int GetAudioStepString(int seconds, char* buf, int size) override; \
  int GetAudioBookmarkInfoString(int number, bool added, int start, int end, char* buf, int size) override; \
  int GetBookmarkCntInfoString(const char* name, int count, char* buf, int size) override; \
  int GetBookmarkIndexInfoString(const char* name, int number, char* buf, int size) override; \
  int GetBookmarkInfo_Ebook(int page, int endPage, const char* text, char* buf, int size) override; \
  int GetBookmarkInfo_Audio(int start, int end, char* buf, int size) override; \
  int GetBookmarkInfo_DaisyPage(const char* page, const char* endPage, char* buf, int size) override; \
  int GetHistoryInfo_Ebook(const char* name, int page, const char* text, char* buf, int size) override; \
  int GetHistoryInfo_Audio(const char* name, int position, char* buf, int size) override; \
  int GetHistoryInfo_DaisyPage(const char* name, const char* page, char* buf, int size) override; \
  int GetTimeJumpIntervalString(int seconds, char* buf, int size) override; \
  int GetDaisyInfoTimeElapsed(int seconds, char* buf, int size) override; \
  int GetTimeLeftString(int chapterSec, int bookSec, char* buf, int size) override; \
  int GetDaisyBookmarkInfoString(int number, bool added, bool highlight, int start, const char* startPage, int end, const char* endPage, char* buf, int size) override; \
  int GetDirPlaceString(bool inMainFolder, const char* name, int current, int total, char* buf, int size) override; \
  int GetFilePlaceAndSizeString(bool inMainFolder, const char* name, int64_t sizeInBytes, int current, int total, char* buf, int size) override; \
  int GetReleasedDateString(int year, int month, int day, char* buf, int size) override; \
  int GetReleasedTimeString(int hour, int minute, int second, char* buf, int size) override; \
  int GetDeliveryDateString(int year, int month, int day, char* buf, int size) override; \
  int GetDeviceCapacityString(int totalInternal, int freeInternal, int totalCard, int freeCard, char* buf, int size) override; \
  int GetIdleShutdownString(int minutes, char* buf, int size) override; \
  int GetAutoShutdownString(int minutes, char* buf, int size) override; \
  int GetStopWatchInfo(int passedMinutes, int leftMinutes, char* buf, int size) override; \
  int GetStopWatchInfo_Cancel(int minutes, char* buf, int size) override; \
  int GetStopWatchInfo_End(int minutes, char* buf, int size) override; \
  int GetCountdownMinuteString(int minutes, char* buf, int size) override; \
  int GetUserDefinedMinuteString(int minutes, char* buf, int size) override; \
  int GetStopWatchRemindMinuteString(int minutes, char* buf, int size) override; \
  int GetStopWatchTotalInfoString(int period, int minutes, char* buf, int size) override; \
  int GetCompassDegreesString(int degrees, char* buf, int size) override; \
  int GetRecordToInfo(bool toCard, int minutes, char* buf, int size) override; \
  int GetRadioChannelInfo(int whole, int tenth, char* buf, int size) override; \
  int GetFmTxFreqInfo(int kilohertz, char* buf, int size) override; \
  int GetHourDes(int format, int hour, char* buf, int size) override; \
  int GetMinuteDes(int minute, char* buf, int size) override; \
  int GetLanguageDes(const char* languageName, char* buf, int size) override; \
  int IsLetter(int character) override; \
  int GetRecordFilenameFornt(int year, int month, int day, int hour, int minute, int second, char* buf, int size) override; \
  int __n_Hours(int n, char* buf, int size) override; \
  int __n_Minutes(int n, char* buf, int size) override; \
  int __n_Seconds(int n, char* buf, int size) override; \
  int __n_HoursMinutesSeconds(int seconds, char* buf, int size) override; \
  int __n_HoursMinutes(int minutes, char* buf, int size) override; \
  int WillBeShutDownedAfter(int minutes, int seconds, char* buf, int size) override; \
  int BatLowTimeToShutDown(int minutes, int ignored, char* buf, int size) override; \
  int DateMD(int month, int day, char* buf, int size) override; \
  int DateYMD(int year, int month, int day, char* buf, int size) override; \
  int TimeHM(int format, int hour, int minute, char* buf, int size) override; \
  int GetCharacterDes(unsigned short character, char* buf, int size) override;

class UxLanguage_EnUs final : public iUxLanguage {
 public:
  UX_LANGUAGE_OVERRIDES
};

class UxLanguage_008_polish_varin final : public iUxLanguage {
 public:
  UX_LANGUAGE_OVERRIDES
};

extern UxLanguage_EnUs c_UxLanguage_EnUs;
extern UxLanguage_008_polish_varin c_UxLanguage_Polish;

// Helpers shared by both catalogues.
namespace uxfmt {
// Writes text into the buffer, cut to size - 1 bytes without splitting a
// UTF-8 character; the bytes written, or -1 for no buffer or no room.
int Write(char* buf, int size, const std::string& text);
// printf into a string.
std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// v when lo <= v <= hi, else `otherwise`.
inline int Within(int v, int lo, int hi, int otherwise) { return (v < lo || v > hi) ? otherwise : v; }
// Degrees brought into 0..359 and their sector 0 (north) .. 7 (north-west).
int CompassSector(int* degrees);
// Sizes from 1 KiB up: "%.2fKB", "%.2fMB", "%.2fGB" (single precision).
std::string SizeInUnits(int64_t n);
// A time left rounded as it is spoken: to 5 s below a minute, to 10 s below
// ten minutes, to the minute above; never 0 for a time that is not 0.
int RoundTimeLeft(int seconds);
// True when the size is spoken in bytes (below 1 KiB or a negative high word).
bool SizeInBytes(int64_t n);
bool IsAsciiLetterOrDigit(int c);
}  // namespace uxfmt
