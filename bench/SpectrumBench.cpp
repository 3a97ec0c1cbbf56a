#include "SpectrumBench.h"

#include "EmulatedSpectrum.h"
#include "RadiationSpectr.h"
#include "SpectrPeaks.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRounds = 50;

TRadiationSpectr AsSpectr(const TEmulatedSpectrum& emulated) {
  TRadiationSpectr spectr;
  const QByteArray bytes = emulated.Bytes();
  spectr.LoadDeviceBlock(bytes.constData(), bytes.size(), false);
  spectr.SetCalibration(emulated.Calibration().A, emulated.Calibration().B);
  return spectr;
}

}  // namespace

bool MeasureSpectrumPeaks() {
  const TRadiationSpectr main = AsSpectr(TEmulatedSpectrum::Main(60, {{"Am-241", 2000}}));
  const TRadiationSpectr background = AsSpectr(TEmulatedSpectrum::Background());
  // The best of many rounds: one analysis is far shorter than a time slice.
  double best = 1e9;
  size_t regions = 0;
  for (int round = 0; round < kRounds; ++round) {
    QElapsedTimer timer;
    timer.start();
    const SpectrPeaks::TAnalysis analysis = SpectrPeaks::Analyse(main, &background);
    best = std::min(best, timer.nsecsElapsed() / 1e6);
    regions = analysis.Regions.size();
  }
  std::printf("spectrum-peaks channels=%d ms=%.3f\n", TRadiationSpectr::kChannels, best);
  std::fflush(stdout);
  return regions >= 4;
}
