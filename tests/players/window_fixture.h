// A window stack with a stand-in root, the players' threads on a scripted
// backend, and a folder of stand-in audio files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "browser/logical_strcmp.h"
#include "core/ui/window.h"
#include "fake_backend.h"
#include "players/audio_player.h"
#include "players/audiobook_player.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"
#include "players/kit/play_backend.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "tests/support/test_support.h"

// The firmware's threads live for the process, so every window test shares
// one backend; each test resets what it recorded.
inline FakeBackend& SharedFake() {
  static FakeBackend* fake = [] {
    auto* f = new FakeBackend;
    SetPlayersBackend(f);
    return f;
  }();
  return *fake;
}

class StandInRoot : public iWindow {
 public:
  int OnKeyDown(int code) override {
    lastCode = code;
    return 0;
  }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
  int lastCode = 0;
};

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_ = &SharedFake();
    fake_->Reset();
    fake_->files.clear();
    fake_->pace = 0;
    while (g_TotalWindows > 0) {
      if (RemoveCurWindow() != 0) break;
    }
    if (g_TotalWindows == 0) AddWindow(root_ = new StandInRoot);
    else root_ = static_cast<StandInRoot*>(g_WindowList[0]);
    g_History.Clean();
    g_bookmark.Clean();
    SetAudioSettingsToDefault();
    SetAudioBookSettingsToDefault();
    AudioPlayer::ResetRememberedMenuItems();
    AudioBookPlayer::ResetRememberedMenuItems();
    // Listings in the browser's order need its collation table.
    ASSERT_EQ(0, LoadChnCharIndexFrom((std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin").c_str()));
  }
  void TearDown() override {
    CloseAllChildWindow();
    fake_->pace = 0;
  }

  // A stand-in audio file: present in the folder, decoded by the fake.
  std::string AddFile(const std::string& name, int durationMs, double hz = 440, int rate = 8000) {
    std::string path = dir_ / name;
    dtbtest::WriteFile(path, "x");
    fake_->files[path] = {rate, 1, durationMs, hz};
    return path;
  }
  std::string AddBrokenFile(const std::string& name) {
    std::string path = dir_ / name;
    dtbtest::WriteFile(path, "not audio");
    return path;
  }

  // Runs window ticks (without the 250 ms wait) until `done` or a timeout.
  bool TickUntil(const std::function<bool()>& done, int maxMs = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      WindowTick();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  void Tap(int code) {
    if (KeyDown(code) == 0) KeyPress(code);
    KeyUp(code);
  }

  FakeBackend* fake_ = nullptr;
  StandInRoot* root_ = nullptr;
  dtbtest::TempDir dir_;
};
