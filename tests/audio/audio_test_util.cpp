#include "tests/audio/audio_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "audio/decoder.h"
#include "audio/soundcard.h"
#include "audio/soundcard_internal.h"
#include "core/app/mainloop.h"
#include "platform/board_profile.h"

namespace dtbtest {

static uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

bool ReadWav(const std::string& path, Wav* out) {
  std::string b = ReadFile(path);
  if (b.size() < 12 || b.compare(0, 4, "RIFF") || b.compare(8, 4, "WAVE")) return false;
  const auto* u = reinterpret_cast<const unsigned char*>(b.data());
  size_t pos = 12;
  bool fmt = false;
  while (pos + 8 <= b.size()) {
    uint32_t size = Le32(u + pos + 4);
    if (!b.compare(pos, 4, "fmt ")) {
      out->channels = u[pos + 10] | u[pos + 11] << 8;
      out->rate = Le32(u + pos + 12);
      if ((u[pos + 22] | u[pos + 23] << 8) != 16) return false;
      fmt = true;
    } else if (!b.compare(pos, 4, "data") && fmt) {
      size_t n = std::min<size_t>(size, b.size() - pos - 8) / 2;
      out->samples.resize(n);
      if (n) memcpy(out->samples.data(), b.data() + pos + 8, n * 2);
      return true;
    }
    pos += 8 + size + (size & 1);
  }
  return false;
}

static void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; i++) s += static_cast<char>(v >> (8 * i));
}
static void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v);
  s += static_cast<char>(v >> 8);
}

void WriteWav(const std::string& path, unsigned rate, unsigned channels, const std::vector<int16_t>& samples) {
  std::string s = "RIFF";
  uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  Put32(s, 36 + data);
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);
  Put16(s, static_cast<uint16_t>(channels));
  Put32(s, rate);
  Put32(s, rate * channels * 2);
  Put16(s, static_cast<uint16_t>(channels * 2));
  Put16(s, 16);
  s += "data";
  Put32(s, data);
  if (data) s.append(reinterpret_cast<const char*>(samples.data()), data);
  WriteFile(path, s);
}

std::map<std::string, std::vector<long>> ReadMixer(const std::string& path) {
  std::map<std::string, std::vector<long>> m;
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return m;
  char line[256];
  while (fgets(line, sizeof line, f)) {
    char* eq = strrchr(line, '=');
    if (!eq) continue;
    *eq = 0;
    std::vector<long> v;
    for (char* p = eq + 1; *p && *p != '\n';) {
      v.push_back(strtol(p, &p, 10));
      if (*p == ',') p++;
    }
    m[line] = v;
  }
  fclose(f);
  return m;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool Ffmpeg(const std::string& args) { return Run("ffmpeg -nostdin -hide_banner -loglevel error -y " + args); }

std::vector<int16_t> ReadAllStreaming(int chunk, int limit) {
  std::vector<int16_t> all;
  std::vector<char> buf(chunk);
  for (int i = 0; i < limit; i++) {
    int n = ff_audio_read(buf.data(), chunk);
    if (n <= 0) {
      EXPECT_EQ(0, n);
      return all;
    }
    size_t at = all.size();
    all.resize(at + n / 2);
    memcpy(all.data() + at, buf.data(), (size_t)n / 2 * 2);
  }
  ADD_FAILURE() << "the decoder never reached the end";
  return all;
}

void SoundCardTest::SetUp() {
  std::filesystem::create_directories(dir_ / "root/var/board");
  board_ = std::make_unique<ScopedRootBoard>(dir_ / "root");
  setenv("DTB_AUDIO_OUT", OutWav().c_str(), 1);
  unsetenv("DTB_AUDIO_IN");
  unsetenv("DTB_AUDIO_MIXER");
  unsetenv("DTB_AUDIO_PACE");
  board::SelectProfile(board::ProfileOfRevision(0));
  // The speaker route fully open: out.wav holds exactly what was played.
  WriteFile(MixerFile(),
            "PCM Playback Volume=127,127\nLine Playback Switch=1,1\nLeft Line Mixer DACL1 Switch=1\n"
            "Class-D Amplifier On=1\nLine DAC Playback Volume=118,118\n");
  g_bSpeakerOn = true;  // so that the class-D amplifier follows playback
}

void SoundCardTest::TearDown() {
  SoundCard_Release();
  SoundCardRecord_Release();
  SoundCard_SpeakerSwitch(false);
  unsetenv("DTB_AUDIO_OUT");
  unsetenv("DTB_AUDIO_OUT_KEEP");
  unsetenv("DTB_AUDIO_IN");
  board::SelectProfile(board::ProfileOfRevision(0));
  board_.reset();
}

void SoundCardTest::UseAmplifierBoard() {
  std::filesystem::create_directories(dir_ / "root/dev");
  WriteFile(dir_ / "root/dev/amp_en", "");
  board::SelectProfile(board::ProfileOfRevision(1));
}

long SoundCardTest::Control(const std::string& name, size_t index) {
  auto m = ReadMixer(MixerFile());
  auto it = m.find(name);
  if (it == m.end() || index >= it->second.size()) {
    ADD_FAILURE() << "no control " << name;
    return -999;
  }
  return it->second[index];
}

bool SoundCardTest::HasControl(const std::string& name) { return ReadMixer(MixerFile()).count(name) > 0; }

}  // namespace dtbtest
