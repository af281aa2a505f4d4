// Both tuners behind the one interface, each on the board revision that
// carries it (the host board's chip models): the profile follows the
// amplifier node, a seek goes on from the other end of the band, tuning
// lands on the frequency asked, and a scan marks the stations, keeping what
// it found when cancelled.
#include "radio/fm_tuner.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/board.h"
#include "platform/board_profile.h"
#include "platform/host/host_board.h"
#include "tests/support/test_support.h"

namespace {

class FmTunerTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(dir_.path(), GetParam() == 1), 0);
    previous_ = board::Install(board::MakeHostBoard(dir_.path()));
    saved_ = &board::SelectProfile(board::DetectProfile());
    // 87.5 MHz is the AR1019's lowest frequency: its seek cannot land there
    // from the band's other end without help.
    dtbtest::WriteFile(dir_ / "var/board/fm_stations", "87500 40\n88000 40\n107000 40\n");
  }
  void TearDown() override {
    BoardTuner().Close();
    board::SelectProfile(*saved_);
    board::Install(std::move(previous_));
  }
  long long Tuned() { return board::HostState(dir_.path()).GetInt(board::state::kFmTuned); }

  dtbtest::TempDir dir_;
  std::unique_ptr<board::Board> previous_;
  const board::BoardProfile* saved_ = nullptr;
};

TEST_P(FmTunerTest, SeeksAroundTheBandTunesAndScans) {
  EXPECT_EQ(GetParam(), board::Profile().revision);
  FmTuner& tuner = BoardTuner();
  ASSERT_EQ(0, tuner.OpenReceive());
  auto never = [] { return false; };
  EXPECT_EQ(ChannelOfKhz(87500), tuner.Seek(ChannelOfKhz(107900), 1, never));
  EXPECT_EQ(ChannelOfKhz(88000), tuner.Seek(ChannelOfKhz(87500), 1, never));
  EXPECT_EQ(0, tuner.Tune(ChannelKhz(ChannelOfKhz(88000))));
  EXPECT_EQ(88000, Tuned());

  // A scan asked to stop after a dozen tests: the RDA5820 tests one channel
  // each time and stops below 107.0 MHz; the AR1019 seeks from station to
  // station and reaches the band's end first.
  unsigned char preset[kFmChannels] = {};
  int tests = 0;
  tuner.Scan(preset, [&tests] { return ++tests > 12; });
  int found = 0;
  for (unsigned char p : preset) found += p;
  EXPECT_EQ(1, preset[ChannelOfKhz(87500)]);
  EXPECT_EQ(1, preset[ChannelOfKhz(88000)]);
  EXPECT_EQ(tuner.SlowSeek() ? 2 : 3, found);
}

INSTANTIATE_TEST_SUITE_P(BothRevisions, FmTunerTest, ::testing::Values(0, 1));

}  // namespace
