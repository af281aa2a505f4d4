#include "tools/compass.h"

#include <cmath>
#include <cstdlib>

namespace compass {
namespace {

constexpr double kDeg = 180.0 / M_PI;
constexpr int kSectors = 12;
constexpr double kMinSpread = 10.0;  // uT across the circle: the weakest horizontal field is about 5
constexpr int kFaceDownSamples = 4;  // a second held face down
constexpr double kFlat = 0.8;        // g on Z: face up or down within about 35 degrees
constexpr size_t kMaxSamples = 2000;

}  // namespace

Vector Calibrated(const Vector& m, const Calibration& c) {
  return {m.x - c.x / 1000.0, m.y - c.y / 1000.0, m.z - c.z / 1000.0};
}

bool PlausibleCalibration(const Calibration& c) {
  // No iron inside a player shifts the field by 2 mT (forty times the Earth's).
  constexpr int32_t kMax = 2000000;
  return std::abs(c.x) <= kMax && std::abs(c.y) <= kMax && std::abs(c.z) <= kMax;
}

HeadingResult Heading(const Vector& m, const Vector* g, double* degrees) {
  double xh = m.x, yh = -m.y;  // forward and right, flat
  if (g) {
    double norm = sqrt(g->x * g->x + g->y * g->y + g->z * g->z);
    if (norm <= 0 || acos(g->z / norm) * kDeg > kSteepestTilt) return kTooSteep;
    double roll = atan2(g->y, g->z), pitch = atan2(g->x, sqrt(g->y * g->y + g->z * g->z));
    // Down to the horizontal plane, on forward-right-down axes.
    double by = -m.y, bz = -m.z;
    xh = cos(pitch) * m.x + sin(pitch) * (sin(roll) * by + cos(roll) * bz);
    yh = cos(roll) * by - sin(roll) * bz;
  }
  if (hypot(xh, yh) < 1.0) return kNoField;
  double h = atan2(-yh, xh) * kDeg;
  *degrees = h < 0 ? h + 360.0 : h;
  return kHeading;
}

Calibrator::Stage Calibrator::Add(const Vector& m, const Vector* g) {
  if (stage_ == kTurning) {
    if ((!g || g->z > kFlat) && up_.size() < kMaxSamples) up_.push_back(m);
    if (CircleCovered()) stage_ = gravityKnown_ ? kFaceDown : kDone;
  } else if (stage_ == kFaceDown && g && g->z < -kFlat) {
    downZ_ += m.z;
    if (++downCount_ >= kFaceDownSamples) stage_ = kDone;
  }
  return stage_;
}

void Calibrator::Center(double* cx, double* cy) const {
  double minX = up_[0].x, maxX = minX, minY = up_[0].y, maxY = minY;
  for (const Vector& v : up_) {
    minX = fmin(minX, v.x), maxX = fmax(maxX, v.x);
    minY = fmin(minY, v.y), maxY = fmax(maxY, v.y);
  }
  *cx = (minX + maxX) / 2;
  *cy = (minY + maxY) / 2;
}

bool Calibrator::CircleCovered() const {
  if (up_.size() < kSectors) return false;
  double cx, cy;
  Center(&cx, &cy);
  double spreadX = 0, spreadY = 0;
  for (const Vector& v : up_) {
    spreadX = fmax(spreadX, 2 * fabs(v.x - cx));
    spreadY = fmax(spreadY, 2 * fabs(v.y - cy));
  }
  // A half turn leaves one axis with half the other's spread.
  if (spreadX < kMinSpread || spreadY < kMinSpread) return false;
  if (spreadX > 1.6 * spreadY || spreadY > 1.6 * spreadX) return false;
  bool seen[kSectors] = {};
  for (const Vector& v : up_) {
    double a = atan2(v.y - cy, v.x - cx) * kDeg + 180.0;
    seen[static_cast<int>(a / (360.0 / kSectors)) % kSectors] = true;
  }
  for (bool s : seen)
    if (!s) return false;
  return true;
}

bool Calibrator::Result(Calibration* out) const {
  // Without the face-down moment Z would stay an older calibration's, which
  // a tilted heading would then be wrong by: no result rather than that.
  if (stage_ != kDone) return false;
  double cx, cy;
  Center(&cx, &cy);
  Calibration c = old_;
  c.x = static_cast<int32_t>(lround(cx * 1000));
  c.y = static_cast<int32_t>(lround(cy * 1000));
  if (downCount_ >= kFaceDownSamples) {
    double upZ = 0;
    for (const Vector& v : up_) upZ += v.z;
    c.z = static_cast<int32_t>(lround((upZ / up_.size() + downZ_ / downCount_) / 2 * 1000));
  }
  if (!PlausibleCalibration(c)) return false;
  *out = c;
  return true;
}

}  // namespace compass
