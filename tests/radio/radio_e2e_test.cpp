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
  // A fresh device of board revision `rev` that records WAV at 16 kHz.
  dtbtest::SimResult Run(const std::string& rev, const std::string& script) {
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
    run.fresh = false;
    run.script = "expect Internal memory 20\n" + script + "wait 6\nquit\n";
    run.timeout_seconds = 180;
    return dtbtest::RunSim(run);
  }
  std::string Channels() { return dtbtest::ReadFile(dir / "device/mnt/settings/fm.channels"); }
  // Seek up from 107.9 MHz (set in step mode), store, record 3 s, close.
  std::string SeekStoreRecord() {
    return "station 88.0 60 " + dir / "station.wav" +
           "\nstation 95.0 10\n"  // too weak to stop at
           "key radio\nexpect 87 point 0 10\n"
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
  dtbtest::SimResult r = Run("0", SeekStoreRecord());
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
  dtbtest::SimResult r = Run("1", SeekStoreRecord());
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

// The auto power-off ends a recording (whole, and named) and then warns and
// powers off as it does without one.
TEST_F(RadioE2E, TheAutoPowerOffEndsARecordingAndStillPowersOff) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run("0", "power click\nexpect Auto shutdown time: 10 minutes 5\nkey play\n"
                                  "expect Setting done.\n" + Station88() + kOpenAndRecord +
                                  "clock +605\nexpect recording ended, Record 10\n"
                                  "expect The device will be turned off after 15 seconds 10\n"
                                  "expect shutting down. 30\nwait 2\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
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
