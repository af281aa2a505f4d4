// The tools' windows in-process: a board that keeps /mnt, /home and /dev in
// a scratch folder, records shell commands and what is spoken, and moves
// its clock on demand; real system speech heard nowhere; a stand-in root.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <filesystem>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "platform/host/simulated_board.h"
#include "speech/tts.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"
#include "tests/players/fake_sound.h"
#include "tests/support/test_support.h"

namespace toolstest {

class ToolsBoard final : public board::SimulatedBoard {
 public:
  explicit ToolsBoard(std::string root) : root_(std::move(root)) {}
  std::string Path(const std::string& p) override {
    for (const char* top : {"/mnt/", "/home/", "/dev/"})
      if (p.compare(0, strlen(top), top) == 0) return root_ + p;
    return p;
  }
  int System(const std::string& c) override {
    std::lock_guard<std::mutex> l(m_);
    commands.push_back(c);
    return failing.count(c) ? 1 << 8 : 0;
  }
  time_t Now() override { return time(nullptr) + offset; }
  void Transcript(const char* channel, const std::string& text) override {
    std::lock_guard<std::mutex> l(m_);
    lines_.push_back(std::string(channel) + ": " + text);
  }
  int IsMountPoint(const std::string& p) override { return mounted.count(p) ? 1 : 0; }
  int OpenInputDevice(const std::string& p) override { return open(Path(p).c_str(), O_RDONLY); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ioctl(fd, request, arg); }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> l(m_);
    return lines_;
  }
  // The last thing said, or "".
  std::string LastSaid() {
    std::lock_guard<std::mutex> l(m_);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
      if (it->compare(0, 5, "say: ") == 0) return it->substr(5);
    return "";
  }
  void Clear() {
    std::lock_guard<std::mutex> l(m_);
    lines_.clear();
    commands.clear();
  }

  long offset = 0;
  std::set<std::string> mounted{"/mnt/settings", "/mnt/emmc"};
  std::set<std::string> failing;  // commands that fail
  std::vector<std::string> commands;

 private:
  std::string root_;
  std::mutex m_;
  std::vector<std::string> lines_;
};

// One per process: speech, once started, stays.
struct ToolsEnv {
  dtbtest::TempDir root;
  ToolsBoard* board = nullptr;
  bool speech = false;

  static ToolsEnv& Get() {
    static ToolsEnv* env = new ToolsEnv;
    return *env;
  }

 private:
  ToolsEnv() {
    namespace fs = std::filesystem;
    fs::create_directories(root.path() + "/mnt/settings");
    fs::create_directories(root.path() + "/mnt/emmc");
    fs::create_directories(root.path() + "/dev");
    fs::create_directory_symlink(std::string(DTB_BINARY_DIR) + "/home", root.path() + "/home");
    auto b = std::make_unique<ToolsBoard>(root.path());
    board = b.get();
    board::Install(std::move(b));
    SetTtsOutput(QuietSink(0));
    speech = SysTts_Init() == 0;
  }
};

class StandInRoot : public iWindow {
 public:
  int OnKeyDown(int code) override {
    codes.push_back(code);
    return 0;
  }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
  std::vector<int> codes;
};

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = &ToolsEnv::Get();
    if (!env_->speech) GTEST_SKIP() << "the speech engine or its voices are not built";
    board_ = env_->board;
    while (g_TotalWindows > 0)
      if (RemoveCurWindow() != 0) break;
    if (g_TotalWindows == 0) AddWindow(new StandInRoot);
    root_ = static_cast<StandInRoot*>(g_WindowList[0]);
    root_->codes.clear();
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
    g_bKeyBoardLocked = false;
    board_->offset = 0;
    board_->failing.clear();
    board_->mounted = {"/mnt/settings", "/mnt/emmc"};
    SysTts_Stop();
    board_->Clear();
  }
  void TearDown() override {
    if (!env_ || !env_->speech) return;
    CloseAllChildWindow();
    SysTts_Stop();
  }

  // A key as the keypad gives it: down, the first press when the window
  // took the down, then up.
  static int Key(int code, int times = 1) {
    int r = 0;
    for (int i = 0; i < times; ++i) {
      r = KeyDown(code);
      if (r == 0) KeyPress(code);
      KeyUp(code);
    }
    return r;
  }
  std::string Host(const std::string& devicePath) const { return env_->root.path() + devicePath; }

  ToolsEnv* env_ = nullptr;
  ToolsBoard* board_ = nullptr;
  StandInRoot* root_ = nullptr;
};

}  // namespace toolstest
