// The board's detection pins and standby wake-up timer, both behind
// "/dev/mic2det" (opened on first use and kept open). Any thread.
#pragma once

// Level of the external-microphone jack pin: 1 plugged.
int GetPinLevel();
// Level of pin `pin` (port pin / 32, pin pin % 32); the board profile names
// the pins. -1 when the device cannot be opened or read.
int GetPinLevel(int pin);
// Wake-up timer for the next standby. 0, or -1 on failure.
int SetStandbyTime(int seconds);
