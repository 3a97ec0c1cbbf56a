#pragma once

#include "RadiationSpectr.h"
#include "SpectrEnergy.h"

#include <QByteArray>

#include <optional>
#include <vector>

// Peaks of an alpha spectrum from an aerosol filter, the nuclides they
// belong to and the counts of each.
//
// On a filter the short-lived progeny of radon (Po-218 at 6002 keV, Po-214
// at 7687 keV) and of thoron (Po-212 at 8785 keV, with Bi-212's 6051 and
// 6090 keV lines under Po-218) give tall peaks, each with a long tail on its
// low-energy side from the dust layer the particles lose energy in. An
// artificial emitter shows as a small peak in those tails, so every region's
// net counts have the tails of the higher peaks taken off.
namespace SpectrPeaks {

constexpr double kPo218Kev = 6002;
constexpr double kPo214Kev = 7687;
constexpr double kPo212Kev = 8785;
constexpr double kBi212Kev = 6051;
constexpr double kBi212HighKev = 6090;
// Bi-212 decays by alpha in 35.94 % and by beta (to Po-212) in 64.06 %:
// its alpha counts are 0.561 of Po-212's.
constexpr double kBi212Branching = 0.561;
// A peak takes a nuclide's name when the calibration puts it this close.
constexpr double kNuclideToleranceKev = 40;

// The nuclide whose line lies nearest the energy within the tolerance, or
// an empty text.
QByteArray NuclideAt(double energyKev, double toleranceKev = kNuclideToleranceKev);

struct TPeak {
  double Channel = 0;  // the position of the core (the Gaussian's centre)
  double Sigma = 0;    // the core's width, channels
  double Height = 0;   // the core's top above the counts around it
  double Significance = 0;
  double Energy = 0;   // keV, by the spectrum's calibration
  QByteArray Nuclide;  // empty when no line matches
};

// A region of interest and its counts. Bi-212 has no window of its own: it
// is inferred from Po-212 and shares Po-218's window (Derived).
struct TRegion {
  QByteArray Nuclide;  // empty when no line matches
  double Channel = 0;
  double Energy = 0;
  int Low = 0;
  int High = 0;
  double FromKev = 0;
  double ToKev = 0;
  double Gross = 0;
  double Background = 0;
  double Tail = 0;  // counts of the tails of higher peaks inside the window
  double Net = 0;
  double Sigma = 0;   // 1 sigma of the net
  bool Found = true;  // false: placed by the calibration, no peak found there
  bool Derived = false;
};

struct TAnalysis {
  std::vector<TPeak> Peaks;      // by channel
  std::vector<TRegion> Regions;  // by channel, Bi-212 after Po-218
};

// The significant peaks, by channel; the calibration only names them.
std::vector<TPeak> FindPeaks(const TRadiationSpectr& spectr);

// Peaks and regions of the main spectrum; the background spectrum, when
// given, is aligned by energy and scaled by backgroundScale.
TAnalysis Analyse(const TRadiationSpectr& main, const TRadiationSpectr* background, double backgroundScale = 1);

struct TPeakCalibration {
  SpectrEnergy::TCalibration Calibration;
  QByteArray Name1;
  double Channel1 = 0;
  double Energy1 = 0;
  QByteArray Name2;
  double Channel2 = 0;
  double Energy2 = 0;
};

// A two-point calibration from the spectrum's own progeny peaks: Po-218 and
// Po-214, or Po-214 and Po-212 when Po-218 is weak. The peaks are told by
// the spacing of the three progeny lines, so any starting calibration will
// do; with only two peaks the current calibration names them, or the lower
// is taken for Po-218. None without two peaks.
std::optional<TPeakCalibration> CalibrateFromPeaks(const TRadiationSpectr& spectr);

}  // namespace SpectrPeaks
