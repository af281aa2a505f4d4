// The system settings record, persisted as "/mnt/settings/system.config.xml".
// Loaded once at start-up, changed in memory by the menus, saved at power-off.
// Read and written on the loop thread; workers read single fields unlocked.
#pragma once

#include "core/ui/settings_area.h"

// Volume step 0..16 -> codec value for the speaker/headphone DAC volume.
extern const int c_VolumeList[17];

class SystemSettings {
 public:
  SystemSettings();

  // 0, or -1 (settings partition not mounted, file missing, too short/long).
  int Load();
  // 0 or -1. Called only at power-off and before an upgrade reboot.
  [[nodiscard]] int Save();
  // Every field to its default but the interface language, which stays
  // (the voice becomes the language's default); with apply = true also
  // pushed to the mixer and the speech engine.
  void SetToDefault(bool apply);

  // Volume step of the active output (speaker when on, else headphone).
  int GetVolume();
  // Changes the active output's step by delta (clamped 0..16) and sends it to the mixer.
  void ChangeVolume(int delta);
  void ChangeSpeakerVolume(int delta);
  void ChangeHeadphoneVolume(int delta);

  void SetLanguage(int index);
  void SetIdleShutDownTime(int minutes);
  void SetTimerShutDownTime(bool enable, int minutes);
  void SetTimerPowerOnTime(bool enable, int minutes);
  void SetTimerAnnouncementMode(int mode);
  void SetTtsRole(int role);
  void SetTtsSpeed(int step);
  void SetTtsPitch(int pitch);
  void SetTtsEffect(int effect);
  void SetFmSendFrequency(int khz);

  // The rate value the speech engine gets for a speed step -10..20.
  static int TtsSpeedToRate(int step);

  // Fields, in this order; names are the XML attributes.
  int RemindBeforeIdleShutDown;
  int RemindBeforeAutoShutDown;
  int language;
  int volume;
  int hpvolume;
  int timeformat;
  int idle_shut_down_time;
  int auto_shut_down_time;
  bool timer_shut_down_enable;  // never stored; false after start
  int timer_shut_down;
  bool timer_power_on;
  int timer_power_on_time;
  int time_announcement_mode;
  int tts_role;
  int tts_speed;
  int tts_pitch;
  int tts_effect;
  bool ebook_resume_play;
  bool music_resume_play;
  bool daisy_resume_play;
  bool audiobook_resume_play;
  bool fm_send;  // read when present, never saved
  int fm_send_frequency;

 private:
  void OnStartElement(const char* name, const char* const* attrs);
  static void XmlCbStartElement(void* ctx, const char* name, const char* const* attrs);
};

extern SystemSettings g_SystemSettings;
// The settings area of g_SystemSettings.
inline constexpr SettingsKey kSystemSettingsArea{"system"};
