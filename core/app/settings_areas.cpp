// Every settings area of the player, once: start-up loads them in this
// order, power-off saves them in it, "set to default" walks it, and an area
// marked changed is saved a moment later from the tick. Each area declares
// its key beside its own code.
#include "browser/file_browser.h"
#include "clock/alarms.h"
#include "core/app/mainloop.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "daisy/player/daisy_settings.h"
#include "ebook/reader/ebook_settings.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "radio/fm_state.h"
#include "record/engine/record_settings.h"
#include "tools/calculagraph.h"

namespace {

// key, its file in "/mnt/settings" (named in the log), load, save, set to
// default.
const SettingsArea kAreas[] = {
    {kEbookSettingsArea, "ebook.config.xml", LoadEbookSettings, [] { return SaveEbookSettings(true); },
     SetEbookSettingsToDefault},
    {kMusicSettingsArea, "music.config.xml", LoadMusicSettings, [] { return SaveMusicSettings(true); },
     SetAudioSettingsToDefault},
    {kFmSettingsArea, "fm.channels", LoadFmSettings, [] { return SaveFmSettings(true); }, nullptr},
    {kSystemSettingsArea, "system.config.xml", [] { return g_SystemSettings.Load(); },
     [] { return g_SystemSettings.Save(); }, nullptr},  // its defaults come first of all
    {kPoweroffPathArea, "poweroff.path", GoToPoweroffPath, SavePoweroffPath, nullptr},
    {kRecordSettingsArea, "record.config.xml", LoadRecordSettings, SaveRecordSettings,
     SetRecordSettingsToDefault},
    {kBookmarkArea, "bookmark.xml", LoadBookmarks, SaveBookmarks, nullptr},
    {kToolsSettingsArea, "calculagraph_data.bin, tools.bin", LoadToolsSettings, SaveToolsSettings,
     nullptr},
    {kHistoryArea, "history.xml", LoadHistory, SaveHistory, nullptr},
    // Loaded by InitAlarms(), with the signal thread, once the clock is read.
    {kAlarmsArea, "alarm.config.xml", nullptr, SaveSlarms, nullptr},
    {kDaisySettingsArea, "daisy.config.xml", LoadDaisySettings, SaveDaisySettings,
     SetDaisySettingsToDefault},
    {kAudioBookSettingsArea, "audiobook.config.xml", LoadAudioBookSettings,
     [] { return SaveAudioBookSettings(true); }, SetAudioBookSettingsToDefault},
    // Not a file: the standard folders are named anew in the current language
    // (made at start-up once the language is set).
    {kStdFoldersArea, nullptr, nullptr, nullptr, CreateDaisyDir},
};

}  // namespace

void RegisterSettingsAreas() {
  ClearSettingsAreas();
  for (const SettingsArea& area : kAreas) RegisterSettingsArea(area);
}
