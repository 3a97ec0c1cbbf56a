#pragma once

#include <QDateTime>

#include <cstdint>

// How the air around the installation behaves over time: the radon progeny
// concentration follows a daily cycle (high in the early morning, when the
// air is still, low in the afternoon) with a slower weather wander and a
// little noise; the alpha and beta sums follow the radon. Everything is a
// pure function of the time, so the live values and the archive agree and
// tests are repeatable.
namespace ActivityModel {

struct TActivities {
  double Alpha = 0;  // Bq/m3
  double Beta = 0;   // Bq/m3
  double Radon = 0;  // equilibrium equivalent activity of Rn-222, Bq/m3
};

TActivities At(const QDateTime& time);

// Air flow through the filter while the pump runs, l/min.
double FlowAt(const QDateTime& time);

// Pressure difference across the filter while the pump runs, Pa; it rises
// as the filter spot loads with dust.
double PressureAt(const QDateTime& time, double exposureSeconds);

// Activity collected on the filter spot, Bq: the short-lived progeny build up
// while air is pumped and saturate after a few hours.
double FilterActivity(double concentration, double flowLitresPerMinute, double exposureSeconds);

// A repeatable pseudo-random number in [-1, 1] for a key.
double Noise(uint64_t key);

}  // namespace ActivityModel
