#include "EmulatedSpectrum.h"

#include <QtEndian>

#include <cmath>
#include <random>

namespace {

struct TPeak {
  double Energy;     // MeV
  double Amplitude;  // counts at the top of the main spectrum
};

// Po-218 and Po-214 stand near equilibrium in the progeny on a filter; the
// thoron line is much weaker.
constexpr TPeak kPeaks[] = {{6.00, 900}, {7.69, 1100}, {8.78, 250}};
constexpr double kSigmaChannels = 9;
constexpr double kTailChannels = 45;
constexpr double kTailShare = 0.22;

}  // namespace

TEmulatedSpectrum TEmulatedSpectrum::Main() { return TEmulatedSpectrum(kMainCalibration, 1.0, 2.0, 20240611u); }

TEmulatedSpectrum TEmulatedSpectrum::Background() {
  return TEmulatedSpectrum(kBackgroundCalibration, 0.03, 0.4, 19870203u);
}

TEmulatedSpectrum::TEmulatedSpectrum(const TCalibration& calibration, double strength, double floor, uint32_t seed)
    : FCalibration(calibration) {
  std::mt19937 random(seed);
  for (int channel = 0; channel < kChannels; ++channel) {
    double mean = floor + 30.0 * strength * std::exp(-channel / 60.0);
    for (const TPeak& peak : kPeaks) {
      const double x = channel - ChannelOf(peak.Energy);
      const double gauss = std::exp(-x * x / (2 * kSigmaChannels * kSigmaChannels));
      const double tail = x < 0 ? std::exp(x / kTailChannels) : gauss;
      mean += strength * peak.Amplitude * (gauss + kTailShare * tail) / (1 + kTailShare);
    }
    std::poisson_distribution<int32_t> counts(mean);
    FCounts[static_cast<size_t>(channel)] = counts(random);
  }
}

int TEmulatedSpectrum::ChannelOf(double energy) const {
  return static_cast<int>(std::lround((energy - FCalibration.B) / FCalibration.A));
}

QByteArray TEmulatedSpectrum::Bytes() const {
  QByteArray bytes(kBytes, '\0');
  for (qsizetype channel = 0; channel < kChannels; ++channel)
    qToLittleEndian(FCounts[static_cast<size_t>(channel)], bytes.data() + channel * 4);
  return bytes;
}
