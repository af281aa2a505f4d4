// The recording settings ("/mnt/settings/record.config.xml"), the format
// table, and the recording folder and file names shared by everything that
// records into the "Record" folder (the recorder, the radio). Loop thread.
#pragma once

#include <cstdint>
#include <string>
#include "core/ui/settings_area.h"

struct RecordSettings {
  int location = 0;  // 0 internal memory, 1 micro SD card
  int volume = 8;    // 1..12
  int format = 5;    // index into the format table, 0..5
  int ext_line = 0;  // 0 external microphone, 1 line in
  int noise = 1;     // noise cancellation
  bool operator==(const RecordSettings& o) const {
    return location == o.location && volume == o.volume && format == o.format && ext_line == o.ext_line &&
           noise == o.noise;
  }
};
extern RecordSettings g_RecordSettings;
inline constexpr SettingsKey kRecordSettingsArea{"record"};
constexpr int kRecordFormats = 6;

int LoadRecordSettings();
int LoadRecordSettingsFile(const char* devicePath);
int SaveRecordSettings();
int SaveRecordSettingsFile(const char* devicePath);
int SetRecordSettingsToDefault();

// The table's description string of format `index` ("mp3 44100hz 128kbps").
const char* RecordFormatString(int index);
// Parses a format description; missing values stay -1. 0, or -1 for null.
int ParseRecordFormat(const char* text, int* mp3, int* rate, int* kbps);
// The stored settings' volume and format. 0.
int GetRecordParameter(int* volume, int* mp3, int* rate, int* kbps);

// Makes the recording folder of the chosen disk current in the browser's
// listing (renaming another language's folder, or creating it). 0, or the
// phrase to speak: UxPhrase::NoMicroSdCard, UxPhrase::DiskNotFormatted or
// UxPhrase::CantOpenRecordingFile.
int GoToRecordDir(bool microsd);
// The recording folder of the chosen place made current, as GoToRecordDir.
// A micro SD card that is chosen but cannot be used is no reason to refuse:
// the internal memory takes the recording, and `note` gets what to say
// first ("no micro sd card, Internal memory, "); otherwise it is emptied.
int GoToRecordPlace(std::string* note);
// Today's first free "Record<yyyymmdd>_<n>.<ext>" in the current listing
// (either extension counts as taken). 0, or -1 when 1..9999 are all taken.
int GetCurDirRecordFilename(const char* ext, std::string* name);
// The start beep, played at the recording's rate before it starts. 0 or
// the player's error.
int PlayRecordStartBeep(int rate);
// After a recording: the listing reloaded with `name` selected.
void SelectRecordedFile(const std::string& name);
// "recording ended, NAME, SIZE": the file as the browser names it after a
// recording, for an end that the listing does not speak.
std::string RecordingEndedText(const std::string& name, int64_t bytes);
// The same for the recording just ended, said before whatever speaks next.
void SayRecordingEnded(const std::string& name);
