// The compass's sensors on "/dev/i2c-1", reached through the board's I2C
// transfer: a magnetometer (HMC5883L at 0x1E or QMC5883L at 0x0D) and the
// ADXL345 accelerometer (0x53). Readings are along the device's axes: x
// toward the top of the player, y to its left, z out of its face. Loop
// thread.
#pragma once

#include "platform/board_profile.h"

namespace compass {

struct Vector {
  double x, y, z;
};

// Which magnetometer answers with its identification registers; kNone
// when neither does.
board::Magnetometer ProbeMagnetometer();
// `profile` with the probed magnetometer, kept for the life of the
// program (start-up selects it); also notes whether the accelerometer answers.
const board::BoardProfile& ProbeCompassSensors(const board::BoardProfile& profile);
// Whether the ADXL345 answered its probe (without it headings assume the
// player is held flat).
bool HaveAccelerometer();
// For tests: the accelerometer as if probed.
void SetHaveAccelerometer(bool present);

// Sets the chips of the board's profile measuring. 0, or -1 when the
// magnetometer does not answer.
int StartSensors();
// Puts them back to sleep.
void StopSensors();

// The field in microtesla. 0; -1 when a transfer failed; -2 when an axis
// is past the chip's widest range.
int ReadField(Vector* microtesla);
// The gravity reaction in g (face up: z = +1). 0 or -1.
int ReadGravity(Vector* g);

}  // namespace compass
