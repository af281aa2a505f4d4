// Voice tags through the recording engine: the take goes into a file of its
// own in the reminders' folder and replaces the target only once it is
// whole, so a short second take never costs the first, and a power cut
// leaves a stray file that the next load removes.
#include "clock/voice_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "audio/soundcard.h"
#include "clock/voice_reminder.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "power/mic2det.h"
#include "record/engine/record.h"
#include "record/engine/record_settings.h"

namespace {

constexpr int kKbps = 32;

bool g_Recording = false;
std::chrono::steady_clock::time_point g_Started;

std::string TakePath() { return std::string(c_VoiceReminderDir) + "/take.mp3"; }

// The speaker comes back unless headphones are plugged.
void EndCapture() {
  TheRecord().Stop();
  g_Recording = false;
  SoundCard_SpeakerSwitch(GetPinLevel(board::Profile().pins.headphone) != 1);
}

int FlushFile(const std::string& path) {
  int fd = BOpen(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int r = fsync(fd);
  close(fd);
  return r;
}

}  // namespace

int VoiceTag_Record() {
  if (g_Recording || CheckSettingsMounted() != 0) return -1;
  BMkdir(c_VoiceReminderDir, 0755);
  int route = GetPinLevel() == 1 ? 2 : 1;
  int volume = g_RecordSettings.volume * 5 + 32;
  SoundCard_Release();
  std::string take = TakePath();
  if (TheRecord().Start(take.c_str(), route, volume, RecordFile::kMp3, kVoiceTagRate, kKbps, true) != 0) {
    BUnlink(take.c_str());
    return -1;
  }
  PlayRecordStartBeep(kVoiceTagRate);
  SoundCard_Release();
  SoundCard_SpeakerSwitch(false);  // the microphone must not hear the device
  TheRecord().Start2();
  g_Recording = true;
  g_Started = std::chrono::steady_clock::now();
  return 0;
}

bool VoiceTag_IsRecording() { return g_Recording; }

int VoiceTag_GetRecordLength(bool* full) {
  long long samples = 0;
  if (g_Recording) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_Started);
    samples = ms.count() * kVoiceTagRate / 1000;
  }
  if (samples > kVoiceTagMaxSamples) samples = kVoiceTagMaxSamples;
  if (full) *full = samples >= kVoiceTagMaxSamples;
  return static_cast<int>(samples);
}

int VoiceTag_EndRecordingAndSave(int samples, const char* path) {
  if (!g_Recording) return -1;
  bool failed = TheRecord().GetErrorCode() != 0;
  EndCapture();
  std::string take = TakePath();
  if (samples < kVoiceTagMinSamples) {
    DiagPrintf("len = %d, too small", samples);
    BUnlink(take.c_str());
    return -1;
  }
  struct stat st;
  if (failed || !path || BStat(take.c_str(), &st) != 0 || st.st_size == 0 || FlushFile(take) != 0 ||
      BRename(take.c_str(), path) != 0) {
    DiagPrintf("fopen(%s, wb) failed", path ? path : "");
    BUnlink(take.c_str());
    return -2;
  }
  return 0;
}

void VoiceTag_CancelRecording() {
  if (!g_Recording) return;
  EndCapture();
  BUnlink(TakePath().c_str());
}
