#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// An alpha spectrum as the installation's analyser collects it from the
// filter, in keV: the radon progeny Po-218 (6002 keV) and Po-214 (7687 keV),
// the thoron progeny Po-212 (8785 keV) with Bi-212 (6051 and 6090 keV) under
// Po-218, and a little Po-210 (5304 keV) of an old filter. Each line is a
// Gaussian core of a filter's resolution with an exponential tail on its
// low-energy side from the dust layer the particles lose energy in, on a
// continuum that rises towards the noise of the first channels. An
// artificial emitter adds its own lines. The background spectrum, taken
// with the detector shielded, is a detector's own: a weak continuum, the
// Po-210 of its surface and a trace of radon progeny. Counts carry Poisson
// noise from a fixed seed, so a spectrum is the same on every run.
class TEmulatedSpectrum {
 public:
  static constexpr int kChannels = 1024;
  static constexpr int kBytes = kChannels * 4;
  // The measuring time the progeny counts below are given for, minutes.
  static constexpr double kNominalMinutes = 60;

  // Energy = A * channel + B, keV. Two detectors, two calibrations.
  struct TCalibration {
    double A = 1;
    double B = 0;
  };

  static constexpr TCalibration kMainCalibration{9.77, -4.0};
  static constexpr TCalibration kBackgroundCalibration{9.71, 11.0};

  // A nuclide added to the main spectrum with so many counts in all its lines.
  struct TEmitter {
    QByteArray Nuclide;
    double Counts = 0;
  };
  // "NUCLIDE:COUNTS", the nuclide one of EmitterNames() in any case.
  static std::optional<TEmitter> ParseEmitter(const QByteArray& text);
  static QByteArrayList EmitterNames();

  // The progeny counts grow with the measuring time; the emitters' do not.
  static TEmulatedSpectrum Main(double minutes = kNominalMinutes, const std::vector<TEmitter>& emitters = {});
  static TEmulatedSpectrum Background();

  const TCalibration& Calibration() const { return FCalibration; }
  int32_t Count(int channel) const { return FCounts.at(static_cast<size_t>(channel)); }
  // The channel where a given energy falls, rounded.
  int ChannelOf(double energy) const;

  // The counts as the installation sends them: 32-bit little-endian,
  // channel 0 first.
  QByteArray Bytes() const;

 private:
  explicit TEmulatedSpectrum(const TCalibration& calibration) : FCalibration(calibration) {}

  TCalibration FCalibration;
  std::array<int32_t, kChannels> FCounts{};
};
