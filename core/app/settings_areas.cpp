// Every settings area of the player, in the order power-off saves them.
// An area marked changed is also saved a moment later from the tick.
#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "clock/alarms.h"
#include "tools/calculagraph.h"
#include "radio/fm_state.h"
#include "core/ui/session.h"
#include "core/ui/system_settings.h"
#include "daisy/player/daisy_settings.h"
#include "ebook/reader/ebook_settings.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "record/engine/record_settings.h"

void RegisterSettingsAreas() {
  ClearSettingsAreas();
  RegisterSettingsArea({kEbookSettingsArea, [] { return SaveEbookSettings(true); },
                        [] { SetEbookSettingsToDefault(); }});
  RegisterSettingsArea({kMusicSettingsArea, [] { return SaveMusicSettings(true); },
                        [] { SetAudioSettingsToDefault(); }});
  RegisterSettingsArea({"fm", [] { return SaveFmSettings(true); }, nullptr});
  RegisterSettingsArea({"system", [] { return g_SystemSettings.Save(); }, nullptr});
  RegisterSettingsArea({"poweroff path", SavePoweroffPath, nullptr});
  RegisterSettingsArea({kRecordSettingsArea, SaveRecordSettings, [] { SetRecordSettingsToDefault(); }});
  RegisterSettingsArea({kBookmarkArea, SaveBookmarks, nullptr});
  RegisterSettingsArea({"tools", SaveToolsSettings, nullptr});
  RegisterSettingsArea({kHistoryArea, SaveHistory, nullptr});
  RegisterSettingsArea({"alarms", SaveSlarms, nullptr});
  RegisterSettingsArea({kDaisySettingsArea, SaveDaisySettings, [] { SetDaisySettingsToDefault(); }});
  RegisterSettingsArea({kAudioBookSettingsArea, [] { return SaveAudioBookSettings(true); },
                        [] { SetAudioBookSettingsToDefault(); }});
  // Not a file: the standard folders are named anew in the current language.
  RegisterSettingsArea({"folders", nullptr, [] { CreateDaisyDir(); }});
}
