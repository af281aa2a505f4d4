// What every play thread answers through the one play-thread interface,
// whatever it plays: the commands its state allows and refuses, playing to
// the end, a pause that holds the sound, a stop that keeps the item open and
// a failed open. Each player's tests instantiate it with a driver:
//
//   struct Driver {
//     bool Ready();              // false skips (e.g. no speech engine)
//     PlayThreadBase& Thread();
//     int OpenShort();           // an item that plays to its end at once
//     int OpenLong();            // one that lasts until stopped
//     int OpenMissing();         // one that cannot be opened
//     int missingError;          // the error code that open leaves
//     int openedState;           // the state once opened
//     size_t Written();          // what reached the sound seam so far
//   };
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "players/kit/play_thread_base.h"

template <class Driver>
class PlayThreadContract : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!d.Ready()) GTEST_SKIP() << "the player cannot run here";
  }
  void TearDown() override {
    if (d.Ready()) {
      EXPECT_EQ(d.Thread().Close(), 0);
    }
  }
  bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 10000; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
  bool WaitState(int state) {
    return WaitUntil([&] { return d.Thread().State() == state; });
  }
  Driver d;
};

TYPED_TEST_SUITE_P(PlayThreadContract);

TYPED_TEST_P(PlayThreadContract, CommandsTheStateDoesNotAllowAreRefused) {
  PlayThreadBase& t = this->d.Thread();
  ASSERT_EQ(t.State(), PLAY_THREAD_IDLE);
  EXPECT_EQ(t.Play(), -1);  // nothing open
  EXPECT_EQ(t.Pause(), -1);
  EXPECT_EQ(t.Stop(), -1);
  EXPECT_EQ(t.Close(), 0);
  ASSERT_EQ(this->d.OpenShort(), 0);
  ASSERT_TRUE(this->WaitState(this->d.openedState));
  EXPECT_EQ(this->d.OpenShort(), -1);  // something is open
  // Not playing: a pause is refused, unless the opened state is a pause.
  EXPECT_EQ(t.Pause(), this->d.openedState == PLAY_THREAD_PAUSED ? 0 : -1);
  EXPECT_EQ(t.Close(), 0);
  EXPECT_EQ(t.State(), PLAY_THREAD_IDLE);
  EXPECT_EQ(t.Pause(), -1);
}

TYPED_TEST_P(PlayThreadContract, PlaysToTheEndAndCloses) {
  PlayThreadBase& t = this->d.Thread();
  ASSERT_EQ(this->d.OpenShort(), 0);
  ASSERT_TRUE(this->WaitState(this->d.openedState));
  ASSERT_EQ(t.Play(), 0);
  ASSERT_TRUE(this->WaitState(PLAY_THREAD_ENDED));
  EXPECT_GT(this->d.Written(), 0u);
  ASSERT_EQ(t.Close(), 0);
  EXPECT_EQ(t.State(), PLAY_THREAD_IDLE);
}

TYPED_TEST_P(PlayThreadContract, PauseHoldsTheSoundStopKeepsTheItemAndPlayGoesOn) {
  PlayThreadBase& t = this->d.Thread();
  ASSERT_EQ(this->d.OpenLong(), 0);
  ASSERT_TRUE(this->WaitState(this->d.openedState));
  ASSERT_EQ(t.Play(), 0);
  EXPECT_EQ(t.Play(), 0);  // already playing
  ASSERT_TRUE(this->WaitUntil([&] { return this->d.Written() > 0; }));
  ASSERT_EQ(t.Pause(), 0);
  EXPECT_EQ(t.State(), PLAY_THREAD_PAUSED);
  EXPECT_EQ(t.Pause(), 0);  // already paused
  const size_t held = this->d.Written();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(this->d.Written(), held) << "sound went out while paused";
  ASSERT_EQ(t.Play(), 0);
  ASSERT_TRUE(this->WaitUntil([&] { return this->d.Written() > held; }));
  ASSERT_EQ(t.Stop(), 0);
  EXPECT_EQ(t.State(), PLAY_THREAD_STOPPED);
  EXPECT_EQ(t.Stop(), 0);  // already stopped
  const size_t stopped = this->d.Written();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(this->d.Written(), stopped) << "sound went out while stopped";
  ASSERT_EQ(t.Play(), 0);  // from stopped
  ASSERT_TRUE(this->WaitUntil([&] { return this->d.Written() > stopped; }));
  ASSERT_EQ(t.Close(), 0);  // while playing
  EXPECT_EQ(t.State(), PLAY_THREAD_IDLE);
}

TYPED_TEST_P(PlayThreadContract, AFailedOpenReportsItsErrorAndTheNextOpenClearsIt) {
  PlayThreadBase& t = this->d.Thread();
  ASSERT_EQ(this->d.OpenMissing(), 0);  // taken; the state tells the rest
  ASSERT_TRUE(this->WaitState(PLAY_THREAD_IDLE));
  EXPECT_EQ(t.ErrorCode(), this->d.missingError);
  ASSERT_EQ(this->d.OpenShort(), 0);
  ASSERT_TRUE(this->WaitState(this->d.openedState));
  EXPECT_EQ(t.ErrorCode(), 0);
}

REGISTER_TYPED_TEST_SUITE_P(PlayThreadContract, CommandsTheStateDoesNotAllowAreRefused,
                            PlaysToTheEndAndCloses,
                            PauseHoldsTheSoundStopKeepsTheItemAndPlayGoesOn,
                            AFailedOpenReportsItsErrorAndTheNextOpenClearsIt);
