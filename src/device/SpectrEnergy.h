#pragma once

#include "RadiationSpectr.h"

#include <array>
#include <cstdint>
#include <optional>

// The channel/energy arithmetic of one spectrum, kept beside the counts so
// that the view, the command-line tool and the peak search agree on it.
// Energy = A * channel + B in keV; a channel covers the energies from half a
// channel below its number to half a channel above.
namespace SpectrEnergy {

struct TCalibration {
  long double A = 1;
  long double B = 0;
};

using TChannelCounts = std::array<double, TRadiationSpectr::kChannels>;

// A = (E2 - E1) / (C2 - C1), B = E1 - C1 * A, from integer differences taken
// in 64 bits; none for two points on one channel.
std::optional<TCalibration> TwoPoint(int32_t channel1, int32_t energy1, int32_t channel2, int32_t energy2);

// The same from two points at fractional channels (peak positions).
std::optional<TCalibration> TwoPoint(double channel1, double energy1, double channel2, double energy2);

double Energy(const TRadiationSpectr& spectr, double channel);
// None when the calibration is flat (A = 0) or not a number.
std::optional<double> ChannelOf(const TRadiationSpectr& spectr, double energy);

// The sum of the counts of channels low..high, ends clipped to 0..1023, or
// none when 32 bits cannot hold it.
std::optional<int32_t> Area(const TRadiationSpectr& spectr, int32_t low, int32_t high);

// The counts as doubles, channel by channel.
TChannelCounts Counts(const TRadiationSpectr& spectr);

// The source's counts moved to the channels of another calibration: each
// source channel's counts are shared out among the target channels its
// energy span overlaps, in proportion to the overlap. Counts that fall
// outside the target's 1024 channels are dropped; all others are kept, so
// the sum is conserved for a spectrum that lies within the target's range.
// When either calibration is flat or not finite the counts stay channel
// for channel, as there is no energy to align by.
TChannelCounts Rebinned(const TRadiationSpectr& source, const TCalibration& target);

// A region between two channels of the main spectrum with the background
// spectrum re-binned to the main one's calibration and scaled (by the ratio
// of the measuring times when they are known, else 1).
struct TNetArea {
  int32_t Low = 0;
  int32_t High = 0;
  double FromKev = 0;
  double ToKev = 0;
  int64_t Gross = 0;
  double Background = 0;
  double Net = 0;
  double Sigma = 0;  // 1 sigma, Poisson, of the net
};

TNetArea NetArea(const TRadiationSpectr& main, const TRadiationSpectr* background, int32_t low, int32_t high,
                 double backgroundScale = 1);

}  // namespace SpectrEnergy
