// Start-up: bring the board up, open the keypad, load every settings file,
// push the root window and run the one event loop.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "audio/soundcard.h"
#include "browser/copy_journal.h"
#include "browser/file_browser.h"
#include "browser/socket_receiver.h"
#include "core/base/diag.h"
#include "core/app/mainloop.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "radio/radio.h"
#include "speech/tts.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "tools/compass_sensors.h"
#include "power/battery.h"
#include "power/mic2det.h"
#include "power/tps65217.h"

GMainLoop* g_MainLoop = nullptr;

namespace {

constexpr const char* kKeypad = "/dev/input/event0";

bool Exists(const char* devicePath) { return BAccess(devicePath, F_OK) == 0; }

void SetCpuFrequency() {
  board::System("echo 600000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq");
  board::System("echo 300000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_min_freq");
  board::System("echo ondemand > /sys/devices/system/cpu/cpu0/cpufreq/scaling_governor");
}

// The system's own shutdown must not write the system time back to the RTC.
void KeepRtcFromShutdown() {
  bool renamed = false;
  if (Exists("/etc/init.d/save-rtc.sh")) {
    board::System("mv /etc/init.d/save-rtc.sh /etc/init.d/save-rtc.sh.bak");
    renamed = true;
  }
  if (Exists("/etc/timestamp")) {
    board::System("rm -rf /etc/timestamp");
    board::System("sync");
  } else if (renamed) {
    board::System("sync");
  }
}

int OpenKeypad() {
  g_InputkeyFd = board::OpenInputDevice(kKeypad);
  if (g_InputkeyFd < 0) {
    DiagPrintf("g_io_channel_new_file(%s) fail", kKeypad);
    return -1;
  }
  g_InputkeyChannel = g_io_channel_unix_new(g_InputkeyFd);
  g_io_channel_set_close_on_unref(g_InputkeyChannel, TRUE);
  if (g_io_channel_set_encoding(g_InputkeyChannel, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
    DiagPrintf("g_io_channel_set_encoding() fail");
    g_io_channel_shutdown(g_InputkeyChannel, FALSE, nullptr);
    return -1;
  }
  guint id = g_io_add_watch(g_InputkeyChannel, static_cast<GIOCondition>(G_IO_IN | G_IO_ERR),
                            key_input_callback, nullptr);
  if (id == 0) {
    DiagPrintf("g_source_attach() fail");
    return -1;
  }
  // A modal message box runs a nested loop from inside a key handler.
  g_source_set_can_recurse(g_main_context_find_source_by_id(nullptr, id), TRUE);
  return 0;
}

void MountDisks() {
  if (IsMountDir("/mnt/emmc") == 0) board::System("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc");
  if (IsMountDir("/mnt/settings") == 0)
    board::System("mount -t vfat -o utf8 /dev/mmcblk0p5 /mnt/settings");
}

void ApplySystemSettings() {
  g_SystemSettings.ChangeSpeakerVolume(0);
  g_SystemSettings.ChangeHeadphoneVolume(0);
  g_SystemSettings.SetLanguage(g_SystemSettings.language);
  g_SystemSettings.SetTtsSpeed(g_SystemSettings.tts_speed);
  g_SystemSettings.SetTtsPitch(g_SystemSettings.tts_pitch);
  g_SystemSettings.SetTtsEffect(g_SystemSettings.tts_effect);
}

}  // namespace

int DtbMain(int argc, char** argv) {
  WireSubsystems();
  if (board::InstallFromArgs(&argc, argv) != 0) return -1;

  SetCpuFrequency();
  // Threading support of GLib is always initialised since 2.32.
  board::SelectProfile(compass::ProbeCompassSensors(board::DetectProfile()));
  KeepRtcFromShutdown();
  InitSocketReceiver();

  SoundCard_SpeakerSwitch(false);
  SoundCard_HeadPhoneSwitch(false);
  SoundCard_Init(false, 1, 16000, 300000);

  Tps65217_Init();
  Tps65217_SetMax_mA(500);
  Tps65217_SetMux(1);
  BatteryAdc_Open();

  if (OpenKeypad() != 0) return -1;
  SetWorkingLed(0);
  if (OpenSimulateKeyPipe(true) != 0) exit(1);

  MountDisks();
  // What copies cut off by a power cut left, now that their note is readable.
  ClearCutOffCopies(nullptr);

  VoiceReminder_Load();
  SoundCard_MixerInit();
  SoundCard_SpeakerSwitch(false);
  SoundCard_HeadPhoneSwitch(true);
  SysTts_Init();

  LoadSettingsAreas();
  ResetIdleShutDownTime();
  ApplySystemSettings();
  GetBatState(true);
  // The headphone pin reads 1 with headphones in; a read error counts as in.
  SoundCard_SpeakerSwitch(GetPinLevel(board::Profile().pins.headphone) == 0);

  InitAlarms();
  CreateDaisyDir();

  if (CreateFileBrowser() != 0) return -1;
  RefreshCurWindow();

  guint tick = g_timeout_add(250, TimeOutFun_250ms, nullptr);
  // A window may open a message box from its tick; the box's own ticks
  // (a notice ends when its speech does) must still arrive.
  g_source_set_can_recurse(g_main_context_find_source_by_id(nullptr, tick), TRUE);
  g_MainLoop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(g_MainLoop);
  g_main_loop_unref(g_MainLoop);
  g_MainLoop = nullptr;
  return 0;
}
