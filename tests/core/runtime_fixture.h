// A simulated device for the main-loop tests: the host board in a scratch
// root, the simulate-key pipe without a loop, a logging root window and
// every counter of the key and tick machinery back at its start value.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "core/ui/system_settings.h"
#include "platform/host/host_board.h"
#include "tests/support/test_support.h"
#include "window_fixture.h"

namespace coretest {

using Records = std::vector<std::pair<int, int>>;

class RuntimeTest : public WindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Records waiting in the simulate-key pipe, {code, kind}, oldest first.
  Records Drain();
  // Runs the 250 ms timer `n` times.
  void Tick(int n = 1);
  // Runs ticks until the next one is a once-a-second step.
  void ToNextSecond();
  // A keypad event, as the keypad watch hands it on.
  void Key(int code, bool down) { HandleInputEvent(1, code, down ? 1 : 0); }
  // The power button or the USB cable changes, and the chip raises its
  // interrupt as the keypad driver reports it.
  void PowerButton(bool down);
  void Usb(const char* kind);  // "none", "computer", "charger"
  void Battery(int state);
  // Moves the board clock to today at hour:minute:10 local time.
  void SetLocalTime(int hour, int minute);

  board::HostBoard* host = nullptr;
  LogWindow* root = nullptr;
  std::unique_ptr<dtbtest::TempDir> dir;
};

}  // namespace coretest
