// Helpers for the sound card and decoder tests: WAV files, the host mixer's
// state file, a sound card fixture on a scratch device root.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace dtbtest {

struct Wav {
  unsigned rate = 0;
  unsigned channels = 0;
  std::vector<int16_t> samples;
};

// Reads a 16-bit PCM WAV file; false when it is not one.
bool ReadWav(const std::string& path, Wav* out);
void WriteWav(const std::string& path, unsigned rate, unsigned channels, const std::vector<int16_t>& samples);

// Control name -> values, as the host codec keeps them.
std::map<std::string, std::vector<long>> ReadMixer(const std::string& path);

// Runs a shell command (the ffmpeg/sox tools); true on success.
bool Run(const std::string& command);
// Runs ffmpeg quietly with these arguments (output overwritten).
bool Ffmpeg(const std::string& args);
// Reads every byte of PCM the streaming decoder gives for the open file, in
// reads of `chunk` bytes; stops (and fails the test) after `limit` reads.
std::vector<int16_t> ReadAllStreaming(int chunk = 4096, int limit = 1000000);

// A scratch device root with the host sound device: playback into out.wav,
// the mixer in root/var/board/mixer. amp = true models the amplifier board.
class SoundCardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void UseAmplifierBoard();
  std::string OutWav() const { return dir_ / "out.wav"; }
  std::string MixerFile() const { return dir_ / "root/var/board/mixer"; }
  long Control(const std::string& name, size_t index = 0);
  bool HasControl(const std::string& name);

  TempDir dir_;
  std::unique_ptr<ScopedRootBoard> board_;
};

}  // namespace dtbtest
