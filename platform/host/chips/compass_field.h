// The world the compass chips of the host board sense: the Earth's field of
// a mid-latitude place (20 uT horizontal toward magnetic north, inclined 65
// degrees downward) and gravity, seen from the device's attitude, plus a
// hard-iron offset of the device's own iron. The chips are mounted with
// their axes along the device's: x toward the top of the player, y to its
// left, z out of its face (face up and flat, gravity reads +1 g on z).
#pragma once

#include <string>
#include <vector>

#include "platform/host/host_board.h"

namespace board {
namespace chips {

// State files of the compass (var/board), written by dtbsim and tests.
namespace compass_state {
constexpr const char* kMagnetometer = "magnetometer";  // "hmc" (default), "qmc" or "none"
constexpr const char* kAttitude = "compass";           // "HEADING PITCH ROLL", degrees
constexpr const char* kOffset = "compass_offset";      // "X Y Z", uT along the device axes
// Written by the magnetometer models: +1 per measurement taken.
constexpr const char* kMeasurements = "compass_measurements";
}  // namespace compass_state

struct Vec3 {
  double x, y, z;
};

constexpr double kHorizontalField = 20.0;  // uT
constexpr double kInclination = 65.0;      // degrees below the horizon

// Heading clockwise from magnetic north of the device's top, pitch with the
// top raised, roll with the right side lowered, all in degrees.
struct Attitude {
  double heading, pitch, roll;
};

// The field in uT along the device axes (without the offset), and the
// gravity reaction in g.
Vec3 FieldAt(const Attitude& a);
Vec3 GravityAt(const Attitude& a);

// From the state files: the attitude (flat, facing north, when absent),
// the field with the offset added, and gravity.
Attitude CurrentAttitude(const HostState& state);
Vec3 SensedField(const HostState& state);
Vec3 SensedGravity(const HostState& state);
// True when the board carries magnetometer `kind` ("hmc", "qmc").
bool MagnetometerFitted(const HostState& state, const std::string& kind);

// A magnetometer model: nothing answers at its address unless the board
// carries that kind.
class MagnetometerChip : public RegisterChip {
 public:
  MagnetometerChip(std::string kind, std::string name, std::vector<Register> map, const HostState& state)
      : RegisterChip(std::move(name), std::move(map)), kind_(std::move(kind)), state_(state) {}
  int Transfer(struct i2c_msg* msgs, int n) override;

 protected:
  const HostState& state() const { return state_; }

 private:
  std::string kind_;
  HostState state_;
};

}  // namespace chips
}  // namespace board
