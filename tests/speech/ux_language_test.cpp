#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "speech/ux_language.h"

namespace {

iUxLanguage* En() { return GetUxLanguage(1); }
iUxLanguage* Pl() { return GetUxLanguage(0); }

// Calls one operation with a roomy buffer; checks that the result is the
// length of what was written.
template <typename F>
std::string Say(F f) {
  char buf[1024];
  memset(buf, 'x', sizeof buf);
  int n = f(buf, static_cast<int>(sizeof buf));
  EXPECT_GE(n, 0);
  EXPECT_EQ(n, static_cast<int>(strlen(buf)));
  return buf;
}

#define SAY(lang, method, ...) Say([&](char* b, int s) { return (lang)->method(__VA_ARGS__, b, s); })

TEST(UxLanguage, CatalogueSelection) {
  EXPECT_EQ(GetUxLanguage(0), c_UxLanguageList[0]);
  EXPECT_EQ(GetUxLanguage(1), c_UxLanguageList[1]);
  EXPECT_EQ(GetUxLanguage(5), Pl());
  EXPECT_EQ(GetUxLanguage(-1), Pl());
  EXPECT_NE(En(), Pl());
}

TEST(UxLanguage, FixedPhraseLookupAndCuts) {
  char buf[64];
  EXPECT_EQ(En()->GetString(UxPhrase::SettingDone, buf, sizeof buf), 13);
  EXPECT_STREQ(buf, "Setting done.");
  EXPECT_EQ(En()->GetString(UxPhrase::SettingDone, buf, 5), 4);
  EXPECT_STREQ(buf, "Sett");
  EXPECT_EQ(En()->GetString(UxPhrase::SettingDone, buf, 1), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(En()->GetString(kUxPhraseCount, buf, sizeof buf), -2);
  EXPECT_EQ(En()->GetString(-1, buf, sizeof buf), -2);
  EXPECT_EQ(En()->GetString(UxPhrase::SettingDone, nullptr, 10), -1);
  EXPECT_EQ(En()->GetString(UxPhrase::SettingDone, buf, 0), -1);
  EXPECT_EQ(En()->GetString_Int(7, 1, buf, sizeof buf), -2);
  EXPECT_EQ(En()->GetString_String(10, "x", buf, sizeof buf), -2);
  EXPECT_EQ(SAY(En(), GetString_Int, 1, 12), "going to page 12");
  EXPECT_EQ(SAY(En(), GetString_String, 8, "Moby Dick"), "Moby Dick, daisy file");
  EXPECT_EQ(SAY(En(), GetString, 138), "Choose internal memory, or micro sd card, ");
  EXPECT_EQ(SAY(En(), GetString, 322), "Folder deleted.");
  EXPECT_EQ(SAY(Pl(), GetString, 0), "Książki audio");
  EXPECT_EQ(SAY(Pl(), GetString, 15), "ustawienia zapisane.");
  EXPECT_EQ(SAY(Pl(), GetString_Int, 1, 3), "przechodzę do strony 3");
  EXPECT_EQ(SAY(Pl(), GetString_String, 0, "Lalka"), "tytuł: Lalka, ");
}

TEST(UxLanguage, CutNeverSplitsAPolishCharacter) {
  // "Książki": a cut at 4 bytes would fall inside "ą" (2 bytes).
  char buf[8];
  EXPECT_EQ(Pl()->GetString(UxPhrase::AudioBooks, buf, 5), 3);
  EXPECT_STREQ(buf, "Ksi");
  EXPECT_EQ(Pl()->GetString(UxPhrase::AudioBooks, buf, 6), 5);
  EXPECT_STREQ(buf, "Ksią");
}

TEST(UxLanguage, EveryIdHasTextInBothLanguages) {
  for (iUxLanguage* lang : {En(), Pl()}) {
    std::set<std::string> seen;
    char buf[512];
    for (int id = 0; id <= 322; ++id) {
      ASSERT_GT(lang->GetString(id, buf, sizeof buf), 0) << id;
      EXPECT_EQ(std::string(buf).find("  "), std::string::npos) << id << ": " << buf;
    }
    for (int id = 0; id < 7; ++id) {
      ASSERT_GT(lang->GetString_Int(id, 5, buf, sizeof buf), 0) << id;
      EXPECT_NE(std::string(buf).find('5'), std::string::npos) << id;
    }
    for (int id = 0; id < 10; ++id) {
      ASSERT_GT(lang->GetString_String(id, "QQ", buf, sizeof buf), 0) << id;
      EXPECT_NE(std::string(buf).find("QQ"), std::string::npos) << id;
    }
  }
}

TEST(UxLanguage, StandardFolderNamesSuitTheDisks) {
  // Phrases 0 and 1 name folders on FAT disks in each language.
  for (iUxLanguage* lang : {En(), Pl()}) {
    for (int id : {0, 1}) {
      std::string name = SAY(lang, GetString, id);
      EXPECT_FALSE(name.empty());
      EXPECT_EQ(name.find_first_of("\\/:*?\"<>|"), std::string::npos) << name;
      EXPECT_NE(name.back(), ' ');
      EXPECT_NE(name.back(), '.');
    }
  }
  EXPECT_NE(SAY(En(), GetString, 0), SAY(Pl(), GetString, 0));
  EXPECT_NE(SAY(En(), GetString, 1), SAY(Pl(), GetString, 1));
}

TEST(UxLanguage, PolishIsNotEnglish) {
  // A phrase left untranslated would be read with Polish rules: count them.
  char en[512], pl[512];
  int same = 0;
  for (int id = 0; id <= 322; ++id) {
    En()->GetString(id, en, sizeof en);
    Pl()->GetString(id, pl, sizeof pl);
    if (strcmp(en, pl) == 0) ++same;
  }
  // Only words that are the same in both (minus, plus, folder, system,
  // start, Rock, Jazz) may match.
  EXPECT_LE(same, 9);
}

TEST(UxLanguage, EnglishDurations) {
  EXPECT_EQ(SAY(En(), __n_HoursMinutesSeconds, 0), "0 minutes 0 seconds");
  EXPECT_EQ(SAY(En(), __n_HoursMinutesSeconds, 3600), "1 hour 0 minutes 0 seconds");
  EXPECT_EQ(SAY(En(), __n_HoursMinutesSeconds, 3725), "1 hour 2 minutes 5 seconds");
  EXPECT_EQ(SAY(En(), __n_HoursMinutesSeconds, 65), "1 minute 5 seconds");
  EXPECT_EQ(SAY(En(), __n_HoursMinutesSeconds, 7322), "2 hours 2 minutes 2 seconds");
  EXPECT_EQ(SAY(En(), __n_HoursMinutes, 120), "2 hours and 0 minutes");
  EXPECT_EQ(SAY(En(), __n_HoursMinutes, 59), "59 minutes");
  EXPECT_EQ(SAY(En(), GetTimeJumpString, 59), "time jump: 59 seconds");
  EXPECT_EQ(SAY(En(), GetTimeJumpString, 3599), "time jump: 59 minutes");
  EXPECT_EQ(SAY(En(), GetTimeJumpString, 7200), "time jump: 2 hours");
  char buf[32];
  EXPECT_EQ(En()->GetTimeJumpString(-1, buf, sizeof buf), -1);
  EXPECT_EQ(SAY(En(), WillBeShutDownedAfter, -1, 15),
            "The device will be turned off after 15 seconds");
  EXPECT_EQ(SAY(En(), WillBeShutDownedAfter, 2, 0), "The device will be turned off after 2 minutes");
  EXPECT_EQ(SAY(En(), WillBeShutDownedAfter, 1, 30),
            "The device will be turned off after 1 minute 30 seconds");
  EXPECT_EQ(SAY(En(), GetAudioInfoString, "song.mp3", 65, 3725),
            "song.mp3, current time: 1 minute 5 seconds, total time: 1 hour 2 minutes 5 seconds");
  EXPECT_EQ(SAY(En(), GetAudioInfoString, "", 65, 3725), "current time: 1 minute 5 seconds, total time: 1 hour 2 minutes 5 seconds");
  EXPECT_EQ(SAY(En(), GetRecordToInfo, true, -5),
            "Record to micro SD card, can record 0 minutes");
  EXPECT_EQ(SAY(En(), GetStopWatchTotalInfoString, 7, 61), "1 hour and 1 minute totaly last year");
}

TEST(UxLanguage, PolishDurationsAndPlurals) {
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 1), "minutę");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 2), "dwie minuty");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 3), "3 minuty");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 4), "4 minuty");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 5), "5 minut");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 12), "12 minut");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 14), "14 minut");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 22), "22 minuty");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 25), "25 minut");
  EXPECT_EQ(SAY(Pl(), __n_Minutes, 0), "0 minut");
  EXPECT_EQ(SAY(Pl(), __n_Hours, 1), "godzina");
  EXPECT_EQ(SAY(Pl(), __n_Hours, 2), "dwie godziny");
  EXPECT_EQ(SAY(Pl(), __n_Hours, 11), "11 godzin");
  EXPECT_EQ(SAY(Pl(), __n_Hours, 23), "23 godziny");
  EXPECT_EQ(SAY(Pl(), __n_Seconds, 5), "5 sekund");
  EXPECT_EQ(SAY(Pl(), __n_Seconds, 34), "34 sekundy");
  EXPECT_EQ(SAY(Pl(), __n_HoursMinutesSeconds, 3725), "jedna godzina dwie minuty 5 sekund");
  EXPECT_EQ(SAY(Pl(), __n_HoursMinutesSeconds, 5), "0 minut 5 sekund");
  EXPECT_EQ(SAY(Pl(), __n_HoursMinutes, 125), "dwie godziny i 5 minut");
  EXPECT_EQ(SAY(Pl(), WillBeShutDownedAfter, 1, 0), "Urządzenie zostanie wyłączone za minutę");
  EXPECT_EQ(SAY(Pl(), WillBeShutDownedAfter, -1, 15), "Urządzenie zostanie wyłączone za 15 sekund");
  EXPECT_EQ(SAY(Pl(), GetStopWatchRemindMinuteString, 1), "przypomnij co minutę");
  EXPECT_EQ(SAY(Pl(), GetStopWatchRemindMinuteString, 22), "przypomnij co 22 minuty");
  EXPECT_EQ(SAY(Pl(), GetAutoShutdownString, -1), "automatyczne wyłączanie: wyłączone");
  EXPECT_EQ(SAY(Pl(), GetAutoShutdownString, 30), "czas automatycznego wyłączenia: 30 minut");
  EXPECT_EQ(SAY(Pl(), GetIdleShutdownString, -3), "wyłączenie po czasie bezczynności: wyłączone");
  EXPECT_EQ(SAY(Pl(), GetRecordToInfo, false, 61),
            "Nagrywanie do pamięci wewnętrznej, można nagrać godzinę i minutę");
  EXPECT_EQ(SAY(Pl(), GetBookmarkCntInfoString, "Lalka", 3), "Lalka, 3 zakładki");
  EXPECT_EQ(SAY(Pl(), GetBookmarkCntInfoString, "Lalka", 15), "Lalka, 15 zakładek");
  EXPECT_EQ(SAY(Pl(), GetStopWatchTotalInfoString, 0, 90),
            "razem dzisiaj: jedna godzina i 30 minut");
}

TEST(UxLanguage, TwelveHourForms) {
  EXPECT_EQ(SAY(En(), TimeHM, 12, 0, 5), "12:05 AM");
  EXPECT_EQ(SAY(En(), TimeHM, 12, 11, 59), "11:59 AM");
  EXPECT_EQ(SAY(En(), TimeHM, 12, 12, 0), "12:00 PM");
  EXPECT_EQ(SAY(En(), TimeHM, 12, 23, 7), "11:07 PM");
  EXPECT_EQ(SAY(En(), TimeHM, 24, 23, 7), "23:07");
  EXPECT_EQ(SAY(En(), TimeHM, 13, 23, 7), "23:07");
  EXPECT_EQ(SAY(En(), GetSystemTimeString, 24, 9, 3), "Current time is 9:03");
  EXPECT_EQ(SAY(En(), GetSystemTimeString, 12, 13, 30), "1:30 PM");
  EXPECT_EQ(SAY(En(), GetAlarmHourString, 12, 0), "hour, 12 AM");
  EXPECT_EQ(SAY(En(), GetAlarmHourString, 12, 12), "hour, 12 PM");
  EXPECT_EQ(SAY(En(), GetHourDes, 12, 15), "hour, 3 PM");
  EXPECT_EQ(SAY(En(), GetAlarmHourString, 24, 15), "hour, 15");
  EXPECT_EQ(SAY(Pl(), GetSystemTimeString, 12, 0, 15), "teraz jest 12:15 przed południem");
  EXPECT_EQ(SAY(Pl(), GetSystemTimeString, 24, 18, 0), "teraz jest 18:00");
  EXPECT_EQ(SAY(Pl(), TimeHM, 12, 14, 45), "2:45 po południu");
}

TEST(UxLanguage, DatesAndClampedIndexes) {
  EXPECT_EQ(SAY(En(), GetSystemTimeAndDateString, 24, 2024, 5, 3, 4, 8, 0),
            "Current time is 8:00, May 3rd 2024, Friday");
  EXPECT_EQ(SAY(En(), GetSystemTimeAndDateString, 24, 2024, 13, 40, 9, 8, 0),
            "Current time is 8:00, January 1st 2024, Monday");
  EXPECT_EQ(SAY(En(), DateYMD, 2023, 12, 22), "December 22nd 2023");
  EXPECT_EQ(SAY(En(), DateMD, 2, 11), "February 11th");
  EXPECT_EQ(SAY(En(), GetDayString, 0), "day 1st");
  EXPECT_EQ(SAY(En(), GetMonthString, 12), "month December");
  EXPECT_EQ(SAY(En(), GetWeekdayString, 7), "Monday");
  EXPECT_EQ(SAY(En(), GetReleasedDateString, 2020, 1, 31), "Released date January 31st 2020\n");
  EXPECT_EQ(SAY(Pl(), DateYMD, 2024, 5, 15), "15 maja 2024");
  EXPECT_EQ(SAY(Pl(), GetSystemTimeAndDateString, 24, 2024, 5, 15, 2, 9, 5),
            "teraz jest 9:05, 15 maja 2024, środa");
  EXPECT_EQ(SAY(Pl(), GetDayString, 32), "dzień 1");
  EXPECT_EQ(SAY(Pl(), GetMonthString, 3), "miesiąc marzec");
}

TEST(UxLanguage, CompassSectors) {
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, -90), "270 degrees, West");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 338), "338 degrees, North");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 337), "337 degrees, North West");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 22), "22 degrees, North");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 23), "23 degrees, North East");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 112), "112 degrees, East");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 113), "113 degrees, South East");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 202), "202 degrees, South");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 247), "247 degrees, South West");
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, 720), "0 degrees, North");
  // Far below zero stays within the circle.
  EXPECT_EQ(SAY(En(), GetCompassDegreesString, -400), "320 degrees, North West");
  EXPECT_EQ(SAY(Pl(), GetCompassDegreesString, -90), "270 stopni, zachód");
  EXPECT_EQ(SAY(Pl(), GetCompassDegreesString, 1), "1 stopień, północ");
  EXPECT_EQ(SAY(Pl(), GetCompassDegreesString, 44), "44 stopnie, północny wschód");
}

TEST(UxLanguage, AlarmDays) {
  EXPECT_EQ(SAY(En(), GetAlarmInfoString, 1, 24, 7, 5, true, 0x41),
            "alarm 1, 7:05, enable, recurrent: Monday, Sunday, ");
  EXPECT_EQ(SAY(En(), GetAlarmInfoString, 2, 12, 19, 30, false, 0),
            "alarm 2, 7:30 PM, disable, recurrent: only once");
  EXPECT_EQ(SAY(En(), GetAlarmInfoString, 3, 24, 6, 0, true, 127),
            "alarm 3, 6:00, enable, recurrent: every day");
  EXPECT_EQ(SAY(Pl(), GetAlarmInfoString, 1, 24, 7, 5, true, 0x41),
            "alarm 1, 7:05, włączony, powtarzanie: poniedziałek, niedziela, ");
}

TEST(UxLanguage, FileSizesAndPlaces) {
  EXPECT_EQ(SAY(En(), GetFilePlaceAndSizeString, false, nullptr, 1536, -1, 0), "1.50KB");
  EXPECT_EQ(SAY(En(), GetFilePlaceAndSizeString, false, nullptr, 1023, -1, 0), "1023 bytes");
  EXPECT_EQ(SAY(En(), GetFilePlaceAndSizeString, false, nullptr, 3 * 1024 * 1024, -1, 0),
            "3.00MB");
  EXPECT_EQ(SAY(En(), GetFilePlaceAndSizeString, false, nullptr, 5LL << 30, -1, 0), "5.00GB");
  EXPECT_EQ(SAY(En(), GetFilePlaceAndSizeString, true, "a.mp3", 100, 2, 9),
            "main folder, a.mp3, 100 bytes, total 9 files, current 2");
  EXPECT_EQ(SAY(En(), GetDirPlaceString, false, "Music", 3, 10),
            "Music, folder, total 10 files, current 3");
  EXPECT_EQ(SAY(En(), GetDirPlaceString, true, nullptr, -1, 0), "main folder, folder");
  EXPECT_EQ(SAY(Pl(), GetFilePlaceAndSizeString, false, nullptr, 1536, -1, 0), "1,50 kilobajta");
  EXPECT_EQ(SAY(Pl(), GetFilePlaceAndSizeString, false, nullptr, 1, -1, 0), "1 bajt");
  EXPECT_EQ(SAY(Pl(), GetFilePlaceAndSizeString, false, nullptr, 23, -1, 0), "23 bajty");
  EXPECT_EQ(SAY(Pl(), GetFilePlaceAndSizeString, false, "a.mp3", 600, 2, 9),
            "a.mp3, 600 bajtów, pozycja 2 z 9");
}

TEST(UxLanguage, BookmarksAndHistory) {
  EXPECT_EQ(SAY(En(), GetBookmarkCntInfoString, "Emma", 1), "Emma, 1 bookmark");
  EXPECT_EQ(SAY(En(), GetBookmarkCntInfoString, "Emma", 2), "Emma, 2 bookmarks");
  EXPECT_EQ(SAY(En(), GetEbookBookmarkInfoString, 2, true, "Call me", 5, -1),
            "Bookmark 2 added, Call me, page 5.");
  EXPECT_EQ(SAY(En(), GetEbookBookmarkInfoString, 2, false, nullptr, 5, 8),
            "Highlight bookmark 2, from page 5 to page 8");
  EXPECT_EQ(SAY(En(), GetAudioBookmarkInfoString, 1, false, 65, -1), "bookmark 1, 1 minute 5 seconds");
  EXPECT_EQ(SAY(En(), GetBookmarkInfo_DaisyPage, nullptr, nullptr), "highlight bookmark");
  EXPECT_EQ(SAY(En(), GetBookmarkInfo_DaisyPage, "iv", nullptr), "page iv");
  EXPECT_EQ(SAY(En(), GetBookmarkInfo_Ebook, 3, -1, ""), "page 3");
  EXPECT_EQ(SAY(En(), GetDaisyBookmarkInfoString, 4, true, true, -1, "1", 0, "9"),
            "highlight bookmark 4 added, from page 1, to page 9");
  EXPECT_EQ(SAY(En(), GetDaisyBookmarkInfoString, 4, false, false, 5, nullptr, 0, nullptr),
            "bookmark 4, 0 minutes 5 seconds");
  EXPECT_EQ(SAY(Pl(), GetAudioBookmarkInfoString, 1, true, 5, 65),
            "dodano zakładkę zakresu 1, początek: 0 minut 5 sekund, koniec: jedna minuta 5 sekund");
}

TEST(UxLanguage, NumbersAndMiscellany) {
  EXPECT_EQ(SAY(En(), GetAudioSpeedString, -2), "Speed: 10 percent slower.");
  EXPECT_EQ(SAY(En(), GetAudioSpeedString, 0), "Speed: normal.");
  EXPECT_EQ(SAY(En(), GetAudioSpeedString, 3), "Speed: 30 percent faster.");
  EXPECT_EQ(SAY(En(), GetSpeedString, -4), "Speed: minus 4");
  EXPECT_EQ(SAY(En(), GetDaisyPitchString, 2), "pitch: 2");
  EXPECT_EQ(SAY(En(), GetFmTxFreqInfo, 101750), "transmit frequency: 101 point 7");
  EXPECT_EQ(SAY(En(), GetEbookPageInfoString, 11, 10), "End of file, total pages: 10");
  EXPECT_EQ(SAY(En(), GetEbookPageLabelInfoString, "iv", 10), "Current page: iv, total pages: 10");
  EXPECT_EQ(SAY(Pl(), GetEbookPageLabelInfoString, "A-3", 10), "Strona A-3 z 10");
  EXPECT_EQ(SAY(En(), GetBgMusicVolumeString, 0, 3), "Background music volume: disable");
  EXPECT_EQ(SAY(En(), GetRecordFilenameFornt, 2024, 3, 9, 10, 11, 12), "Record20240309_");
  EXPECT_EQ(SAY(Pl(), GetRecordFilenameFornt, 2024, 3, 9, 10, 11, 12), "Record20240309_");
  EXPECT_EQ(SAY(En(), GetLanguageDes, "ENGLISH"), "language: english");
  EXPECT_EQ(SAY(En(), GetLanguageDes, "polish"), "language: polish");
  EXPECT_EQ(SAY(Pl(), GetLanguageDes, "Polish"), "język: polski");
  EXPECT_EQ(SAY(Pl(), GetLanguageDes, "english"), "język: angielski");
  char buf[16];
  EXPECT_EQ(En()->GetLanguageDes(nullptr, buf, sizeof buf), -1);
  EXPECT_EQ(En()->IsLetter('a'), 1);
  EXPECT_EQ(En()->IsLetter('7'), 1);
  EXPECT_EQ(En()->IsLetter('-'), 0);
  EXPECT_EQ(En()->IsLetter(0x105), 0);
}

TEST(UxLanguage, CharacterNames) {
  EXPECT_EQ(SAY(En(), GetCharacterDes, 0x21), "exclamation mark");
  EXPECT_EQ(SAY(En(), GetCharacterDes, 0xFFE5), "yen sign");
  EXPECT_EQ(SAY(Pl(), GetCharacterDes, 0x23), "hasz");
  EXPECT_EQ(SAY(Pl(), GetCharacterDes, 0x40), "małpa");
  EXPECT_EQ(SAY(Pl(), GetCharacterDes, 0x2E), "kropka");
  EXPECT_EQ(SAY(Pl(), GetCharacterDes, 0xA3), "funt");
  EXPECT_EQ(SAY(En(), GetCharacterDes, 'a'), "");
  // The same keys in both languages: every English name has a Polish one.
  char en[128], pl[128];
  int named = 0;
  for (int c = 0; c < 0x10000; ++c) {
    int e = En()->GetCharacterDes(static_cast<unsigned short>(c), en, sizeof en);
    int p = Pl()->GetCharacterDes(static_cast<unsigned short>(c), pl, sizeof pl);
    EXPECT_EQ(e > 0, p > 0) << std::hex << c;
    if (e > 0) ++named;
  }
  EXPECT_EQ(named, 152);
}

}  // namespace

// The time left is rounded as a listener wants it: to 5 s under a minute, to
// 10 s under ten minutes, to the minute above; Polish counts its nouns.
TEST(UxLanguage, TimeLeftIsRoundedAndCountedInBothLanguages) {
  EXPECT_EQ(SAY(En(), GetTimeLeftString, -1, 7800 + 20),
            "about 2 hours 10 minutes left in the book");
  EXPECT_EQ(SAY(En(), GetTimeLeftString, 62, 3600 + 29),
            "about 1 minute left in this chapter, about 1 hour left in the book");
  EXPECT_EQ(SAY(En(), GetTimeLeftString, 2, 154),
            "about 5 seconds left in this chapter, about 2 minutes 30 seconds left in the book");
  EXPECT_EQ(SAY(En(), GetTimeLeftString, -1, 0), "about 0 seconds left in the book");
  EXPECT_EQ(SAY(Pl(), GetTimeLeftString, 125, 7800),
            "do końca rozdziału: mniej więcej dwie minuty, do końca książki: mniej więcej dwie "
            "godziny 10 minut");
  EXPECT_EQ(SAY(Pl(), GetTimeLeftString, -1, 3660),
            "do końca książki: mniej więcej jedna godzina jedna minuta");
}
