// End to end: the record key records the microphone for five seconds into
// a WAV and an MP3 file that hold what the microphone heard.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "tests/audio/audio_test_util.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

// Tone bursts of changing pitch: easy to find again in time, and tonal
// enough for a low bit rate.
std::vector<int16_t> Speechlike(unsigned rate, double seconds) {
  std::vector<int16_t> pcm(static_cast<size_t>(rate * seconds));
  unsigned seed = 12345;
  double phase = 0, hz = 400;
  for (size_t i = 0; i < pcm.size(); i++) {
    if (i % (rate / 10) == 0) {
      seed = seed * 1103515245u + 12345u;
      hz = 250 + (seed >> 16) % 1500;
    }
    phase += 2 * M_PI * hz / rate;
    pcm[i] = static_cast<int16_t>(7000 * std::sin(phase) + 2000 * std::sin(2.7 * phase));
  }
  return pcm;
}

// Signal-to-error ratio in dB of `got` (past its first `skip` samples, the
// codec's delay) against `want` at the best offset.
double BestSnr(const std::vector<int16_t>& want, std::vector<int16_t> got, size_t length, size_t skip = 0) {
  if (got.size() < length + skip || want.size() < length) return -100;
  got.erase(got.begin(), got.begin() + static_cast<long>(skip));
  double best = -100;
  for (size_t d = 0; d + length <= want.size(); d += 1) {
    double sig = 0, err = 0;
    for (size_t i = 0; i < length && err <= sig; i += 7) {
      double w = want[d + i], e = got[i] - w;
      sig += w * w;
      err += e * e;
    }
    if (err > sig) continue;
    sig = err = 0;
    for (size_t i = 0; i < length; i++) {
      double w = want[d + i], e = got[i] - w;
      sig += w * w;
      err += e * e;
    }
    best = std::max(best, 10 * std::log10(sig / std::max(err, 1.0)));
  }
  return best;
}

class RecordE2E : public ::testing::Test {
 protected:
  // Records from the microphone with format `format` of the table: seven
  // seconds, or what `steps` do.
  dtbtest::SimResult Record(int format, unsigned rate,
                            const std::string& steps = "key record\nwait 7\nkey back\nexpect recording ended 10\n") {
    dtbtest::SimRun run;
    run.root = dir / "device";
    run.lang = "en";
    run.timeout_seconds = 240;
    run.script = "expect Internal memory 20\nquit\n";
    EXPECT_EQ(0, dtbtest::RunSim(run).status);
    if (idle_minutes) {
      std::string path = dir / "device/mnt/settings/system.config.xml";
      std::string xml = dtbtest::ReadFile(path);
      size_t at = xml.find("language=");
      EXPECT_NE(at, std::string::npos) << xml;
      if (at != std::string::npos) xml.insert(at, "idle_shut_down_time=\"" + std::to_string(idle_minutes) + "\" ");
      dtbtest::WriteFile(path, xml);
    }
    dtbtest::WriteFile(dir / "device/mnt/settings/record.config.xml",
                       "<record><record_config RecordingFilePosition=\"" + location +
                           "\" volume=\"8\" format=\"" +
                           std::to_string(format) + "\" enoise=\"0\" ExtLineType=\"0\"/></record>\n");
    input = Speechlike(rate, 14);
    dtbtest::WriteWav(dir / "mic.wav", rate, 1, input);
    run.fresh = false;
    run.script = "expect Internal memory 20\ninput mic " + dir / "mic.wav" + "\n" + steps + "wait 1\nquit\n";
    return dtbtest::RunSim(run);
  }
  std::string Recorded(const std::string& ext) {
    std::string folder = dir / "device/mnt/emmc/Record";
    DIR* d = opendir(folder.c_str());
    std::string found;
    if (!d) return found;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.substr(n.size() - 4) == ext && n.find("_1.") != std::string::npos) found = folder + "/" + n;
    }
    closedir(d);
    return found;
  }
  // A whole WAV file of at least `seconds` of the microphone, whatever ended it.
  void ExpectWholeRecording(double seconds) {
    std::string file = Recorded(".wav");
    ASSERT_FALSE(file.empty());
    std::string bytes = dtbtest::ReadFile(file);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.size() - 8, Le32(bytes, 4));
    EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
    dtbtest::Wav wav;
    ASSERT_TRUE(dtbtest::ReadWav(file, &wav));
    size_t length = static_cast<size_t>(16000 * seconds);
    ASSERT_GE(wav.samples.size(), length);
    EXPECT_GT(BestSnr(input, wav.samples, length), 60);
  }
  static uint32_t Le32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
  }
  dtbtest::TempDir dir;
  std::vector<int16_t> input;
  std::string location = "0";  // the internal memory
  int idle_minutes = 0;        // the idle power-off as laid out
};

TEST_F(RecordE2E, FiveSecondsOfMicrophoneToWav) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Record(0, 16000);
  ASSERT_EQ(r.status, 0) << r.output;
  std::string file = Recorded(".wav");
  ASSERT_FALSE(file.empty()) << r.output;
  dtbtest::Wav wav;
  ASSERT_TRUE(dtbtest::ReadWav(file, &wav));
  EXPECT_EQ(16000u, wav.rate);
  EXPECT_EQ(1u, wav.channels);
  ASSERT_GE(wav.samples.size(), 16000u * 5);
  EXPECT_GT(BestSnr(input, wav.samples, 16000 * 5), 60);
}

TEST_F(RecordE2E, FiveSecondsOfMicrophoneToMp3) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Record(4, 22050);
  ASSERT_EQ(r.status, 0) << r.output;
  std::string file = Recorded(".mp3");
  ASSERT_FALSE(file.empty()) << r.output;
  ASSERT_TRUE(dtbtest::Ffmpeg("-i " + file + " -f wav -acodec pcm_s16le " + dir / "dec.wav"));
  dtbtest::Wav wav;
  ASSERT_TRUE(dtbtest::ReadWav(dir / "dec.wav", &wav));
  EXPECT_EQ(22050u, wav.rate);
  ASSERT_GE(wav.samples.size(), 22050u * 5 + 4000);
  // 64 kbit/s keeps these tones to within a few per cent of their power.
  EXPECT_GT(BestSnr(input, wav.samples, 22050 * 5, 4000), 12);
}

// A nearly full internal memory ends the recording by itself; the file
// holds what fitted, with a header that says so. A recording tried on the
// full disk then leaves no empty file behind.
TEST_F(RecordE2E, AFullDiskEndsWithDiskFullAndAPlayableFile) {
  DTB_REQUIRE_PLAYER();
  if (geteuid() != 0) GTEST_SKIP() << "dtbsim caps a disk only as root";
  dtbtest::SimResult r = Record(0, 16000,
                                "disk emmc free 120000\nkey record\nexpect Disk full 20\n"
                                "key record\nexpect can't record 20\n");
  // Root in a container may still be refused a mount namespace of its own.
  if (r.output.find("capping a disk needs") != std::string::npos) GTEST_SKIP() << "dtbsim cannot cap a disk here";
  ASSERT_EQ(r.status, 0) << r.output;
  std::string file = Recorded(".wav");
  ASSERT_FALSE(file.empty()) << r.output;
  std::string bytes = dtbtest::ReadFile(file);
  dtbtest::Wav wav;
  ASSERT_TRUE(dtbtest::ReadWav(file, &wav));
  auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
  };
  EXPECT_EQ(bytes.size() - 8, le32(4));
  EXPECT_EQ(bytes.size() - 44, le32(40));
  ASSERT_GE(wav.samples.size(), 16000u * 2);
  EXPECT_LE(wav.samples.size(), (120000u + 4096) / 2);  // free space comes in whole pages
  EXPECT_GT(BestSnr(input, wav.samples, 16000 * 2), 60);
  EXPECT_NE(0, access((file.substr(0, file.size() - 6) + "_2.wav").c_str(), F_OK)) << r.output;
}

// An MP3 recording on the full disk gets no byte: it is not left behind as
// an empty file, nor named as one.
TEST_F(RecordE2E, AnMp3TriedOnTheFullDiskLeavesNoEmptyFile) {
  DTB_REQUIRE_PLAYER();
  if (geteuid() != 0) GTEST_SKIP() << "dtbsim caps a disk only as root";
  dtbtest::SimResult r = Record(3, 16000,
                                "disk emmc free 60000\nkey record\nexpect Disk full 20\n"
                                "key record\nexpect Disk full 20\nwait 2\n");
  if (r.output.find("capping a disk needs") != std::string::npos) GTEST_SKIP() << "dtbsim cannot cap a disk here";
  ASSERT_EQ(r.status, 0) << r.output;
  std::string file = Recorded(".mp3");
  ASSERT_FALSE(file.empty()) << r.output;
  EXPECT_NE(0, access((file.substr(0, file.size() - 6) + "_2.mp3").c_str(), F_OK)) << r.output;
  EXPECT_EQ(r.output.find("mp3, 0 bytes"), std::string::npos) << r.output;
}

// The cable to a computer closes the recorder: the recording ends whole and
// says what it recorded before the device becomes a USB disk.
TEST_F(RecordE2E, TheUsbCableEndsARecordingThatSaysWhatItRecorded) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Record(0, 16000, "key record\nwait 4\nusb in\nexpect USB connected 10\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("say: recording ended, Record"), std::string::npos) << r.output;
  EXPECT_LT(r.output.find("say: recording ended, Record"), r.output.find("USB connected")) << r.output;
  ExpectWholeRecording(2);
}

// The micro SD card chosen but not there: said, and the internal memory
// records instead; holding the power key ends that recording whole.
TEST_F(RecordE2E, WithoutTheChosenCardTheInternalMemoryRecordsUntilThePowerKeyIsHeld) {
  DTB_REQUIRE_PLAYER();
  location = "1";
  dtbtest::SimResult r = Record(0, 16000, "key record\nexpect no micro sd card, Internal memory 5\nwait 4\n"
                                          "power hold 3\nexpect shutting down. 10\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("say: recording ended, Record"), std::string::npos) << r.output;
  EXPECT_LT(r.output.find("say: recording ended, Record"), r.output.find("shutting down.")) << r.output;
  ExpectWholeRecording(2);
}

// A paused recording is no activity: the idle power-off comes, ends the
// recording whole, warns and powers off.
TEST_F(RecordE2E, APausedRecordingLetsTheIdlePowerOffCome) {
  DTB_REQUIRE_PLAYER();
  idle_minutes = 1;
  dtbtest::SimResult r = Record(0, 16000, "key record\nwait 4\nkey play\nexpect recording paused 5\n"
                                          "expect The device will be turned off after 15 seconds 90\n"
                                          "expect idle power off. 30\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("say: recording ended, Record"), std::string::npos) << r.output;
  ExpectWholeRecording(2);
}

}  // namespace
