// Test windows that log what happens to them, and a fixture that leaves the
// window stack and the key state empty before and after each test.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app/mainloop.h"
#include "core/ui/window.h"

namespace coretest {

// Shared log of "<name>.<event>" lines.
extern std::vector<std::string> g_Log;

// How many times a line occurs in the log.
int Count(const std::string& line);

class LogWindow : public iWindow {
 public:
  explicit LogWindow(std::string name) : name_(std::move(name)) {}
  ~LogWindow() override { g_Log.push_back(name_ + ".deleted"); }

  int OnKeyDown(int code) override {
    g_Log.push_back(name_ + ".down " + std::to_string(code));
    if (on_down) return on_down(code);
    auto it = down.find(code);
    return it == down.end() ? 0 : it->second;
  }
  int OnKeyPress(int code) override {
    g_Log.push_back(name_ + ".press " + std::to_string(code));
    return press;
  }
  int OnKeyUp(int code) override {
    g_Log.push_back(name_ + ".up " + std::to_string(code));
    return on_up ? on_up(code) : up;
  }
  int OnTick() override {
    g_Log.push_back(name_ + ".tick");
    return tick;
  }
  int OnClose() override {
    g_Log.push_back(name_ + ".close");
    return 0;
  }
  int OnRefresh() override {
    g_Log.push_back(name_ + ".refresh");
    return 0;
  }

  std::map<int, int> down;  // result per key-down code (0 when absent)
  std::function<int(int)> on_down;  // overrides `down` when set
  std::function<int(int)> on_up;  // overrides `up` when set
  int press = 0, up = 0, tick = 0;

 private:
  std::string name_;
};

// Pushes a new LogWindow and returns it.
LogWindow* Push(const std::string& name);

// Empties the stack and resets the key and lock state around each test.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace coretest
