#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

// An alpha spectrum as the installation's analyser collects it from the
// filter: the radon progeny Po-218 (6.00 MeV) and Po-214 (7.69 MeV) and the
// thoron progeny Po-212 (8.78 MeV), each a peak with the low-energy tail that
// absorption in the dust layer gives, on a small background that rises
// towards low energies. The background spectrum, taken with the detector
// shielded, is the same shape far weaker. Counts carry Poisson noise from a
// fixed seed, so a spectrum is the same on every run.
class TEmulatedSpectrum {
 public:
  static constexpr int kChannels = 1024;
  static constexpr int kBytes = kChannels * 4;

  // Energy = A * channel + B, MeV.
  struct TCalibration {
    double A = 1;
    double B = 0;
  };

  static constexpr TCalibration kMainCalibration{0.0095, 0.05};
  static constexpr TCalibration kBackgroundCalibration{0.0096, 0.03};
  static constexpr double kPeakEnergies[3] = {6.00, 7.69, 8.78};

  static TEmulatedSpectrum Main();
  static TEmulatedSpectrum Background();

  const TCalibration& Calibration() const { return FCalibration; }
  int32_t Count(int channel) const { return FCounts.at(static_cast<size_t>(channel)); }
  // The channel where a given energy falls, rounded.
  int ChannelOf(double energy) const;

  // The counts as the installation sends them: 32-bit little-endian,
  // channel 0 first.
  QByteArray Bytes() const;

 private:
  TEmulatedSpectrum(const TCalibration& calibration, double strength, double floor, uint32_t seed);

  TCalibration FCalibration;
  std::array<int32_t, kChannels> FCounts{};
};
