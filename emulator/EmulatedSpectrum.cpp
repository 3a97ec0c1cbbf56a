#include "EmulatedSpectrum.h"

#include "TextUtils.h"

#include <QtEndian>

#include <cmath>
#include <random>

namespace {

struct TLine {
  double Kev;
  double Share;  // of the nuclide's decays
};

struct TNuclide {
  const char* Name;
  std::vector<TLine> Lines;
};

const std::vector<TNuclide>& Nuclides() {
  static const std::vector<TNuclide> nuclides = {
      {"Pu-239", {{5157, 0.708}, {5144, 0.171}, {5105, 0.121}}},
      {"Pu-238", {{5499, 0.709}, {5456, 0.291}}},
      {"Am-241", {{5486, 0.852}, {5443, 0.132}, {5388, 0.016}}},
      {"Cm-244", {{5805, 0.769}, {5763, 0.231}}},
      {"U-234", {{4775, 0.714}, {4722, 0.286}}},
      {"U-235", {{4398, 0.70}, {4366, 0.30}}},
      {"U-238", {{4198, 0.79}, {4151, 0.21}}},
      {"Th-230", {{4687, 0.765}, {4621, 0.235}}},
      {"Po-210", {{5304, 1.0}}},
  };
  return nuclides;
}

// A filter measurement's resolution and tail: the core's full width at half
// height, the share of the counts in the tail and the tail's length.
constexpr double kFwhmKev = 100;
constexpr double kTailShare = 0.3;
constexpr double kTailKev = 160;

// The counts of one line falling into the channel centred at e (width w,
// keV): a Gaussian and a Gaussian convolved with a low-side exponential,
// both of unit area.
double LineDensity(double e, double centre, double w) {
  const double sigma = kFwhmKev / 2.3548;
  const double x = e - centre;
  const double gauss = std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * M_PI));
  const double z = x / (std::sqrt(2.0) * sigma) + sigma / (std::sqrt(2.0) * kTailKev);
  // exp(a) * erfc(z) overflows nowhere the tail matters; far above the peak
  // erfc is 0 and the product is taken as 0.
  const double a = x / kTailKev + sigma * sigma / (2 * kTailKev * kTailKev);
  const double tail = z > 25 ? 0 : std::exp(a) * std::erfc(z) / (2 * kTailKev);
  return w * ((1 - kTailShare) * gauss + kTailShare * tail);
}

using TMeans = std::array<double, TEmulatedSpectrum::kChannels>;

void AddLine(TMeans& means, const TEmulatedSpectrum::TCalibration& calibration, double kev, double counts) {
  for (int c = 0; c < TEmulatedSpectrum::kChannels; ++c)
    means[static_cast<size_t>(c)] += counts * LineDensity(calibration.A * c + calibration.B, kev, calibration.A);
}

void AddContinuum(TMeans& means, double floor, double noise) {
  for (int c = 0; c < TEmulatedSpectrum::kChannels; ++c)
    means[static_cast<size_t>(c)] += floor + noise * std::exp(-c / 25.0);
}

}  // namespace

std::optional<TEmulatedSpectrum::TEmitter> TEmulatedSpectrum::ParseEmitter(const QByteArray& text) {
  const TextUtils::TSplit split = TextUtils::SplitAtFirst(text, ":");
  if (!split.Found) return std::nullopt;
  const QByteArray name = TextUtils::AsciiUpper(TextUtils::Trim(split.Before));
  const auto counts = TextUtils::ParseInt32(TextUtils::Trim(split.After));
  if (!counts || *counts < 0) return std::nullopt;
  for (const TNuclide& nuclide : Nuclides())
    if (TextUtils::AsciiUpper(nuclide.Name) == name) return TEmitter{nuclide.Name, static_cast<double>(*counts)};
  return std::nullopt;
}

QByteArrayList TEmulatedSpectrum::EmitterNames() {
  QByteArrayList names;
  for (const TNuclide& nuclide : Nuclides()) names << nuclide.Name;
  return names;
}

TEmulatedSpectrum TEmulatedSpectrum::Main(double minutes, const std::vector<TEmitter>& emitters) {
  TEmulatedSpectrum spectrum(kMainCalibration);
  TMeans means{};
  const double time = std::max(minutes, 0.0) / kNominalMinutes;
  // Po-218 and Po-214 near equilibrium on the filter, thoron's Po-212 far
  // weaker, and Bi-212's alpha branch 0.561 of Po-212.
  constexpr double kPo212 = 6000;
  const TLine progeny[] = {{6002, 30000},
                           {7687, 34000},
                           {8785, kPo212},
                           {6051, 0.561 * 0.70 * kPo212},
                           {6090, 0.561 * 0.27 * kPo212},
                           {5768, 0.561 * 0.03 * kPo212},
                           {5304, 400}};
  for (const TLine& line : progeny) AddLine(means, kMainCalibration, line.Kev, line.Share * time);
  for (const TEmitter& emitter : emitters)
    for (const TNuclide& nuclide : Nuclides())
      if (emitter.Nuclide == nuclide.Name)
        for (const TLine& line : nuclide.Lines) AddLine(means, kMainCalibration, line.Kev, line.Share * emitter.Counts);
  AddContinuum(means, 0.5 * time, 40 * time);
  std::mt19937 random(20240611u);
  for (int c = 0; c < kChannels; ++c) {
    const double mean = means[static_cast<size_t>(c)];
    spectrum.FCounts[static_cast<size_t>(c)] = mean > 0 ? std::poisson_distribution<int32_t>(mean)(random) : 0;
  }
  return spectrum;
}

TEmulatedSpectrum TEmulatedSpectrum::Background() {
  TEmulatedSpectrum spectrum(kBackgroundCalibration);
  TMeans means{};
  AddLine(means, kBackgroundCalibration, 5304, 180);
  AddLine(means, kBackgroundCalibration, 6002, 40);
  AddLine(means, kBackgroundCalibration, 7687, 50);
  AddContinuum(means, 0.3, 6);
  std::mt19937 random(19870203u);
  for (int c = 0; c < kChannels; ++c)
    spectrum.FCounts[static_cast<size_t>(c)] =
        std::poisson_distribution<int32_t>(means[static_cast<size_t>(c)])(random);
  return spectrum;
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
