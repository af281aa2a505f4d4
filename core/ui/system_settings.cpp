// The system settings record and "system.config.xml".
#include "core/ui/system_settings.h"

#include <strings.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "audio/soundcard.h"
#include "core/base/settings_file.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

const int c_VolumeList[17] = {0, 33, 38, 43, 48, 53, 58, 63, 68, 73, 78, 83, 88, 93, 98, 103, 108};

SystemSettings g_SystemSettings;

namespace {

const char kFile[] = SETTINGS_DIR "/system.config.xml";

int Clamp(long v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : (int)v; }

// A decimal attribute as an int (out-of-range text saturates).
long Number(const char* text) { return strtol(text, nullptr, 10); }
int Int(const char* text) { return Clamp(Number(text), INT_MIN, INT_MAX); }
bool Enabled(const char* text) { return !strcmp(text, "enable"); }
const char* EnableText(bool on) { return on ? "enable" : "disable"; }

}  // namespace

SystemSettings::SystemSettings()
    : RemindBeforeIdleShutDown(1),
      RemindBeforeAutoShutDown(1),
      language(0),
      volume(10),
      hpvolume(10),
      timeformat(24),
      idle_shut_down_time(10),
      auto_shut_down_time(10),
      timer_shut_down_enable(false),
      timer_shut_down(0),
      timer_power_on(false),
      timer_power_on_time(0),
      time_announcement_mode(0),
      tts_role(0),
      tts_speed(0),
      tts_pitch(0),
      tts_effect(0),
      ebook_resume_play(true),
      music_resume_play(true),
      daisy_resume_play(true),
      audiobook_resume_play(true),
      fm_send(false),
      fm_send_frequency(87000) {}

void SystemSettings::XmlCbStartElement(void* ctx, const char* name, const char* const* attrs) {
  static_cast<SystemSettings*>(ctx)->OnStartElement(name, attrs);
}

void SystemSettings::OnStartElement(const char* name, const char* const* attrs) {
  if (!name || strcmp(name, "system_setting") || !attrs) return;
  for (int i = 0; attrs[i] && attrs[i + 1]; i += 2) {
    const char* key = attrs[i];
    const char* value = attrs[i + 1];
    if (!strcmp(key, "RemindBeforeIdleShutDown")) {
      RemindBeforeIdleShutDown = Int(value);
    } else if (!strcmp(key, "RemindBeforeAutoShutDown")) {
      RemindBeforeAutoShutDown = Int(value);
    } else if (!strcmp(key, "language")) {
      int found = 0;
      for (int l = 0; l < Tts_GetTotalLanguages(); l++) {
        const char* des = Tts_GetLanguageDes(l);
        if (des && !strcasecmp(value, des)) {
          found = l;
          break;
        }
      }
      SetLanguage(found);
    } else if (!strcmp(key, "volume")) {
      volume = Clamp(Number(value), 0, 16);
    } else if (!strcmp(key, "hpvolume")) {
      hpvolume = Clamp(Number(value), 0, 16);
    } else if (!strcmp(key, "timeformat")) {
      long v = Number(value);
      if (v == 12 || v == 24) timeformat = (int)v;
    } else if (!strcmp(key, "idle_shut_down_time")) {
      idle_shut_down_time = Int(value);
    } else if (!strcmp(key, "auto_shut_down_time")) {
      auto_shut_down_time = Int(value);
    } else if (!strcmp(key, "timer_shut_down")) {
      timer_shut_down = Int(value);
      timer_shut_down_enable = false;
    } else if (!strcmp(key, "timer_power_on")) {
      timer_power_on = Enabled(value) && timer_power_on_time >= 0;
    } else if (!strcmp(key, "timer_power_on_time")) {
      timer_power_on_time = Int(value);
      if (timer_power_on_time < 0) timer_power_on = false;
    } else if (!strcmp(key, "time_announcement_mode")) {
      long v = Number(value);
      time_announcement_mode = (v < 0 || v > 3) ? 0 : (int)v;
    } else if (!strcmp(key, "tts_role")) {
      SetTtsRole(Int(value));
    } else if (!strcmp(key, "tts_speed")) {
      SetTtsSpeed(Clamp(Number(value), -10, 20));
    } else if (!strcmp(key, "tts_pitch")) {
      SetTtsPitch(Clamp(Number(value), -5, 5));
    } else if (!strcmp(key, "tts_effect")) {
      SetTtsEffect(Int(value));
    } else if (!strcmp(key, "ebook_resume_play")) {
      ebook_resume_play = Enabled(value);
    } else if (!strcmp(key, "music_resume_play")) {
      music_resume_play = Enabled(value);
    } else if (!strcmp(key, "daisy_resume_play")) {
      daisy_resume_play = Enabled(value);
    } else if (!strcmp(key, "audiobook_resume_play")) {
      audiobook_resume_play = Enabled(value);
    } else if (!strcmp(key, "fm_send")) {
      fm_send = Enabled(value);
    } else if (!strcmp(key, "fm_send_frequency")) {
      SetFmSendFrequency(Clamp(Number(value), 87000, 108000));
    }
  }
}

int SystemSettings::Load() {
  if (CheckSettingsMounted() != 0) return -1;
  int headphone = hpvolume;
  hpvolume = -1;
  int r = LoadSettingsXml(kFile, XmlCbStartElement, this);
  // A file without its own headphone volume takes the speaker's.
  if (hpvolume < 0) hpvolume = r == 0 ? volume : headphone;
  // The timed power-off never survives a restart.
  timer_shut_down_enable = false;
  return r == 0 ? 0 : -1;
}

int SystemSettings::Save() {
  if (CheckSettingsMounted() != 0) return -1;
  xml::Document doc("ebook");
  xml::Element e;
  auto element = [&] { e = doc.Root().Add("system_setting"); };
  auto text = [&](const char* key, const char* value) { e.Set(key, value); };
  auto number = [&](const char* key, int value) { e.Set(key, value); };
  element();
  number("RemindBeforeAutoShutDown", RemindBeforeAutoShutDown);
  element();
  number("RemindBeforeIdleShutDown", RemindBeforeIdleShutDown);
  element();
  const char* des = Tts_GetLanguageDes(language);
  text("language", des ? des : "");
  element();
  number("volume", volume);
  number("hpvolume", hpvolume);
  element();
  number("timeformat", timeformat);
  element();
  number("idle_shut_down_time", idle_shut_down_time);
  element();
  number("auto_shut_down_time", auto_shut_down_time);
  element();
  number("timer_shut_down", timer_shut_down);
  element();
  text("timer_power_on", EnableText(timer_power_on));
  number("timer_power_on_time", timer_power_on_time);
  element();
  number("time_announcement_mode", time_announcement_mode);
  element();
  number("tts_role", tts_role);
  number("tts_speed", tts_speed);
  number("tts_pitch", tts_pitch);
  number("tts_effect", tts_effect);
  element();
  text("ebook_resume_play", EnableText(ebook_resume_play));
  text("music_resume_play", EnableText(music_resume_play));
  text("daisy_resume_play", EnableText(daisy_resume_play));
  text("audiobook_resume_play", EnableText(audiobook_resume_play));
  element();
  number("fm_send_frequency", fm_send_frequency);
  // The FM transmitter flag is never written: the device always starts with it off.
  return SaveSettingsXml(kFile, doc) == 0 ? 0 : -1;
}

void SystemSettings::SetToDefault(bool apply) {
  // The user who restores the defaults must still understand the device.
  int keep = language;
  *this = SystemSettings();
  SetLanguage(keep);
  if (apply) {
    SoundCard_SetVolume(c_VolumeList[volume]);
    Tts_SetRole(0, tts_role);
    Tts_SetSpeed(0, TtsSpeedToRate(tts_speed));
    Tts_SetPitch(0, tts_pitch);
    Tts_SetEffect(0, tts_effect);
  }
}

int SystemSettings::GetVolume() { return IsSpeakerOn() ? volume : hpvolume; }

void SystemSettings::ChangeVolume(int delta) {
  if (IsSpeakerOn())
    ChangeSpeakerVolume(delta);
  else
    ChangeHeadphoneVolume(delta);
}

void SystemSettings::ChangeSpeakerVolume(int delta) {
  volume = Clamp((long)volume + delta, 0, 16);
  SoundCard_SetSpeakerVolume(c_VolumeList[volume]);
}

void SystemSettings::ChangeHeadphoneVolume(int delta) {
  hpvolume = Clamp((long)hpvolume + delta, 0, 16);
  SoundCard_SetHeadPhoneVolume(c_VolumeList[hpvolume]);
}

void SystemSettings::SetLanguage(int index) {
  if (index < 0 || index >= Tts_GetTotalLanguages()) index = 0;
  language = index;
  // Keep the voice when it speaks this language; else one of the same sex.
  int start = Tts_GetLanguageStartVoiceIndex(index);
  int count = Tts_GetVoiceCnt(index);
  int voice = tts_role;
  if (voice < start || voice >= start + count) {
    int sex = Tts_GetSex(tts_role);
    voice = start;
    for (int v = start; v < start + count; v++) {
      if (Tts_GetSex(v) == sex) {
        voice = v;
        break;
      }
    }
  }
  if (voice < 0 || voice >= Tts_GetTotalRoles()) voice = 0;
  tts_role = voice;
  Tts_SetRole(0, voice);
  if (index != g_CurLanguage || !g_pUxLanguage) {
    g_pUxLanguage = GetUxLanguage(index);
    g_CurLanguage = index;
  }
}

void SystemSettings::SetIdleShutDownTime(int minutes) { idle_shut_down_time = minutes; }

void SystemSettings::SetTimerShutDownTime(bool enable, int minutes) {
  timer_shut_down = minutes;
  timer_shut_down_enable = minutes >= 0 && enable;
}

void SystemSettings::SetTimerPowerOnTime(bool enable, int minutes) {
  timer_power_on_time = minutes;
  timer_power_on = minutes >= 0 && enable;
}

void SystemSettings::SetTimerAnnouncementMode(int mode) { time_announcement_mode = (mode < 0 || mode > 3) ? 0 : mode; }

void SystemSettings::SetTtsRole(int role) {
  if (role < 0 || role >= Tts_GetTotalRoles()) role = 0;
  tts_role = role;
  Tts_SetRole(0, role);
}

int SystemSettings::TtsSpeedToRate(int step) {
  step = Clamp(step, -10, 20);
  if (step < 0) return step * 5;
  if (step <= 10) return step * 10;
  return step * 20 - 100;
}

void SystemSettings::SetTtsSpeed(int step) {
  tts_speed = Clamp(step, -10, 20);
  Tts_SetSpeed(0, TtsSpeedToRate(tts_speed));
}

void SystemSettings::SetTtsPitch(int pitch) {
  tts_pitch = Clamp(pitch, -5, 5);
  Tts_SetPitch(0, tts_pitch);
}

void SystemSettings::SetTtsEffect(int effect) {
  if (effect < 0 || effect >= Tts_GetTotalEffects()) effect = 0;
  tts_effect = effect;
  Tts_SetEffect(0, effect);
}

void SystemSettings::SetFmSendFrequency(int khz) { fm_send_frequency = Clamp(khz, 87000, 108000); }
