// The compass tool: a tilt-compensated heading from the magnetometer and
// the accelerometer, the hard-iron calibration found by turning the player
// through a circle, and its menu. The calibration lives in "tools.bin"
// after the calendar block: three little-endian 32-bit offsets, X, Y, Z,
// in nanotesla along the device's axes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/compass_sensors.h"

namespace compass {

struct Calibration {
  int32_t x = 0, y = 0, z = 0;  // nanotesla
};

// The calibration in use (the defaults until "tools.bin" was read).
Calibration CurrentCalibration();
// Takes `c` and writes "tools.bin" now (atomically, the calendar block as
// it was). 0, or -1 when it could not be written (`c` is in use anyway).
int SaveCalibration(const Calibration& c);
// The offsets a sound file can hold; anything else is a damaged file.
bool PlausibleCalibration(const Calibration& c);

// Held steeper than this (degrees from flat) the heading is not told.
constexpr double kSteepestTilt = 45.0;

enum HeadingResult { kHeading = 0, kTooSteep = 1, kNoField = -1 };
// Degrees clockwise from magnetic north of the player's top, 0 to <360,
// from a field with the calibration applied; `gravity` null when there is
// no accelerometer (the player is taken as flat).
HeadingResult Heading(const Vector& field, const Vector* gravity, double* degrees);
// The field as read, less the calibration's offsets.
Vector Calibrated(const Vector& microtesla, const Calibration& c);

// One calibration: samples taken while the user turns the player face up
// through a full circle (the minimum and maximum of X and Y give their
// offsets), then, with an accelerometer, held face down for a moment (the
// mean Z face up and face down gives Z's offset: a flat turn leaves it
// unknown).
class Calibrator {
 public:
  enum Stage { kTurning, kFaceDown, kDone };
  // `old` gives Z when there is no accelerometer to see the player face down.
  Calibrator(const Calibration& old, bool gravityKnown) : old_(old), gravityKnown_(gravityKnown) {}

  // One sample; `gravity` null without an accelerometer. The stage after it.
  Stage Add(const Vector& field, const Vector* gravity);
  Stage stage() const { return stage_; }
  // Every 30-degree sector of the circle was seen, with a spread of the
  // horizontal field a real turn gives.
  bool CircleCovered() const;
  // The offsets once the circle is covered (Z's only after the player was
  // face down, else the old one); false before, or when implausible.
  bool Result(Calibration* out) const;

 private:
  void Center(double* cx, double* cy) const;

  Calibration old_;
  bool gravityKnown_;
  Stage stage_ = kTurning;
  std::vector<Vector> up_;  // face-up samples
  double downZ_ = 0;        // sum of the face-down samples' Z
  int downCount_ = 0;
};

// The compass menu (speak the direction, calibrate, restore the default
// calibration); without a magnetometer it says so. 0 or -1.
int OpenCompass();

}  // namespace compass
