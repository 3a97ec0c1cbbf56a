#include "ActivityModel.h"

#include <algorithm>
#include <cmath>

namespace ActivityModel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMeanRadon = 18.0;
constexpr double kWanderPeriodSeconds = 3.3 * 86400;
// Effective build-up time of the short-lived progeny on the filter.
constexpr double kBuildUpSeconds = 2700;

}  // namespace

double Noise(uint64_t key) {
  // splitmix64: a well-mixed hash, so neighbouring keys look unrelated.
  uint64_t z = key + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

TActivities At(const QDateTime& time) {
  const qint64 seconds = time.toSecsSinceEpoch();
  const QTime clock = time.time();
  const double hour = clock.hour() + clock.minute() / 60.0;
  const double daily = 1.0 + 0.45 * std::cos(2 * kPi * (hour - 5.0) / 24.0);
  const double wander = 1.0 + 0.15 * std::sin(2 * kPi * static_cast<double>(seconds) / kWanderPeriodSeconds);
  const uint64_t minute = static_cast<uint64_t>(seconds / 60);
  TActivities a;
  a.Radon = kMeanRadon * daily * wander * (1.0 + 0.05 * Noise(minute));
  a.Alpha = 0.45 * a.Radon + 0.8 + 0.3 * Noise(minute ^ 0xA1);
  a.Beta = 0.9 * a.Radon + 2.0 + 0.6 * Noise(minute ^ 0xB2);
  return a;
}

double FlowAt(const QDateTime& time) {
  return 40.0 + 0.4 * Noise(static_cast<uint64_t>(time.toSecsSinceEpoch() / 10) ^ 0xF1);
}

double PressureAt(const QDateTime& time, double exposureSeconds) {
  const double load = std::min(exposureSeconds / 86400.0, 1.0);
  return 1450.0 + 600.0 * load + 15.0 * Noise(static_cast<uint64_t>(time.toSecsSinceEpoch() / 10) ^ 0x9E);
}

double FilterActivity(double concentration, double flowLitresPerMinute, double exposureSeconds) {
  const double cubicMetresPerSecond = flowLitresPerMinute / 60000.0;
  return concentration * cubicMetresPerSecond * kBuildUpSeconds *
         (1.0 - std::exp(-std::max(exposureSeconds, 0.0) / kBuildUpSeconds));
}

}  // namespace ActivityModel
