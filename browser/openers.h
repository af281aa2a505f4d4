// What the browser opens but does not own. The players, menus and the
// upgrade register themselves here at start-up; the browser never includes
// them. Loop thread.
#pragma once

// Players by what they open. `folder` is the folder path; `arg` is the
// file name, or for an audio book the resume position (may be null).
// Each pushes its window and returns 0, or negative when it did not open.
enum FileOpener { OPEN_DAISY, OPEN_AUDIOBOOK, OPEN_MUSIC, OPEN_EBOOK, OPEN_COUNT };
void RegisterFileOpener(FileOpener which, int (*open)(const char* folder, const char* arg));
// -1 when nothing is registered for `which`.
int OpenWith(FileOpener which, const char* folder, const char* arg);

// The same players opened at a stored position (the bookmark menu). `pos`
// is start, start place, end, end place: e-book pages and text places,
// DAISY objects and places, music ms in pos[0] and pos[2]; -1 where unset.
void RegisterPositionOpener(FileOpener which,
                            int (*open)(const char* folder, const char* arg, const int pos[4]));
// -1 when nothing is registered for `which`.
int OpenAt(FileOpener which, const char* folder, const char* arg, const int pos[4]);

// Windows the browser's keys and events open.
enum BrowserWindow {
  BW_RADIO,
  BW_RECORD_MENU,
  BW_MAIN_MENU,
  BW_BOOKMARK_MENU,
  BW_FILE_OPERATION_MENU,
  BW_AUTO_SHUTDOWN_MENU,
  BW_AUTO_SHUTDOWN_TIMEOUT_MENU,
  BW_IDLE_SHUTDOWN_TIMEOUT_MENU,
  // Reached from the settings menu.
  BW_ALARMS_MENU,
  BW_IDLE_SHUTDOWN_MENU,
  BW_RECORDING_SETTINGS_MENU,
  BW_TOOLS_MENU,
  BW_AUTO_SHUTDOWN_SETTINGS_MENU,  // the auto power-off menu as the time settings open it
  BW_COUNT
};
void RegisterBrowserWindow(BrowserWindow which, int (*create)());
// -1 when nothing is registered: the browser then says "file not supported".
int OpenBrowserWindow(BrowserWindow which);

// The FM transmitter, started and stopped from the settings menu. `freq` is
// in units of 10 kHz. -1 while no radio is registered.
void RegisterFmTransmitter(int (*start)(int freq), int (*stop)());
int StartFmTransmit(int freq);
int StopFmTransmit();

// Resets the compass calibration to its default when a device-information
// record is installed; nothing while unregistered.
void RegisterCompassReset(int (*reset)());
int ResetCompassCalibration();
