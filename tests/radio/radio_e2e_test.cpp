// End to end: the radio seeks across the band's end to the only station,
// keeps it as a preset and records it; a scan cut short keeps what it found.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cmath>
#include <string>

#include "tests/audio/audio_test_util.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

class RadioE2E : public ::testing::Test {
 protected:
  // A fresh device of board revision `rev` that records WAV at 16 kHz, with
  // the channel file `channels` when one is given.
  dtbtest::SimResult Run(const std::string& rev, const std::string& script, const std::string& channels = "") {
    dtbtest::SimRun run;
    run.root = dir / "device";
    run.lang = "en";
    run.extra = {"--board-rev", rev};
    run.script = "expect Internal memory 20\nquit\n";
    EXPECT_EQ(0, dtbtest::RunSim(run).status);
    if (!laid_out.empty()) dtbtest::WriteFile(dir / "device/mnt/settings/fm.channels", laid_out);
    dtbtest::WriteFile(dir / "device/mnt/settings/record.config.xml",
                       "<record><record_config RecordingFilePosition=\"" + location +
                           "\" volume=\"8\" format=\"0\" "
                       "enoise=\"1\" ExtLineType=\"0\"/></record>\n");
    station.resize(16000 * 12);
    for (size_t i = 0; i < station.size(); i++)
      station[i] = static_cast<int16_t>(6000 * std::sin(i * (0.05 + 1e-6 * static_cast<double>(i))));
    dtbtest::WriteWav(dir / "station.wav", 16000, 1, station);
    if (!channels.empty()) dtbtest::WriteFile(dir / "device/mnt/settings/fm.channels", channels);
    run.fresh = false;
    run.script = "expect Internal memory 20\n" + script + "wait 6\nquit\n";
    run.timeout_seconds = 180;
    return dtbtest::RunSim(run);
  }
  std::string Channels() { return dtbtest::ReadFile(dir / "device/mnt/settings/fm.channels"); }
  // A channel file: the current channel, no presets, both volumes 8.
  static std::string ChannelFile(int channel, int mode) {
    std::string f(223, '\0');
    f[0] = static_cast<char>(channel);
    f[215] = f[217] = 8;
    f[219] = static_cast<char>(mode);
    return f;
  }
  // Seek up from 107.9 MHz (set in step mode), store, record 3 s, close.
  // The band begins at 87.0 MHz, at 87.5 on the receive-only board.
  std::string SeekStoreRecord(const std::string& first) {
    return "station 88.0 60 " + dir / "station.wav" +
           "\nstation 95.0 10\n"  // too weak to stop at
           "key radio\nexpect " + first + " 10\n"
           "key menu\nexpect operation mode: auto\nkey left\nexpect operation mode: step\nkey play\n"
           "expect Setting done\nkey left\nexpect 108 point 0 5\nkey left\nexpect 107 point 9 5\n"
           "key menu\nkey left\nexpect operation mode: auto\nkey play\nexpect Setting done\n"
           "key right\nexpect 88 point 0 20\nkey play\nexpect add preset\nkey play\nexpect Preset added\n"
           "wait 1\nkey record\nwait 3\nkey back\nexpect recording ended 10\nwait 1\nkey back\n";
  }
  // The station in the newest recording: from its first sample, or (when
  // the radio was still being tuned as it began) a second of it from
  // wherever it came in.
  void ExpectStationRecorded(bool fromStart = true) {
    std::string folder = dir / "device/mnt/emmc/Record";
    DIR* d = opendir(folder.c_str());
    ASSERT_NE(nullptr, d);
    std::string file;
    while (dirent* e = readdir(d))
      if (std::string(e->d_name).find(".wav") != std::string::npos) file = folder + "/" + e->d_name;
    closedir(d);
    dtbtest::Wav wav;
    ASSERT_TRUE(dtbtest::ReadWav(file, &wav)) << file;
    // A whole file, however the recording ended: both sizes in the header.
    std::string bytes = dtbtest::ReadFile(file);
    auto le32 = [&](size_t at) {
      return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8 |
             static_cast<unsigned char>(bytes[at + 2]) << 16 |
             static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(bytes.size() - 8, le32(4));
    EXPECT_EQ(bytes.size() - 44, le32(40));
    EXPECT_EQ(2u, wav.channels);
    ASSERT_GE(wav.samples.size(), 2u * 16000 * 2);
    if (!fromStart) {
      size_t k = 0;
      while (2 * k < wav.samples.size() && wav.samples[2 * k] == 0) k++;
      ASSERT_GE(wav.samples.size(), 2 * (k + 16000)) << "the station came in too late";
      // The station's first place that matches what came in.
      size_t j = 0;
      for (; j + 16000 <= station.size(); j++) {
        bool same = true;
        for (size_t i = 0; i < 32 && same; i++) same = station[j + i] == wav.samples[2 * (k + i)];
        if (same) break;
      }
      ASSERT_LE(j + 16000, station.size()) << "the station is not in the recording";
      for (size_t i = 0; i < 16000u; i++) ASSERT_EQ(station[j + i], wav.samples[2 * (k + i)]) << i;
      return;
    }
    // What the tuner put out on 88.0 MHz, from the moment the recording began.
    for (size_t i = 0; i < 16000u * 2; i++) ASSERT_EQ(station[i], wav.samples[2 * i]) << i;
  }
  // The station at 88.0 MHz, which a fresh radio finds with one seek up.
  std::string Station88() { return "station 88.0 60 " + dir / "station.wav" + "\n"; }
  static constexpr const char* kOpenAndRecord =
      "key radio\nexpect 87 point 0 10\nkey right\nexpect 88 point 0 20\nwait 1\nkey record\nwait 4\n";
  dtbtest::TempDir dir;
  std::vector<int16_t> station;
  std::string location = "0";  // recordings to the internal memory
  std::string laid_out;          // fm.channels to start from ("" none)
};

TEST_F(RadioE2E, SeekWrapsToTheOnlyStationStoresAndRecordsIt) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0", SeekStoreRecord("87 point 0"));
  EXPECT_EQ(r.status, 0) << r.output;
  std::string ch = Channels();
  ASSERT_EQ(223u, ch.size()) << r.output;
  EXPECT_EQ(10, ch[0]);      // 88.0 MHz is current
  EXPECT_EQ(1, ch[4 + 10]);  // and a preset
  EXPECT_EQ(0, ch[4 + 80]);  // the weak one is not
  ExpectStationRecorded();
}

TEST_F(RadioE2E, TheReceiveOnlyBoardSeeksAndRecordsToo) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("1", SeekStoreRecord("87 point 5"));
  EXPECT_EQ(r.status, 0) << r.output;
  ExpectStationRecorded();
}

TEST_F(RadioE2E, ACancelledScanKeepsThePresetsFound) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0",
                             "station 87.5 50\nstation 88.0 50\nstation 107.0 50\n"
                             "key radio\nexpect 87 point 0 10\nkey menu\nkey down\nexpect Scan for stations\n"
                             "key play\nexpect scanning for stations\nwait 4\nkey back\n"
                             "expect canceled, 87 point 5 10\n"
                             "key down\nexpect 88 point 0 5\nkey down\nexpect 87 point 5 5\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string ch = Channels();
  ASSERT_EQ(223u, ch.size());
  EXPECT_EQ(1, ch[4 + 5]);
  EXPECT_EQ(1, ch[4 + 10]);
  EXPECT_EQ(0, ch[4 + 200]);  // 107.0 was never reached
}

// A seek over a band with no station takes half a minute: back, a card and
// the power key each end it at once.
TEST_F(RadioE2E, BackACardAndPowerOffEndASeek) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0",
                             "key radio\nexpect 87 point 0 10\nkey right\nwait 1\nkey back\n"
                             "expect canceled, 87 point 0 10\nkey right\nwait 1\nsd in\nexpect no files 10\n"
                             "key radio\nexpect 87 point 0 10\nkey right\nwait 1\npower hold 3\n"
                             "expect shutting down 10\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

// The receive-only board's tuner spans 87.5 to 108.0 MHz: seeks that wrap
// and the scan find stations on both ends, and steps never leave them.
TEST_F(RadioE2E, TheReceiveOnlyBoardReachesBothEndsOfItsBand) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r =
      Run("1",
          "station 87.5 50\nkey radio\nexpect 100 point 0 10\nkey right\nexpect 87 point 5 10\n"
          "station 87.5 none\nstation 108.0 50\nkey left\nexpect 108 point 0 10\n"
          "station 87.5 50\nkey menu\nkey down\nexpect Scan for stations\nkey play\n"
          "expect finished, 87 point 5 10\nkey up\nexpect 108 point 0 5\n"
          "key menu\nkey left\nexpect operation mode: step\nkey play\nexpect Setting done\n"
          "key right\nexpect 87 point 5 5\nkey left\nexpect 108 point 0 5\n"
          "key menu\nkey up\nexpect Delete all presets\nkey play\nexpect delete all presets?\nkey play\n"
          "expect all presets deleted, 87 point 5 5\nkey back\n",
          ChannelFile(130, 0));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(std::string::npos, r.output.find("87 point 0")) << r.output;
  std::string ch = Channels();
  ASSERT_EQ(223u, ch.size());
  EXPECT_EQ(5, ch[0]);
  EXPECT_EQ(std::string(211, '\0'), ch.substr(4, 211));
}

// Tuning, presets and volume are written soon after they change, so a
// power cut loses none of them.
TEST_F(RadioE2E, TheRadioSettingsSurviveAPowerCut) {
  DTB_REQUIRE_PLAYER();
  // A seek, a scan, a preset key and the volume on the receive-only board.
  dtbtest::SimResult r = Run("1",
                             "station 88.0 50\nstation 104.0 50\nkey radio\nexpect 100 point 0 10\n"
                             "key right\nexpect 104 point 0 10\nkey menu\nkey down\nexpect Scan for stations\n"
                             "key play\nexpect 88 point 0 10\nkey down\nexpect 104 point 0 5\nkey volup\nkey volup\n"
                             "wait 8\nkill\n",
                             ChannelFile(130, 0));
  EXPECT_EQ(r.status, 0) << r.output;
  std::string ch = Channels();
  ASSERT_EQ(223u, ch.size());
  EXPECT_EQ(170, static_cast<unsigned char>(ch[0]));
  EXPECT_EQ(1, ch[4 + 10]);
  EXPECT_EQ(1, ch[4 + 170]);
  EXPECT_EQ(10, ch[217]);  // the speaker's, as no headphones are in
  dtbtest::SimRun again;
  again.root = dir / "device";
  again.fresh = false;
  again.extra = {"--board-rev", "1"};
  again.script = "power click\nexpect Internal memory 20\nkey radio\nexpect 104 point 0 10\nkill\n";
  r = dtbtest::RunSim(again);
  EXPECT_EQ(r.status, 0) << r.output;
  // A step on the other board.
  r = Run("0", "key radio\nexpect 97 point 0 10\nkey right\nexpect 97 point 1 5\nwait 8\nkill\n", ChannelFile(100, 1));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(101, Channels()[0]);
  // A scan that a card closes keeps the stations it found by then.
  r = Run("0",
          "station 87.2 50\nstation 87.5 50\nstation 107.0 50\nkey radio\nexpect 87 point 0 10\n"
          "key menu\nkey down\nexpect Scan for stations\nkey play\nexpect scanning for stations\nwait 3\n"
          "sd in\nexpect no files 10\nwait 8\nkill\n");
  EXPECT_EQ(r.status, 0) << r.output;
  ch = Channels();
  ASSERT_EQ(223u, ch.size()) << r.output;
  EXPECT_EQ(2, ch[0]);
  EXPECT_EQ(1, ch[4 + 2]);
  EXPECT_EQ(1, ch[4 + 5]);
  EXPECT_EQ(0, ch[4 + 200]);
}

// The settings start the transmitter (headphones in: the speaker would feed
// it back) and stop it again; the chip says what goes on the air.
TEST_F(RadioE2E, TheSettingsStartAndStopTheTransmitter) {
  DTB_REQUIRE_PLAYER();
  const std::string open =
      "key menu\nexpect version information\nkey up\nkey up\nkey up\nkey up\nkey up\n"
      "expect FM Transmitter settings\nkey play\n";
  dtbtest::SimResult r = Run("0", "headphones in\n" + open +
                                      "expect fm transmit: disable\nkey right\nexpect fm transmit: enable\n"
                                      "key play\nexpect start transmitting 5\nwait 2\nkill\n");
  EXPECT_EQ(r.status, 0) << r.output;
  const std::string onAir = dir / "device/var/board/fm_transmit";
  EXPECT_EQ("87000", dtbtest::ReadFile(onAir).substr(0, 5)) << r.output;
  dtbtest::SimRun again;
  again.root = dir / "device";
  again.fresh = false;
  again.extra = {"--board-rev", "0"};
  // The setting starts off after a restart; on again, then off.
  again.script = "power click\nexpect Internal memory 20\nheadphones in\n" + open +
                 "expect fm transmit: disable\nkey right\nkey play\nexpect start transmitting 5\n"
                 "key play\nexpect fm transmit: enable\nkey left\nexpect fm transmit: disable\n"
                 "key play\nexpect stop transmitting 5\nwait 1\nkill\n";
  r = dtbtest::RunSim(again);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ('0', dtbtest::ReadFile(onAir)[0]) << r.output;
}

// Opening the radio stops the transmitter, and its setting says so.
TEST_F(RadioE2E, TheTransmitterSettingFollowsTheRadio) {
  DTB_REQUIRE_PLAYER();
  const std::string open =
      "key menu\nexpect version information\nkey up\nkey up\nkey up\nkey up\nkey up\n"
      "expect FM Transmitter settings\nkey play\n";
  dtbtest::SimResult r =
      Run("0", "headphones in\n" + open +
                   "expect fm transmit: disable\nkey right\nkey play\nexpect start transmitting 5\n"
                   "key radio\nexpect 87 point 0 10\nkey back\nkey menu\nexpect FM Transmitter settings\nkey play\n"
                   "expect fm transmit: disable\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ('0', dtbtest::ReadFile(dir / "device/var/board/fm_transmit")[0]) << r.output;
}

// The auto power-off ends a recording (whole, and named) and then warns and
// powers off as it does without one.
TEST_F(RadioE2E, TheAutoPowerOffEndsARecordingAndStillPowersOff) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0", "power click\nexpect Auto shutdown time: 10 minutes 5\nkey play\n"
                                  "expect Setting done.\n" + Station88() + kOpenAndRecord +
                                  "clock +605\nexpect The device will be turned off after 15 seconds 10\n"
                                  "expect shutting down. 30\nwait 2\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("say: recording ended, Record"), std::string::npos) << r.output;
  ExpectStationRecorded(false);
}

// An arrow or a volume key only ends the recording: the station and the
// radio's volume stay as they were.
TEST_F(RadioE2E, AKeyThatEndsARecordingDoesNothingElse) {
  DTB_REQUIRE_PLAYER();
  laid_out.assign(223, '\0');
  laid_out[215] = 5;  // headphones
  laid_out[217] = 7;  // speaker
  dtbtest::SimResult r = Run("0", Station88() + "station 95.0 60\n" + kOpenAndRecord +
                                      "key right\nexpect recording ended 10\nwait 2\nkey radio\n"
                                      "expect 88 point 0 5\nkey record\nwait 2\nkey volup\n"
                                      "expect recording ended 10\nwait 1\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string ch = Channels();
  ASSERT_EQ(223u, ch.size());
  EXPECT_EQ(10, ch[0]);
  EXPECT_EQ(5, ch[215]);
  EXPECT_EQ(7, ch[217]);
}

// A card pulled out ends the recording (the stack closes), which says what
// it recorded before anything else.
TEST_F(RadioE2E, ACardPulledOutEndsARecordingThatSaysWhatItRecorded) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0", "sd in\nwait 2\n" + Station88() + kOpenAndRecord +
                                      "sd out\nexpect recording ended, Record 10\n");
  EXPECT_EQ(r.status, 0) << r.output;
  ExpectStationRecorded(false);
}

// The micro SD card chosen but not there: said, and the internal memory
// records instead.
TEST_F(RadioE2E, WithoutTheChosenCardTheInternalMemoryRecords) {
  DTB_REQUIRE_PLAYER();
  location = "1";
  dtbtest::SimResult r = Run("0", Station88() +
                                      "key radio\nexpect 87 point 0 10\nkey right\nexpect 88 point 0 20\nwait 1\n"
                                      "key record\nexpect no micro sd card, Internal memory 5\nwait 8\nkey back\n"
                                      "expect recording ended 10\n");
  EXPECT_EQ(r.status, 0) << r.output;
  ExpectStationRecorded(false);
}

}  // namespace
