#include "SpectrEnergy.h"

#include <algorithm>
#include <cmath>

namespace SpectrEnergy {

namespace {

constexpr int kChannels = TRadiationSpectr::kChannels;

bool Usable(long double a, long double b) { return std::isfinite(a) && std::isfinite(b) && a != 0; }

}  // namespace

std::optional<TCalibration> TwoPoint(int32_t channel1, int32_t energy1, int32_t channel2, int32_t energy2) {
  if (channel1 == channel2) return std::nullopt;
  // In 64 bits: the difference of two 32-bit values may not fit in 32.
  const int64_t energies = int64_t{energy2} - energy1;
  const int64_t channels = int64_t{channel2} - channel1;
  const long double a = static_cast<long double>(energies) / static_cast<long double>(channels);
  return TCalibration{a, energy1 - channel1 * a};
}

std::optional<TCalibration> TwoPoint(double channel1, double energy1, double channel2, double energy2) {
  if (!(std::abs(channel2 - channel1) > 0)) return std::nullopt;
  const long double a = (static_cast<long double>(energy2) - energy1) / (static_cast<long double>(channel2) - channel1);
  return TCalibration{a, energy1 - channel1 * a};
}

double Energy(const TRadiationSpectr& spectr, double channel) {
  return static_cast<double>(spectr.A() * channel + spectr.B());
}

std::optional<double> ChannelOf(const TRadiationSpectr& spectr, double energy) {
  if (!Usable(spectr.A(), spectr.B())) return std::nullopt;
  return static_cast<double>((energy - spectr.B()) / spectr.A());
}

std::optional<int32_t> Area(const TRadiationSpectr& spectr, int32_t low, int32_t high) {
  int64_t area = 0;
  for (int c = std::max(low, 0); c <= std::min(high, kChannels - 1); ++c) area += spectr.Channel(c);
  if (area < INT32_MIN || area > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(area);
}

TChannelCounts Counts(const TRadiationSpectr& spectr) {
  TChannelCounts counts{};
  for (int c = 0; c < kChannels; ++c) counts[static_cast<size_t>(c)] = spectr.Channel(c);
  return counts;
}

TChannelCounts Rebinned(const TRadiationSpectr& source, const TCalibration& target) {
  if (!Usable(source.A(), source.B()) || !Usable(target.A, target.B)) return Counts(source);
  TChannelCounts result{};
  // The source channel's edges in the target's channel numbers.
  const long double scale = source.A() / target.A;
  const long double shift = (source.B() - target.B) / target.A;
  for (int c = 0; c < kChannels; ++c) {
    const double count = source.Channel(c);
    if (count == 0) continue;
    const long double edge1 = (c - 0.5L) * scale + shift;
    const long double edge2 = (c + 0.5L) * scale + shift;
    const long double low = std::min(edge1, edge2);
    const long double high = std::max(edge1, edge2);
    const long double width = high - low;
    const long double first = std::max<long double>(std::floor(low + 0.5L), 0);
    const long double last = std::min<long double>(std::floor(high + 0.5L), kChannels - 1);
    for (long double t = first; t <= last; ++t) {
      const long double overlap = std::min(high, t + 0.5L) - std::max(low, t - 0.5L);
      if (overlap > 0) result[static_cast<size_t>(t)] += static_cast<double>(count * overlap / width);
    }
  }
  return result;
}

TNetArea NetArea(const TRadiationSpectr& main, const TRadiationSpectr* background, int32_t low, int32_t high,
                 double backgroundScale) {
  TNetArea area;
  area.Low = std::clamp(std::min(low, high), 0, kChannels - 1);
  area.High = std::clamp(std::max(low, high), 0, kChannels - 1);
  area.FromKev = Energy(main, area.Low);
  area.ToKev = Energy(main, area.High);
  for (int c = area.Low; c <= area.High; ++c) area.Gross += main.Channel(c);
  if (background) {
    const TChannelCounts aligned = Rebinned(*background, {main.A(), main.B()});
    for (int c = area.Low; c <= area.High; ++c) area.Background += aligned[static_cast<size_t>(c)];
    area.Background *= backgroundScale;
  }
  area.Net = static_cast<double>(area.Gross) - area.Background;
  // The background's variance grows with the square of its scale.
  area.Sigma =
      std::sqrt(std::max<double>(area.Gross, 0) + std::max(area.Background, 0.0) * std::max(backgroundScale, 0.0));
  return area;
}

}  // namespace SpectrEnergy
