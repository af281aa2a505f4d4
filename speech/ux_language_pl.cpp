// The Polish catalogue. Counted nouns take their proper plural forms, and a
// feminine noun counted one or two is written with the word ("jedna minuta",
// "dwie minuty"), since a synthesiser reading "1" or "2" says the masculine.
#include <strings.h>

#include <algorithm>

#include "speech/ux_language_impl.h"
#include "speech/ux_tables.h"

using uxfmt::Fmt;
using uxfmt::Within;
using uxfmt::Write;
using namespace uxpl;

namespace {

const char* Month(int m) { return c_MonthDes[Within(m, 1, 12, 1) - 1]; }
const char* MonthOf(int m) { return c_MonthDesGenitive[Within(m, 1, 12, 1) - 1]; }
const char* Weekday(int w) { return c_WeekdayDes[Within(w, 0, 6, 0)]; }
const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s && *s; }

// Plural class of a count: 1, "few" (2-4, 22-24, ... but not 12-14) or "many".
enum Plural { kOne, kFew, kMany };
Plural PluralOf(int n) {
  if (n < 0) n = -n;
  if (n == 1) return kOne;
  int units = n % 10, tens = n % 100;
  if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) return kFew;
  return kMany;
}

struct Noun {
  const char* one;     // nominative singular
  const char* oneAcc;  // accusative singular
  const char* few;
  const char* many;
};
const Noun kHour = {"godzina", "godzinę", "godziny", "godzin"};
const Noun kMinute = {"minuta", "minutę", "minuty", "minut"};
const Noun kSecond = {"sekunda", "sekundę", "sekundy", "sekund"};
const Noun kBookmark = {"zakładka", "zakładkę", "zakładki", "zakładek"};

// How a count of one is said: "jedna minuta" (a part of a duration),
// "minuta" (on its own), "minutę" (after "za", "co", "można nagrać").
enum Case { kCounted, kBare, kAccusative };

std::string Count(int n, const Noun& noun, Case c) {
  switch (PluralOf(n)) {
    case kOne:
      if (c == kCounted) return std::string("jedna ") + noun.one;
      return c == kAccusative ? noun.oneAcc : noun.one;
    case kFew:
      if (n == 2) return std::string("dwie ") + noun.few;
      return Fmt("%d %s", n, noun.few);
    default:
      return Fmt("%d %s", n, noun.many);
  }
}

// Masculine nouns read well with digits: "1 bajt", "2 bajty", "5 bajtów".
std::string CountMasculine(int n, const char* one, const char* few, const char* many) {
  Plural p = PluralOf(n);
  return Fmt("%d %s", n, p == kOne ? one : p == kFew ? few : many);
}

std::string Duration(int s, Case c = kCounted) {
  s = std::max(s, 0);
  std::string out;
  if (s / 3600 > 0) out = Count(s / 3600, kHour, c) + " ";
  return out + Count(s % 3600 / 60, kMinute, c) + " " + Count(s % 60, kSecond, c);
}

std::string HoursMinutes(int m, Case c = kCounted) {
  std::string out;
  if (m / 60 > 0) out = Count(m / 60, kHour, c) + " i ";
  return out + Count(m % 60, kMinute, c);
}

// A countdown's lengths and times: whole hours without "i 0 minut".
std::string Span(int m) { return m >= 60 && m % 60 == 0 ? Count(m / 60, kHour, kCounted) : HoursMinutes(m); }

std::string Twelve(int h, int m) {
  if (h == 0) return Fmt("12:%02d przed południem", m);
  if (h >= 1 && h <= 11) return Fmt("%d:%02d przed południem", h, m);
  if (h == 12) return Fmt("12:%02d po południu", m);
  if (h >= 13 && h <= 23) return Fmt("%d:%02d po południu", h - 12, m);
  return Fmt("%d:%02d", h, m);
}

std::string Time(int format, int h, int m) {
  return format == 12 ? Twelve(h, m) : Fmt("%d:%02d", h, m);
}

std::string Date(int year, int month, int day) {
  return Fmt("%d %s %d", Within(day, 1, 31, 1), MonthOf(month), year);
}

std::string HourWord(int format, int h) {
  if (format != 12) return Fmt("godzina, %d", h);
  if (h == 0) return "godzina, 12 przed południem";
  if (h >= 1 && h <= 11) return Fmt("godzina, %d przed południem", h);
  if (h == 12) return "godzina, 12 po południu";
  return Fmt("godzina, %d po południu", h - 12);
}

std::string Step(int s) {
  if (s < 60) return Count(s, kSecond, kCounted);
  if (s < 3600) return Count(s / 60, kMinute, kCounted);
  return Count(s / 3600, kHour, kCounted);
}

std::string Signed(const char* word, int v) {
  return v < 0 ? Fmt("%s: minus %d", word, -v) : Fmt("%s: %d", word, v);
}

std::string Place(bool inMainFolder, const char* name) {
  std::string out = inMainFolder ? "folder główny, " : "";
  if (Given(name)) out += Fmt("%s, ", name);
  return out;
}

std::string Range(int start, int end) {
  return "początek: " + Duration(start) + ", koniec: " + Duration(end);
}

// "1,50 kilobajta": a decimal comma, and the genitive a fraction takes.
std::string Size(int64_t n) {
  if (uxfmt::SizeInBytes(n)) {
    int low = static_cast<int32_t>(static_cast<uint64_t>(n) & 0xFFFFFFFFu);
    return CountMasculine(low, "bajt", "bajty", "bajtów");
  }
  std::string s = uxfmt::SizeInUnits(n);  // "1.50KB"
  std::string unit = s.substr(s.size() - 2);
  std::string number = s.substr(0, s.size() - 2);
  std::replace(number.begin(), number.end(), '.', ',');
  const char* word = unit == "KB" ? "kilobajta" : unit == "MB" ? "megabajta" : "gigabajta";
  return number + " " + word;
}

std::string Megabytes(int n) { return CountMasculine(n, "megabajt", "megabajty", "megabajtów"); }

const char* const c_Compass[8] = {", północ",           ", północny wschód", ", wschód",
                                  ", południowy wschód", ", południe",        ", południowy zachód",
                                  ", zachód",            ", północny zachód"};

}  // namespace

using Pl = UxLanguage_008_polish_varin;

int Pl::GetString(int id, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* s = FindInStrInfo(c_UxstrInfo, kUxPhraseCount, id);
  return s ? Write(buf, size, s) : -2;
}

int Pl::GetString_Int(int id, int value, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* f = FindInStrInfo(c_UxstrInfo_Int, kUxIntFormatCount, id);
  return f ? Write(buf, size, Fmt(f, value)) : -2;
}

int Pl::GetString_String(int id, const char* text, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const char* f = FindInStrInfo(c_UxstrInfo_String, kUxTextFormatCount, id);
  return f ? Write(buf, size, Fmt(f, Text(text))) : -2;
}

int Pl::GetWeekdayString(int weekday, char* buf, int size) {
  return Write(buf, size, Weekday(weekday));
}

int Pl::GetMonthString(int month, char* buf, int size) {
  return Write(buf, size, Fmt("miesiąc %s", Month(month)));
}

int Pl::GetDayString(int day, char* buf, int size) {
  return Write(buf, size, Fmt("dzień %d", Within(day, 1, 31, 1)));
}

int Pl::GetSystemTimeString(int format, int hour, int minute, char* buf, int size) {
  return Write(buf, size, "teraz jest " + Time(format, hour, minute));
}

int Pl::GetSystemTimeAndDateString(int format, int year, int month, int day, int weekday,
                                   int hour, int minute, char* buf, int size) {
  return Write(buf, size, "teraz jest " + Time(format, hour, minute) + ", " +
                              Date(year, month, day) + ", " + Weekday(weekday));
}

int Pl::GetTimeJumpString(int seconds, char* buf, int size) {
  if (seconds < 0) return -1;
  std::string part = seconds < 60      ? Count(seconds, kSecond, kCounted)
                     : seconds >= 3600 ? Count(seconds / 3600, kHour, kCounted)
                                       : Count(seconds / 60, kMinute, kCounted);
  return Write(buf, size, "skok czasowy: " + part);
}

int Pl::GetEbookPageInfoString(int page, int pages, char* buf, int size) {
  if (page > pages) return Write(buf, size, Fmt("Koniec pliku, liczba stron: %d", pages));
  return Write(buf, size, Fmt("Strona %d z %d", page, pages));
}

int Pl::GetEbookPageLabelInfoString(const char* label, int pages, char* buf, int size) {
  return Write(buf, size, Fmt("Strona %s z %d", label ? label : "", pages));
}

int Pl::GetReadSpeedString(int v, char* buf, int size) {
  return Write(buf, size, Signed("Szybkość", v));
}
int Pl::GetReadPitchString(int v, char* buf, int size) {
  return Write(buf, size, Signed("Wysokość głosu", v));
}
int Pl::GetSpeedString(int v, char* buf, int size) {
  return Write(buf, size, Signed("Szybkość", v));
}
int Pl::GetPitchString(int v, char* buf, int size) {
  return Write(buf, size, Signed("Wysokość głosu", v));
}
int Pl::GetAudioPitchString(int v, char* buf, int size) {
  return Write(buf, size, Signed("Wysokość dźwięku", v));
}

int Pl::GetAudioSpeedString(int level, char* buf, int size) {
  if (level < 0) return Write(buf, size, Fmt("Szybkość: wolniej o %d procent.", -5 * level));
  if (level == 0) return Write(buf, size, "Szybkość: normalna.");
  return Write(buf, size, Fmt("Szybkość: szybciej o %d procent.", 10 * level));
}

int Pl::GetDaisySpeedString(int v, char* buf, int size) {
  return Write(buf, size, Signed("szybkość", v));
}
int Pl::GetDaisyPitchString(int v, char* buf, int size) {
  return Write(buf, size, Signed("wysokość dźwięku", v));
}

int Pl::GetBgMusicVolumeString(int a, int b, char* buf, int size) {
  if (a <= 0) return Write(buf, size, "Głośność muzyki w tle: wyłączona");
  return Write(buf, size, Fmt("Głośność muzyki w tle: %d:%d", a, b));
}

int Pl::GetEbookBookmarkInfoString(int number, bool added, const char* text, int page,
                                   int endPage, char* buf, int size) {
  if (added) {
    if (endPage < 0)
      return Write(buf, size, Fmt("Dodano zakładkę %d, %s, strona %d.", number, Text(text), page));
    return Write(buf, size, Fmt("Dodano zakładkę zakresu %d, %s, od strony %d do strony %d.",
                                number, Text(text), page, endPage));
  }
  if (endPage < 0) return Write(buf, size, Fmt("Zakładka %d, strona %d.", number, page));
  return Write(buf, size,
               Fmt("Zakładka zakresu %d, od strony %d do strony %d", number, page, endPage));
}

int Pl::GetAlarmHourString(int format, int hour, char* buf, int size) {
  return Write(buf, size, HourWord(format, hour));
}

int Pl::GetAlarmMinuteString(int minute, char* buf, int size) {
  return Write(buf, size, Fmt("minuta, %d", minute));
}

int Pl::GetAlarmInfoString(int number, int format, int hour, int minute, bool enabled, int days,
                           char* buf, int size) {
  std::string out = Fmt("alarm %d, %s, %s, powtarzanie: ", number,
                        Time(format, hour, minute).c_str(), enabled ? "włączony" : "wyłączony");
  days &= 0x7F;
  if (days == 0) {
    out += "jednorazowo";
  } else if (days == 0x7F) {
    out += "codziennie";
  } else {
    for (int d = 0; d < 7; ++d) {
      if (days & (1 << d)) out += Fmt("%s, ", c_WeekdayDes[d]);
    }
  }
  return Write(buf, size, out);
}

int Pl::GetAudioInfoString(const char* name, int position, int total, char* buf, int size) {
  const std::string lead = name && *name ? Fmt("%s, bieżący czas: ", Text(name)) : "bieżący czas: ";
  return Write(buf, size, lead + Duration(position) + ", całkowity czas: " + Duration(total));
}

int Pl::GetAudioStepString(int seconds, char* buf, int size) {
  return Write(buf, size, "krok: " + Step(seconds));
}

int Pl::GetAudioBookmarkInfoString(int number, bool added, int start, int end, char* buf,
                                   int size) {
  if (end < 0) {
    std::string lead = added ? Fmt("dodano zakładkę %d, ", number) : Fmt("zakładka %d, ", number);
    return Write(buf, size, lead + Duration(start));
  }
  std::string lead = added ? Fmt("dodano zakładkę zakresu %d, ", number)
                           : Fmt("zakładka zakresu %d, ", number);
  return Write(buf, size, lead + Range(start, end));
}

int Pl::GetBookmarkCntInfoString(const char* name, int count, char* buf, int size) {
  return Write(buf, size, Fmt("%s, ", Text(name)) + Count(count, kBookmark, kCounted));
}

int Pl::GetBookmarkIndexInfoString(const char* name, int number, char* buf, int size) {
  return Write(buf, size, Fmt("%s, zakładka %d, ", Text(name), number));
}

int Pl::GetBookmarkInfo_Ebook(int page, int endPage, const char* text, char* buf, int size) {
  std::string out = endPage < 0
                        ? Fmt("strona %d", page)
                        : Fmt("zakładka zakresu, od strony %d do strony %d", page, endPage);
  if (Given(text)) out += Fmt(", %s", text);
  return Write(buf, size, out);
}

int Pl::GetBookmarkInfo_Audio(int start, int end, char* buf, int size) {
  if (end < 0) return Write(buf, size, Duration(start));
  return Write(buf, size, "zakładka zakresu, " + Range(start, end));
}

int Pl::GetBookmarkInfo_DaisyPage(const char* page, const char* endPage, char* buf, int size) {
  if (!Given(page)) return Write(buf, size, "zakładka zakresu");
  if (!Given(endPage)) return Write(buf, size, Fmt("strona %s", page));
  return Write(buf, size, Fmt("zakładka zakresu, od strony %s do strony %s", page, endPage));
}

int Pl::GetHistoryInfo_Ebook(const char* name, int page, const char* text, char* buf, int size) {
  return Write(buf, size, Fmt("%s, strona %d, %s", Text(name), page, Text(text)));
}

int Pl::GetHistoryInfo_Audio(const char* name, int position, char* buf, int size) {
  return Write(buf, size, Fmt("%s, ", Text(name)) + Duration(position));
}

int Pl::GetHistoryInfo_DaisyPage(const char* name, const char* page, char* buf, int size) {
  return Write(buf, size, Fmt("%s, strona %s", Text(name), Text(page)));
}

int Pl::GetTimeJumpIntervalString(int seconds, char* buf, int size) {
  return Write(buf, size, "skok czasowy co: " + Step(seconds));
}

int Pl::GetDaisyInfoTimeElapsed(int seconds, char* buf, int size) {
  return Write(buf, size, "upłynęło: " + Duration(seconds) + ", ");
}

int Pl::GetDaisyBookmarkInfoString(int number, bool added, bool highlight, int start,
                                   const char* startPage, int end, const char* endPage, char* buf,
                                   int size) {
  std::string out;
  if (highlight) {
    out = added ? Fmt("dodano zakładkę zakresu %d, ", number) : Fmt("zakładka zakresu %d, ", number);
    if (start >= 0)
      out += Range(start, end);
    else if (Given(startPage) && Given(endPage))
      out += Fmt("od strony %s do strony %s", startPage, endPage);
  } else {
    out = added ? Fmt("dodano zakładkę %d, ", number) : Fmt("zakładka %d, ", number);
    if (start >= 0)
      out += Duration(start);
    else if (Given(startPage))
      out += Fmt("strona %s", startPage);
  }
  return Write(buf, size, out);
}

int Pl::GetDirPlaceString(bool inMainFolder, const char* name, int current, int total, char* buf,
                          int size) {
  std::string out = Place(inMainFolder, name);
  if (current < 0)
    out += "folder";
  else
    out += Fmt("folder, pozycja %d z %d", current, total);
  return Write(buf, size, out);
}

int Pl::GetFilePlaceAndSizeString(bool inMainFolder, const char* name, int64_t sizeInBytes,
                                  int current, int total, char* buf, int size) {
  std::string out = Place(inMainFolder, name) + Size(sizeInBytes);
  if (current >= 0) out += Fmt(", pozycja %d z %d", current, total);
  return Write(buf, size, out);
}

int Pl::GetReleasedDateString(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, "Data wydania " + Date(year, month, day) + "\n");
}

int Pl::GetReleasedTimeString(int hour, int minute, int second, char* buf, int size) {
  return Write(buf, size, Fmt("Godzina wydania %02d:%02d:%02d\n", hour, minute, second));
}

int Pl::GetDeliveryDateString(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, "data dostawy " + Date(year, month, day) + "\n");
}

int Pl::GetDeviceCapacityString(int totalInternal, int freeInternal, int totalCard, int freeCard,
                                char* buf, int size) {
  return Write(buf, size, "Pojemność pamięci wewnętrznej: " + Megabytes(totalInternal) +
                              "\nWolne w pamięci wewnętrznej: " + Megabytes(freeInternal) +
                              "\nPojemność karty micro SD: " + Megabytes(totalCard) +
                              "\nWolne na karcie micro SD: " + Megabytes(freeCard));
}

int Pl::GetIdleShutdownString(int minutes, char* buf, int size) {
  if (minutes < 0) return Write(buf, size, "wyłączenie po czasie bezczynności: wyłączone");
  return Write(buf, size,
               "wyłączenie po czasie bezczynności: " + Count(minutes, kMinute, kCounted));
}

int Pl::GetAutoShutdownString(int minutes, char* buf, int size) {
  if (minutes < 0) return Write(buf, size, "automatyczne wyłączanie: wyłączone");
  return Write(buf, size, "czas automatycznego wyłączenia: " + Count(minutes, kMinute, kCounted));
}

int Pl::GetStopWatchInfo(int passedMinutes, int leftMinutes, char* buf, int size) {
  return Write(buf, size, "upłynęło: " + Span(passedMinutes) +
                              ", pozostało: " + Span(leftMinutes));
}

int Pl::GetStopWatchInfo_Cancel(int minutes, char* buf, int size) {
  return Write(buf, size, "Anulowano, upłynęło: " + Span(minutes));
}

int Pl::GetStopWatchInfo_End(int minutes, char* buf, int size) {
  return Write(buf, size, "koniec odliczania, łącznie: " + Span(minutes));
}

int Pl::GetCountdownMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size, "odliczanie: " + Span(minutes));
}

int Pl::GetUserDefinedMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size, "własny czas: " + Count(minutes, kMinute, kCounted));
}

int Pl::GetStopWatchRemindMinuteString(int minutes, char* buf, int size) {
  return Write(buf, size, "przypomnij co " + Count(minutes, kMinute, kAccusative));
}

int Pl::GetStopWatchTotalInfoString(int period, int minutes, char* buf, int size) {
  const char* when = period == 0   ? "razem dzisiaj: "
                     : period == 1 ? "razem w tym miesiącu: "
                     : period == 2 ? "razem w tym roku: "
                                   : "razem w zeszłym roku: ";
  return Write(buf, size, when + Span(minutes));
}

int Pl::GetCompassDegreesString(int degrees, char* buf, int size) {
  int sector = uxfmt::CompassSector(&degrees);
  return Write(buf, size,
               CountMasculine(degrees, "stopień", "stopnie", "stopni") + c_Compass[sector]);
}

int Pl::GetRecordToInfo(bool toCard, int minutes, char* buf, int size) {
  std::string lead = toCard ? "Nagrywanie na kartę micro SD, można nagrać "
                            : "Nagrywanie do pamięci wewnętrznej, można nagrać ";
  return Write(buf, size, lead + HoursMinutes(std::max(0, minutes), kAccusative));
}

int Pl::GetRadioChannelInfo(int whole, int tenth, char* buf, int size) {
  return Write(buf, size, Fmt("%d przecinek %d", whole, tenth));
}

int Pl::GetFmTxFreqInfo(int kilohertz, char* buf, int size) {
  return Write(buf, size, Fmt("częstotliwość nadawania: %d przecinek %d", kilohertz / 1000,
                              kilohertz % 1000 / 100));
}

int Pl::GetHourDes(int format, int hour, char* buf, int size) {
  return Write(buf, size, HourWord(format, hour));
}

int Pl::GetMinuteDes(int minute, char* buf, int size) {
  return Write(buf, size, Fmt("minuta, %d", minute));
}

namespace {

// "mniej więcej" governs no case, so the counted forms stay nominative.
std::string About(int s) {
  s = uxfmt::RoundTimeLeft(s);
  if (s < 60) return "mniej więcej " + Count(s, kSecond, kCounted);
  std::string out = "mniej więcej ";
  if (s >= 3600) out += Count(s / 3600, kHour, kCounted);
  if (s >= 3600 && s % 3600 / 60) out += " ";
  if (s % 3600 / 60 || s < 3600) out += Count(s % 3600 / 60, kMinute, kCounted);
  if (s < 600 && s % 60) out += " " + Count(s % 60, kSecond, kCounted);
  return out;
}

}  // namespace

int Pl::GetTimeLeftString(int chapterSec, int bookSec, char* buf, int size) {
  std::string out;
  if (chapterSec >= 0) out = "do końca rozdziału: " + About(chapterSec) + ", ";
  return Write(buf, size, out + "do końca książki: " + About(bookSec));
}

int Pl::GetLanguageDes(const char* languageName, char* buf, int size) {
  if (!languageName || !buf || size <= 0) return -1;
  if (strcasecmp(languageName, "polish") == 0) return Write(buf, size, "język: polski");
  if (strcasecmp(languageName, "english") == 0) return Write(buf, size, "język: angielski");
  return Write(buf, size, Fmt("język: %s", languageName));
}

int Pl::IsLetter(int character) { return uxfmt::IsAsciiLetterOrDigit(character); }

int Pl::GetRecordFilenameFornt(int year, int month, int day, int, int, int, char* buf, int size) {
  return Write(buf, size, Fmt("Record%04d%02d%02d_", year, month, day));
}

int Pl::__n_Hours(int n, char* buf, int size) { return Write(buf, size, Count(n, kHour, kBare)); }
int Pl::__n_Minutes(int n, char* buf, int size) {
  return Write(buf, size, Count(n, kMinute, kAccusative));
}
int Pl::__n_Seconds(int n, char* buf, int size) {
  return Write(buf, size, Count(n, kSecond, kBare));
}
int Pl::__n_HoursMinutesSeconds(int seconds, char* buf, int size) {
  return Write(buf, size, Duration(seconds));
}
int Pl::__n_HoursMinutes(int minutes, char* buf, int size) {
  return Write(buf, size, HoursMinutes(minutes));
}

int Pl::WillBeShutDownedAfter(int minutes, int seconds, char* buf, int size) {
  std::string when = minutes < 1   ? Count(seconds, kSecond, kAccusative)
                     : seconds < 1 ? Count(minutes, kMinute, kAccusative)
                                   : Duration(minutes * 60 + seconds, kAccusative);
  return Write(buf, size, "Urządzenie zostanie wyłączone za " + when);
}

int Pl::BatLowTimeToShutDown(int minutes, int, char* buf, int size) {
  return Write(buf, size, "Niski poziom baterii, urządzenie zostanie wyłączone za " +
                              Count(minutes, kMinute, kAccusative));
}

int Pl::DateMD(int month, int day, char* buf, int size) {
  return Write(buf, size, Fmt("%d %s", Within(day, 1, 31, 1), MonthOf(month)));
}

int Pl::DateYMD(int year, int month, int day, char* buf, int size) {
  return Write(buf, size, Date(year, month, day));
}

int Pl::TimeHM(int format, int hour, int minute, char* buf, int size) {
  return Write(buf, size, Time(format, hour, minute));
}

int Pl::GetCharacterDes(unsigned short character, char* buf, int size) {
  for (const CharacterDes& c : c_CharacterDes) {
    if (c.code == character) return Write(buf, size, c.name);
  }
  return Write(buf, size, "");
}
