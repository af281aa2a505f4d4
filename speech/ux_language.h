// The phrase catalogue: every prompt the device speaks, per interface
// language. Callers pass an output buffer and its size; each operation writes
// NUL-terminated UTF-8 and returns the number of bytes written (without the
// NUL), or -1 for a null buffer or a size of 0 or less. The texts are cut to
// the buffer; a composed result may then report more than was written, so
// callers pass 128 to 512 bytes. Stateless objects: any thread may call them.
#pragma once

#include <cstdint>
#include <string>

#include "speech/ux_phrase_ids.h"

// Language numbers shared with the voices and the `language` setting.
enum { UX_LANGUAGE_POLISH = 0, UX_LANGUAGE_ENGLISH = 1, UX_LANGUAGE_COUNT = 2 };

// One record of a phrase table; the id equals the record's position.
struct UxstrInfo {
  int32_t id;
  const char* text;
};

class iUxLanguage {
 public:
  virtual ~iUxLanguage() = default;

  // Fixed phrase `id` (a UxPhrase), cut to size - 1 bytes; -2 for an unknown id.
  virtual int GetString(int id, char* buf, int size) = 0;
  // One-integer format `id` (a UxIntFormat) filled with value; -2 for an unknown id.
  virtual int GetString_Int(int id, int value, char* buf, int size) = 0;
  // One-text format `id` (a UxTextFormat) filled with text; -2 for an unknown id.
  virtual int GetString_String(int id, const char* text, char* buf, int size) = 0;
  // weekday 0 = Monday .. 6 = Sunday (others mean 0).
  virtual int GetWeekdayString(int weekday, char* buf, int size) = 0;
  virtual int GetMonthString(int month, char* buf, int size) = 0;
  virtual int GetDayString(int day, char* buf, int size) = 0;
  // format 12 gives the 12-hour form, anything else the 24-hour form.
  virtual int GetSystemTimeString(int format, int hour, int minute, char* buf, int size) = 0;
  virtual int GetSystemTimeAndDateString(int format, int year, int month, int day, int weekday,
                                         int hour, int minute, char* buf, int size) = 0;
  virtual int GetTimeJumpString(int seconds, char* buf, int size) = 0;
  virtual int GetEbookPageInfoString(int page, int pages, char* buf, int size) = 0;
  // The same for a page the document labels itself ("iv", "A-3").
  virtual int GetEbookPageLabelInfoString(const char* label, int pages, char* buf, int size) = 0;
  virtual int GetReadSpeedString(int value, char* buf, int size) = 0;
  virtual int GetReadPitchString(int value, char* buf, int size) = 0;
  virtual int GetSpeedString(int value, char* buf, int size) = 0;
  virtual int GetPitchString(int value, char* buf, int size) = 0;
  virtual int GetAudioPitchString(int value, char* buf, int size) = 0;
  virtual int GetAudioSpeedString(int level, char* buf, int size) = 0;
  virtual int GetDaisySpeedString(int value, char* buf, int size) = 0;
  virtual int GetDaisyPitchString(int value, char* buf, int size) = 0;
  virtual int GetBgMusicVolumeString(int a, int b, char* buf, int size) = 0;
  virtual int GetEbookBookmarkInfoString(int number, bool added, const char* text, int page,
                                         int endPage, char* buf, int size) = 0;
  virtual int GetAlarmHourString(int format, int hour, char* buf, int size) = 0;
  virtual int GetAlarmMinuteString(int minute, char* buf, int size) = 0;
  // days: bit 0 = Monday .. bit 6 = Sunday; 0 once, 127 every day.
  virtual int GetAlarmInfoString(int number, int format, int hour, int minute, bool enabled,
                                 int days, char* buf, int size) = 0;
  virtual int GetAudioInfoString(const char* name, int position, int total, char* buf,
                                 int size) = 0;
  virtual int GetAudioStepString(int seconds, char* buf, int size) = 0;
  virtual int GetAudioBookmarkInfoString(int number, bool added, int start, int end, char* buf,
                                         int size) = 0;
  virtual int GetBookmarkCntInfoString(const char* name, int count, char* buf, int size) = 0;
  virtual int GetBookmarkIndexInfoString(const char* name, int number, char* buf, int size) = 0;
  virtual int GetBookmarkInfo_Ebook(int page, int endPage, const char* text, char* buf,
                                    int size) = 0;
  virtual int GetBookmarkInfo_Audio(int start, int end, char* buf, int size) = 0;
  virtual int GetBookmarkInfo_DaisyPage(const char* page, const char* endPage, char* buf,
                                        int size) = 0;
  virtual int GetHistoryInfo_Ebook(const char* name, int page, const char* text, char* buf,
                                   int size) = 0;
  virtual int GetHistoryInfo_Audio(const char* name, int position, char* buf, int size) = 0;
  virtual int GetHistoryInfo_DaisyPage(const char* name, const char* page, char* buf,
                                       int size) = 0;
  virtual int GetTimeJumpIntervalString(int seconds, char* buf, int size) = 0;
  virtual int GetDaisyInfoTimeElapsed(int seconds, char* buf, int size) = 0;
  // Listening time left at the current speed, rounded ("about 2 hours 10
  // minutes left in the book"): in the chapter first unless chapterSec < 0.
  virtual int GetTimeLeftString(int chapterSec, int bookSec, char* buf, int size) = 0;
  virtual int GetDaisyBookmarkInfoString(int number, bool added, bool highlight, int start,
                                         const char* startPage, int end, const char* endPage,
                                         char* buf, int size) = 0;
  virtual int GetDirPlaceString(bool inMainFolder, const char* name, int current, int total,
                                char* buf, int size) = 0;
  virtual int GetFilePlaceAndSizeString(bool inMainFolder, const char* name, int64_t sizeInBytes,
                                        int current, int total, char* buf, int size) = 0;
  virtual int GetReleasedDateString(int year, int month, int day, char* buf, int size) = 0;
  virtual int GetReleasedTimeString(int hour, int minute, int second, char* buf, int size) = 0;
  virtual int GetDeliveryDateString(int year, int month, int day, char* buf, int size) = 0;
  virtual int GetDeviceCapacityString(int totalInternal, int freeInternal, int totalCard,
                                      int freeCard, char* buf, int size) = 0;
  virtual int GetIdleShutdownString(int minutes, char* buf, int size) = 0;
  virtual int GetAutoShutdownString(int minutes, char* buf, int size) = 0;
  virtual int GetStopWatchInfo(int passedMinutes, int leftMinutes, char* buf, int size) = 0;
  virtual int GetStopWatchInfo_Cancel(int minutes, char* buf, int size) = 0;
  virtual int GetStopWatchInfo_End(int minutes, char* buf, int size) = 0;
  virtual int GetCountdownMinuteString(int minutes, char* buf, int size) = 0;
  virtual int GetUserDefinedMinuteString(int minutes, char* buf, int size) = 0;
  virtual int GetStopWatchRemindMinuteString(int minutes, char* buf, int size) = 0;
  // period 0 today, 1 this month, 2 this year, other last year.
  virtual int GetStopWatchTotalInfoString(int period, int minutes, char* buf, int size) = 0;
  virtual int GetCompassDegreesString(int degrees, char* buf, int size) = 0;
  virtual int GetRecordToInfo(bool toCard, int minutes, char* buf, int size) = 0;
  virtual int GetRadioChannelInfo(int whole, int tenth, char* buf, int size) = 0;
  virtual int GetFmTxFreqInfo(int kilohertz, char* buf, int size) = 0;
  virtual int GetHourDes(int format, int hour, char* buf, int size) = 0;
  virtual int GetMinuteDes(int minute, char* buf, int size) = 0;
  // -1 for a null name.
  virtual int GetLanguageDes(const char* languageName, char* buf, int size) = 0;
  // 1 for ASCII letters and digits, else 0.
  virtual int IsLetter(int character) = 0;
  virtual int GetRecordFilenameFornt(int year, int month, int day, int hour, int minute,
                                     int second, char* buf, int size) = 0;
  virtual int __n_Hours(int n, char* buf, int size) = 0;
  virtual int __n_Minutes(int n, char* buf, int size) = 0;
  virtual int __n_Seconds(int n, char* buf, int size) = 0;
  virtual int __n_HoursMinutesSeconds(int seconds, char* buf, int size) = 0;
  virtual int __n_HoursMinutes(int minutes, char* buf, int size) = 0;
  virtual int WillBeShutDownedAfter(int minutes, int seconds, char* buf, int size) = 0;
  virtual int BatLowTimeToShutDown(int minutes, int ignored, char* buf, int size) = 0;
  virtual int DateMD(int month, int day, char* buf, int size) = 0;
  virtual int DateYMD(int year, int month, int day, char* buf, int size) = 0;
  virtual int TimeHM(int format, int hour, int minute, char* buf, int size) = 0;
  // Spoken name of a punctuation or symbol character; "" and 0 for others.
  virtual int GetCharacterDes(unsigned short character, char* buf, int size) = 0;
};

// Index 0 = Polish, 1 = English.
extern iUxLanguage* const c_UxLanguageList[UX_LANGUAGE_COUNT];
// The current catalogue and its language number; set by the settings store.
// Before any setting is loaded they name Polish, the factory language.
extern iUxLanguage* g_pUxLanguage;
extern int g_CurLanguage;

// The catalogue of language `index`; any index other than 0 or 1 gives Polish.
iUxLanguage* GetUxLanguage(int index);
// Phrase `id` of the current catalogue ("" for an unknown id): what a key
// describer, a menu or a report composes into what it says.
std::string PhraseText(int id);
