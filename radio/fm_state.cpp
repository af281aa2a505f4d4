#include "radio/fm_state.h"

#include <algorithm>
#include <cstring>

#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "platform/board_profile.h"

FmState g_Fm;
int g_FmState = 0;

namespace {

const char kFmFile[] = "/mnt/settings/fm.channels";

}  // namespace

int ParseFmChannels(const unsigned char* data, int size, FmState* s) {
  *s = FmState();
  s->channel = 0;
  if (!data || size != kFmFileSize) return -1;
  int channel = data[0] | data[1] << 8;
  s->channel = channel > kFmChannels - 1 ? 0 : channel;
  for (int c = 0; c < kFmChannels; c++) s->preset[c] = data[4 + c] ? 1 : 0;
  s->headphone_volume = data[215] > 16 ? 8 : data[215];
  s->speaker_volume = data[217] < 1 || data[217] > 16 ? s->headphone_volume : data[217];
  s->mode = data[219] == 1 ? 1 : 0;
  return 0;
}

void FormatFmChannels(const FmState& s, unsigned char out[kFmFileSize]) {
  memset(out, 0, kFmFileSize);
  out[0] = static_cast<unsigned char>(s.channel & 0xFF);
  out[1] = static_cast<unsigned char>(s.channel >> 8);
  for (int c = 0; c < kFmChannels; c++) out[4 + c] = s.preset[c] ? 1 : 0;
  out[215] = static_cast<unsigned char>(s.headphone_volume);
  out[217] = static_cast<unsigned char>(s.speaker_volume);
  out[219] = static_cast<unsigned char>(s.mode);
}

int LoadFmSettingsFile(const char* devicePath) {
  unsigned char buf[kFmFileSize + 1];
  int n = LoadSettingsFile(devicePath, buf, sizeof buf);
  FmState loaded;
  if (ParseFmChannels(buf, n, &loaded) != 0) {
    if (n >= 0) DiagPrintf("%s file length wrong", devicePath);
    g_Fm.channel = 0;
    memset(g_Fm.preset, 0, sizeof g_Fm.preset);
    return -1;
  }
  g_Fm = loaded;
  return 0;
}

int LoadFmSettings() {
  if (CheckSettingsMounted() != 0) return -1;
  return LoadFmSettingsFile(kFmFile);
}

int SaveFmSettingsFile(const char* devicePath) {
  if (g_Fm.channel < 0 || g_Fm.channel >= kFmChannels) return -1;
  unsigned char buf[kFmFileSize];
  FormatFmChannels(g_Fm, buf);
  if (SaveSettingsFile(devicePath, buf, kFmFileSize) != kFmFileSize) {
    DiagPrintf("save %s failed", devicePath);
    return -1;
  }
  return 0;
}

int SaveFmSettings(bool) {
  if (CheckSettingsMounted() != 0) return -1;
  return SaveFmSettingsFile(kFmFile);
}

int FirstChannel() { return board::Profile().first_fm_channel; }

int StepChannel(int channel, int direction) {
  int first = FirstChannel();
  if (direction > 0) return channel >= kFmChannels - 1 ? first : std::max(first, channel + 1);
  return channel <= first ? kFmChannels - 1 : channel - 1;
}

int NextPreset(const FmState& s, int channel, int direction) {
  for (int c = StepChannel(channel, direction), n = 0; n < kFmChannels - 1; c = StepChannel(c, direction), n++)
    if (s.preset[c]) return c;
  return channel;
}

int LowestPreset(const FmState& s) {
  for (int c = FirstChannel(); c < kFmChannels; c++)
    if (s.preset[c]) return c;
  return -1;
}

int ChannelKhz(int channel) { return 87000 + channel * 100; }

int ChannelOfKhz(int khz) {
  if (khz < 87000 || khz > 108000) return -1;
  return (khz - 87000 + 50) / 100;
}
