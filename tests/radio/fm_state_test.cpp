// The channel file's rules, the band's wrap-arounds, and the transmitter
// on the receive-only board.
#include "radio/fm_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/board_profile.h"
#include "radio/radio.h"

namespace {

std::vector<unsigned char> File(int channel, int headphone, int speaker) {
  std::vector<unsigned char> f(kFmFileSize, 0);
  f[0] = static_cast<unsigned char>(channel & 0xFF);
  f[1] = static_cast<unsigned char>(channel >> 8);
  f[4 + 10] = 1;
  f[215] = static_cast<unsigned char>(headphone);
  f[217] = static_cast<unsigned char>(speaker);
  f[219] = 1;
  return f;
}

TEST(FmChannelsTest, FileRules) {
  FmState s;
  std::vector<unsigned char> f = File(300, 20, 0);
  EXPECT_EQ(-1, ParseFmChannels(f.data(), kFmFileSize - 1, &s));
  EXPECT_EQ(0, s.channel);
  ASSERT_EQ(0, ParseFmChannels(f.data(), kFmFileSize, &s));
  EXPECT_EQ(0, s.channel);
  EXPECT_EQ(8, s.headphone_volume);
  EXPECT_EQ(8, s.speaker_volume);
  EXPECT_EQ(1, s.preset[10]);
  EXPECT_EQ(1, s.mode);
  f = File(210, 3, 17);
  ASSERT_EQ(0, ParseFmChannels(f.data(), kFmFileSize, &s));
  EXPECT_EQ(210, s.channel);
  EXPECT_EQ(3, s.speaker_volume);  // out of range: the headphone volume
  unsigned char out[kFmFileSize];
  FormatFmChannels(s, out);
  FmState again;
  ASSERT_EQ(0, ParseFmChannels(out, kFmFileSize, &again));
  EXPECT_EQ(0, memcmp(out, File(210, 3, 3).data(), kFmFileSize));
}

TEST(FmChannelsTest, StepsAndPresetsWrapAroundTheBand) {
  EXPECT_EQ(0, StepChannel(210, 1));    // 108.0 -> 87.0
  EXPECT_EQ(210, StepChannel(0, -1));   // 87.0 -> 108.0
  EXPECT_EQ(11, StepChannel(10, 1));
  FmState s;
  EXPECT_EQ(50, NextPreset(s, 50, 1));  // no presets: stays
  EXPECT_EQ(-1, LowestPreset(s));
  s.preset[10] = 1;
  EXPECT_EQ(10, NextPreset(s, 50, 1));  // the only one, below: wraps to it
  EXPECT_EQ(10, NextPreset(s, 50, -1));
  EXPECT_EQ(10, NextPreset(s, 10, 1));  // itself the only one
  s.preset[200] = 1;
  EXPECT_EQ(200, NextPreset(s, 10, -1));
  EXPECT_EQ(10, LowestPreset(s));
  EXPECT_EQ(88000, ChannelKhz(10));
  EXPECT_EQ(10, ChannelOfKhz(88000));
  EXPECT_EQ(-1, ChannelOfKhz(86900));
  // The receive-only board's tuner begins at 87.5 MHz.
  const board::BoardProfile& saved = board::SelectProfile(board::ProfileOfRevision(1));
  EXPECT_EQ(5, StepChannel(210, 1));
  EXPECT_EQ(210, StepChannel(5, -1));
  s.preset[200] = 0;
  s.preset[10] = 0;
  s.preset[2] = 1;  // from a file of the other board: out of reach
  EXPECT_EQ(-1, LowestPreset(s));
  EXPECT_EQ(50, NextPreset(s, 50, 1));
  board::SelectProfile(saved);
}

TEST(FmTransmitterTest, RefusedOnTheReceiveOnlyBoard) {
  const board::BoardProfile& saved = board::SelectProfile(board::ProfileOfRevision(1));
  g_FmState = 1;
  EXPECT_EQ(-1, StarFmTx(8800));
  EXPECT_EQ(1, g_FmState);
  EXPECT_TRUE(IsFmRxRunning());
  EXPECT_FALSE(IsFmTxRunning());
  g_FmState = 0;
  board::SelectProfile(saved);
}

}  // namespace
