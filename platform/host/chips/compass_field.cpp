#include "platform/host/chips/compass_field.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

constexpr double kRad = M_PI / 180.0;

Vec3 ReadTriple(const HostState& state, const char* name, Vec3 fallback) {
  Vec3 v = fallback;
  std::string text = state.Get(name, "");
  double a, b, c;
  int n = sscanf(text.c_str(), "%lf %lf %lf", &a, &b, &c);
  if (n >= 1) v.x = a;
  if (n == 3) {
    v.y = b;
    v.z = c;
  }
  return v;
}

}  // namespace

// Body axes forward, right, down; the Earth's north, east, down. The
// body-to-Earth rotation is yaw, then pitch, then roll; a vector of the
// Earth's is seen in the body through its transpose.
Vec3 FieldAt(const Attitude& a) {
  double bn = kHorizontalField, bd = kHorizontalField * tan(kInclination * kRad);
  double cy = cos(a.heading * kRad), sy = sin(a.heading * kRad);
  double cp = cos(a.pitch * kRad), sp = sin(a.pitch * kRad);
  double cr = cos(a.roll * kRad), sr = sin(a.roll * kRad);
  Vec3 e = {cy * bn, -sy * bn, bd};
  Vec3 p = {cp * e.x - sp * e.z, e.y, sp * e.x + cp * e.z};
  Vec3 b = {p.x, cr * p.y + sr * p.z, -sr * p.y + cr * p.z};
  return {b.x, -b.y, -b.z};  // to the device's forward, left, up
}

Vec3 GravityAt(const Attitude& a) {
  double cp = cos(a.pitch * kRad), sp = sin(a.pitch * kRad);
  double cr = cos(a.roll * kRad), sr = sin(a.roll * kRad);
  return {sp, cp * sr, cp * cr};
}

Attitude CurrentAttitude(const HostState& state) {
  Vec3 v = ReadTriple(state, compass_state::kAttitude, {0, 0, 0});
  return {v.x, v.y, v.z};
}

Vec3 SensedField(const HostState& state) {
  Vec3 f = FieldAt(CurrentAttitude(state));
  Vec3 o = ReadTriple(state, compass_state::kOffset, {0, 0, 0});
  return {f.x + o.x, f.y + o.y, f.z + o.z};
}

Vec3 SensedGravity(const HostState& state) { return GravityAt(CurrentAttitude(state)); }

bool MagnetometerFitted(const HostState& state, const std::string& kind) {
  return state.Get(compass_state::kMagnetometer, "hmc") == kind;
}

int MagnetometerChip::Transfer(struct i2c_msg* msgs, int n) {
  if (!MagnetometerFitted(state_, kind_)) {
    errno = ENXIO;
    return -1;
  }
  return RegisterChip::Transfer(msgs, n);
}

}  // namespace chips
}  // namespace board
