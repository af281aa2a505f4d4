// Where the composition root plugs the subsystems into the layers below
// them: settings areas, the browser's openers, close hooks, shutdown.
#include "browser/file_operation.h"
#include "browser/openers.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "core/app/mainloop.h"
#include "core/ui/device_hooks.h"
#include "core/ui/system_settings.h"
#include "radio/radio.h"
#include "daisy/player/daisy_player.h"
#include "ebook/reader/ebook_player.h"
#include "platform/board_profile.h"
#include "players/audio_player.h"
#include "players/audiobook_player.h"
#include "power/mic2det.h"
#include "positions/menu/bookmark_menu.h"
#include "power/ui/shutdown_windows.h"
#include "record/record_windows.h"
#include "settings/settings_menu.h"
#include "tools/calculagraph.h"
#include "tools/tools_menu.h"
#include "core/ui/quiet_shutdown.h"

#include <string>

void WireSubsystems() {
  RegisterSettingsAreas();
  SetQuietShutDownHandler(QuietPowerOff);
  SetTimerPowerOffHandler(TimerPowerOff);
  SetHeadphoneProbe([] { return GetPinLevel(board::Profile().pins.headphone) != 0; });

  RegisterFileOpener(OPEN_DAISY, [](const char* folder, const char* name) {
    return CreateDaisyPlayer(folder, name, -1, -1, -1, -1);
  });
  RegisterFileOpener(OPEN_AUDIOBOOK, [](const char* folder, const char* resume) {
    return CreateAudioBookPlayer(folder, resume);
  });
  RegisterFileOpener(OPEN_MUSIC, [](const char* folder, const char* name) {
    return CreateAudioPlayer(folder, name, -1, -1);
  });
  RegisterFileOpener(OPEN_EBOOK, [](const char* folder, const char* name) {
    return CreateEbookPlayer((std::string(folder) + "/" + name).c_str(), -1, -1, -1, -1);
  });

  RegisterPositionOpener(OPEN_DAISY, [](const char* folder, const char* name, const int* pos) {
    return CreateDaisyPlayer(folder, name, pos[0], pos[1], pos[2], pos[3]);
  });
  RegisterPositionOpener(OPEN_AUDIOBOOK, [](const char* folder, const char* resume, const int*) {
    return CreateAudioBookPlayer(folder, resume);
  });
  RegisterPositionOpener(OPEN_MUSIC, [](const char* folder, const char* name, const int* pos) {
    return CreateAudioPlayer(folder, name, pos[0], pos[2]);
  });
  RegisterPositionOpener(OPEN_EBOOK, [](const char* folder, const char* name, const int* pos) {
    return CreateEbookPlayer((std::string(folder) + "/" + name).c_str(), pos[0], pos[1], pos[2], pos[3]);
  });

  RegisterBrowserWindow(BW_RADIO, CreatRadioWindow);
  RegisterBrowserWindow(BW_RECORD_MENU, CreateRecordMenu);
  RegisterBrowserWindow(BW_MAIN_MENU, CreateMainMenu);
  RegisterBrowserWindow(BW_BOOKMARK_MENU, CreateBookMarkMenu);
  RegisterBrowserWindow(BW_FILE_OPERATION_MENU, CreateFileOperationMenu);
  RegisterBrowserWindow(BW_AUTO_SHUTDOWN_MENU, [] { return CreateAutoShutDownMenu(true); });
  RegisterBrowserWindow(BW_AUTO_SHUTDOWN_TIMEOUT_MENU, CreateAutoShutDownTimeoutMenu);
  RegisterBrowserWindow(BW_IDLE_SHUTDOWN_TIMEOUT_MENU, CreateIdleShutDownTimeoutMenu);
  RegisterBrowserWindow(BW_ALARMS_MENU, CreateAlarmsMenu);
  RegisterBrowserWindow(BW_IDLE_SHUTDOWN_MENU, CreateIdleShutDownMenu);
  RegisterBrowserWindow(BW_TOOLS_MENU, CreateToolsMenu);
  RegisterBrowserWindow(BW_AUTO_SHUTDOWN_SETTINGS_MENU, [] { return CreateAutoShutDownMenu(false); });
  RegisterCompassReset(SaveDefaultCompassSetting);
  RegisterToolsVoiceReminder(CreateVoiceReminderMenu, VoiceReminder_Load);
  RegisterClockSetHook([] {
    RemovePassedAlarms();
    StopCurAlarm();
    ProcessAlarmsNextTime(true);
    VoiceReminder_ProcessRemindTime();
  });
  RegisterBrowserWindow(BW_RECORDING_SETTINGS_MENU, CreateRecordingSettingsMenu);
  RegisterFmTransmitter(StarFmTx, StopFm);

  // The FM transmitter stops before the radio, the recorder or an upgrade.
  RegisterCloseHook([] {
    if (IsFmTxRunning()) StopFm();
  });
}
