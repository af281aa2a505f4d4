// The boot supervisor: starts the player and waits for it; when the player
// ends (its start-up failed), keeps the device as a USB disk while a
// computer is attached, installs an upgrade left on the internal memory
// when the cable is pulled, and powers off after a minute without USB power.
// One thread.
#pragma once

namespace supervisor {

// Quarter-second ticks without USB power before powering off.
constexpr int kPowerOffTicks = 240;
// The power chip's interrupt arrives as this key code.
constexpr int kPmicIrqCode = 310;

struct State {
  int input = -1;       // the keypad device
  bool usb_in = false;  // USB power present: the internal memory is exported
  int ticks = 0;        // quarter seconds without USB power
};

// The whole boot sequence; returns only when the key device cannot be
// opened (-1).
int Run();
// One pass of the quarter-second task.
void Task(State& s);
// Applies a valid upgrade packet and reboots; -1 when the internal memory
// is not mounted, 0 when there is no valid packet, another negative when
// its archive was refused or could not be unpacked (the old files stay).
int Upgrade();

}  // namespace supervisor
