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
    dtbtest::WriteFile(dir / "device/mnt/settings/record.config.xml",
                       "<record><record_config RecordingFilePosition=\"0\" volume=\"8\" format=\"0\" "
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
  void ExpectStationRecorded() {
    std::string folder = dir / "device/mnt/emmc/Record";
    DIR* d = opendir(folder.c_str());
    ASSERT_NE(nullptr, d);
    std::string file;
    while (dirent* e = readdir(d))
      if (std::string(e->d_name).find(".wav") != std::string::npos) file = folder + "/" + e->d_name;
    closedir(d);
    dtbtest::Wav wav;
    ASSERT_TRUE(dtbtest::ReadWav(file, &wav)) << file;
    EXPECT_EQ(2u, wav.channels);
    ASSERT_GE(wav.samples.size(), 2u * 16000 * 2);
    // What the tuner put out on 88.0 MHz, from the moment the recording began.
    for (size_t i = 0; i < 16000u * 2; i++) ASSERT_EQ(station[i], wav.samples[2 * i]) << i;
  }
  dtbtest::TempDir dir;
  std::vector<int16_t> station;
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

}  // namespace
