#include "SpectrPeaks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace SpectrPeaks {

namespace {

constexpr int kChannels = TRadiationSpectr::kChannels;
using TCounts = SpectrEnergy::TChannelCounts;

struct TLine {
  const char* Name;
  double Kev;
};

// The main line of each nuclide an aerosol filter shows: the progeny, the
// old filter's Po-210, and the artificial and natural emitters a monitor
// looks for. Pu-238 (5499 keV) is left out: 13 keV from Am-241, it cannot be
// told from it at a filter's resolution.
constexpr TLine kLines[] = {
    {"U-238", 4198},       {"U-235", 4398},       {"Th-230", 4687},      {"U-234", 4775},
    {"Pu-239", 5157},      {"Po-210", 5304},      {"Am-241", 5486},      {"Cm-244", 5805},
    {"Po-218", kPo218Kev}, {"Bi-212", kBi212Kev}, {"Po-214", kPo214Kev}, {"Po-212", kPo212Kev},
};

// The shares of Bi-212's alpha decays in its two main lines.
constexpr double kBi212Share = 0.699;
constexpr double kBi212HighShare = 0.271;

// The smoothed second difference: a Gaussian's negative second derivative
// of this width (channels), its mean taken off so that a flat or sloping
// continuum gives nothing.
constexpr double kKernelSigma = 4;
constexpr int kKernelHalf = 12;
constexpr double kMinSignificance = 4;
// The search starts above the electronic noise of the first channels.
constexpr int kFirstChannel = 8;
// A peak's window: from 3 core widths below its centre (catching the start
// of its own tail) to 2.5 above.
constexpr double kWindowBelow = 3;
constexpr double kWindowAbove = 2.5;
// Channels below a window over which its tail is fitted.
constexpr int kTailFitChannels = 80;

using TKernel = std::array<double, 2 * kKernelHalf + 1>;

const TKernel& Kernel() {
  static const TKernel kernel = [] {
    TKernel k{};
    double sum = 0;
    for (int j = -kKernelHalf; j <= kKernelHalf; ++j) {
      const double u = j / kKernelSigma;
      k[static_cast<size_t>(j + kKernelHalf)] = (1 - u * u) * std::exp(-u * u / 2);
      sum += k[static_cast<size_t>(j + kKernelHalf)];
    }
    for (double& w : k) w -= sum / k.size();
    return k;
  }();
  return kernel;
}

double At(const TCounts& y, int c) { return c >= 0 && c < kChannels ? y[static_cast<size_t>(c)] : 0; }

struct TCore {
  double Channel = 0;
  double Sigma = 0;
  double Height = 0;
};

// The core of a peak near a channel: its top in lightly smoothed counts, its
// width from the high side (which has no tail) at half the height, and its
// centre from a parabola through the logarithm of the counts over the top,
// which is where a Gaussian core puts it whatever the tail below.
TCore FitCore(const TCounts& y, int near) {
  const auto smooth = [&](int c) {
    return (At(y, c - 2) + 4 * At(y, c - 1) + 6 * At(y, c) + 4 * At(y, c + 1) + At(y, c + 2)) / 16;
  };
  int top = std::clamp(near, 0, kChannels - 1);
  for (int c = std::max(0, near - 4); c <= std::min(kChannels - 1, near + 4); ++c)
    if (smooth(c) > smooth(top)) top = c;
  double base = smooth(top);
  for (int c = top + 1; c <= std::min(kChannels - 1, top + 30); ++c) base = std::min(base, smooth(c));
  const double height = smooth(top) - base;
  TCore core{static_cast<double>(top), kKernelSigma, std::max(height, 0.0)};
  if (height <= 0) return core;
  const double half = base + height / 2;
  for (int c = top + 1; c < kChannels; ++c) {
    // A valley before half the height: the next peak begins, the width
    // stays the search's.
    if (smooth(c) > smooth(c - 1) + 1e-9) break;
    if (smooth(c) < half) {
      const double above = smooth(c - 1) - half;
      const double hwhm = c - 1 - top + above / std::max(above + half - smooth(c), 1e-9);
      core.Sigma = std::clamp(hwhm / 1.1774, 1.0, 40.0);
      break;
    }
  }
  // Weighted least squares of ln(count - base) = p + q x + r x^2 around the
  // top; each point weighs its count (the variance of a logarithm of a
  // Poisson count is one over the count).
  const int reach = std::clamp(static_cast<int>(std::lround(core.Sigma)), 2, 2 * static_cast<int>(kKernelSigma));
  double s[5] = {0, 0, 0, 0, 0};
  double t[3] = {0, 0, 0};
  for (int x = -reach; x <= reach; ++x) {
    const double v = At(y, top + x) - base;
    if (v <= 1) continue;
    const double l = std::log(v);
    double p = v;
    for (int k = 0; k < 5; ++k, p *= x) {
      s[k] += p;
      if (k < 3) t[k] += p * l;
    }
  }
  // Cramer's rule on the 3 x 3 normal equations.
  const auto det3 = [](double a, double b, double c, double d, double e, double f, double g, double h, double i) {
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  };
  const double d = det3(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
  if (std::abs(d) < 1e-12) return core;
  const double q = det3(s[0], t[0], s[2], s[1], t[1], s[3], s[2], t[2], s[4]) / d;
  const double r = det3(s[0], s[1], t[0], s[1], s[2], t[1], s[2], s[3], t[2]) / d;
  if (r >= 0) return core;
  const double vertex = -q / (2 * r);
  if (std::abs(vertex) <= reach) core.Channel = top + vertex;
  return core;
}

// Takes Bi-212's two lines, predicted from Po-212's core, off the counts
// under Po-218, and finds Po-218's core again: Bi-212 sits a core width
// above it and would pull it up.
double Po218WithoutBi212(const TCounts& counts, const TCore& po218, const TCore& po212,
                         const SpectrEnergy::TCalibration& calibration) {
  if (!(calibration.A > 0)) return po218.Channel;
  TCounts y = counts;
  const double lines[2][2] = {{kBi212Kev, kBi212Share}, {kBi212HighKev, kBi212HighShare}};
  for (const auto& line : lines) {
    const double centre = static_cast<double>((line[0] - calibration.B) / calibration.A);
    const double height = kBi212Branching * line[1] * po212.Height;
    for (int c = static_cast<int>(centre - 4 * po218.Sigma); c <= centre + 4 * po218.Sigma; ++c) {
      if (c < 0 || c >= kChannels) continue;
      const double u = (c - centre) / po218.Sigma;
      y[static_cast<size_t>(c)] -= height * std::exp(-u * u / 2);
    }
  }
  return FitCore(y, static_cast<int>(std::lround(po218.Channel))).Channel;
}

std::vector<TPeak> Search(const TCounts& y) {
  const TKernel& kernel = Kernel();
  std::array<double, kChannels> response{};
  std::array<double, kChannels> significance{};
  for (int c = std::max(kFirstChannel, kKernelHalf); c < kChannels - kKernelHalf; ++c) {
    double sum = 0;
    double variance = 0;
    for (int j = -kKernelHalf; j <= kKernelHalf; ++j) {
      const double w = kernel[static_cast<size_t>(j + kKernelHalf)];
      const double v = y[static_cast<size_t>(c + j)];
      sum += w * v;
      variance += w * w * std::max(v, 0.0);
    }
    response[static_cast<size_t>(c)] = sum;
    significance[static_cast<size_t>(c)] = sum / std::sqrt(std::max(variance, 1.0));
  }
  std::vector<TPeak> candidates;
  for (int c = 1; c < kChannels - 1; ++c) {
    const auto i = static_cast<size_t>(c);
    if (significance[i] < kMinSignificance || response[i] <= response[i - 1] || response[i] < response[i + 1]) continue;
    const TCore core = FitCore(y, c);
    if (core.Height <= 0) continue;
    TPeak peak;
    peak.Channel = core.Channel;
    peak.Sigma = core.Sigma;
    peak.Height = core.Height;
    peak.Significance = significance[i];
    candidates.push_back(peak);
  }
  // A shoulder of a stronger peak (Bi-212 beside Po-218, a ripple on a top)
  // is part of that peak.
  std::sort(candidates.begin(), candidates.end(),
            [](const TPeak& a, const TPeak& b) { return a.Significance > b.Significance; });
  std::vector<TPeak> peaks;
  for (const TPeak& candidate : candidates) {
    const bool shoulder = std::any_of(peaks.begin(), peaks.end(), [&](const TPeak& p) {
      return std::abs(p.Channel - candidate.Channel) < kWindowAbove * std::max(p.Sigma, kKernelSigma);
    });
    if (!shoulder) peaks.push_back(candidate);
  }
  std::sort(peaks.begin(), peaks.end(), [](const TPeak& a, const TPeak& b) { return a.Channel < b.Channel; });
  return peaks;
}

void Name(std::vector<TPeak>& peaks, const TRadiationSpectr& spectr) {
  for (TPeak& peak : peaks) {
    peak.Energy = SpectrEnergy::Energy(spectr, peak.Channel);
    peak.Nuclide = NuclideAt(peak.Energy);
  }
}

const TPeak* Named(const std::vector<TPeak>& peaks, const char* name) {
  const auto found = std::find_if(peaks.begin(), peaks.end(), [name](const TPeak& p) { return p.Nuclide == name; });
  return found == peaks.end() ? nullptr : &*found;
}

TCore CoreOf(const TPeak& peak) { return {peak.Channel, peak.Sigma, peak.Height}; }

struct TTail {
  double P = 0;  // the tail is exp(P + Q x), x the channel less the window's low edge
  double Q = 0;
};

// The tail below a window, fitted on the channels below it that no window
// covers as an exponential rising towards the peak on a flat continuum,
// exp(p + q x) + k, by Poisson maximum likelihood (Fisher scoring from a
// least-squares start): a fit of logarithms would skip the empty channels
// far down the tail and lift it, and without the continuum the tail would
// come out too long. Only the exponential is the peak's. None when it does
// not rise or there is too little to fit.
std::optional<TTail> FitTail(const TCounts& residual, const std::vector<bool>& covered, int below) {
  std::vector<std::pair<double, double>> points;  // (x, counts)
  for (int c = std::max(0, below - kTailFitChannels); c < below; ++c)
    if (!covered[static_cast<size_t>(c)]) points.emplace_back(c - below, residual[static_cast<size_t>(c)]);
  if (points.size() < 6) return std::nullopt;
  // Start: the continuum from the farthest quarter, the exponential from a
  // straight line through the logarithms of what rises above it.
  double k = 0;
  const size_t quarter = std::max<size_t>(points.size() / 4, 1);
  for (size_t i = 0; i < quarter; ++i) k += points[i].second;
  k = std::max(0.0, 0.5 * k / quarter);
  double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& [x, y] : points) {
    const double v = y - k;
    if (v <= 1) continue;
    const double l = std::log(v);
    sw += v;
    sx += v * x;
    sy += v * l;
    sxx += v * x * x;
    sxy += v * x * l;
  }
  const double d = sw * sxx - sx * sx;
  if (d <= 0) return std::nullopt;
  double q = (sw * sxy - sx * sy) / d;
  double p = (sy - q * sx) / sw;
  if (!(q > 0)) return std::nullopt;
  for (int iteration = 0; iteration < 12; ++iteration) {
    double g[3] = {0, 0, 0};
    double f[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (const auto& [x, y] : points) {
      const double e = std::exp(p + q * x);
      const double mu = std::max(e + k, 1e-3);
      const double dmu[3] = {e, x * e, 1};
      for (int i = 0; i < 3; ++i) {
        g[i] += (y / mu - 1) * dmu[i];
        for (int j = 0; j < 3; ++j) f[i][j] += dmu[i] * dmu[j] / mu;
      }
    }
    const auto det = [](const double m[3][3]) {
      return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
             m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const double full = det(f);
    if (!(std::abs(full) > 1e-300)) break;
    double step[3];
    for (int column = 0; column < 3; ++column) {
      double m[3][3];
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = j == column ? g[i] : f[i][j];
      step[column] = det(m) / full;
    }
    p += step[0];
    q = std::max(q + step[1], 1e-4);
    k = std::max(k + step[2], 0.0);
  }
  if (!(q > 1e-4) || !std::isfinite(p)) return std::nullopt;
  return TTail{p, q};
}

}  // namespace

QByteArray NuclideAt(double energyKev, double toleranceKev) {
  const TLine* best = nullptr;
  for (const TLine& line : kLines)
    if (std::abs(line.Kev - energyKev) <= toleranceKev &&
        (!best || std::abs(line.Kev - energyKev) < std::abs(best->Kev - energyKev)))
      best = &line;
  return best ? QByteArray(best->Name) : QByteArray();
}

std::vector<TPeak> FindPeaks(const TRadiationSpectr& spectr) {
  const TCounts y = SpectrEnergy::Counts(spectr);
  std::vector<TPeak> peaks = Search(y);
  Name(peaks, spectr);
  // Bi-212 under Po-218 belongs to Po-218's peak; its counts come from Po-212.
  if (Named(peaks, "Po-218"))
    peaks.erase(std::remove_if(peaks.begin(), peaks.end(), [](const TPeak& p) { return p.Nuclide == "Bi-212"; }),
                peaks.end());
  const auto po218 = std::find_if(peaks.begin(), peaks.end(), [](const TPeak& p) { return p.Nuclide == "Po-218"; });
  const TPeak* po212 = Named(peaks, "Po-212");
  if (po218 != peaks.end() && po212) {
    po218->Channel = Po218WithoutBi212(y, CoreOf(*po218), CoreOf(*po212), {spectr.A(), spectr.B()});
    po218->Energy = SpectrEnergy::Energy(spectr, po218->Channel);
  }
  return peaks;
}

TAnalysis Analyse(const TRadiationSpectr& main, const TRadiationSpectr* background, double backgroundScale) {
  TAnalysis analysis;
  analysis.Peaks = FindPeaks(main);
  const TCounts y = SpectrEnergy::Counts(main);
  TCounts bg{};
  if (background) {
    bg = SpectrEnergy::Rebinned(*background, {main.A(), main.B()});
    for (double& v : bg) v *= backgroundScale;
  }

  // The progeny regions stand where the calibration puts them even without a
  // peak found there, so that their rows say how little is there.
  std::vector<TRegion> regions;
  std::vector<double> sigmas;
  for (const TPeak& peak : analysis.Peaks) sigmas.push_back(peak.Sigma);
  std::sort(sigmas.begin(), sigmas.end());
  const double typicalSigma = sigmas.empty() ? kKernelSigma + 0.5 : sigmas[sigmas.size() / 2];
  const auto region = [&](double channel, double sigma, const QByteArray& nuclide, bool found) {
    TRegion r;
    r.Nuclide = nuclide;
    r.Channel = channel;
    r.Energy = SpectrEnergy::Energy(main, channel);
    r.Low = static_cast<int>(std::floor(channel - kWindowBelow * sigma));
    r.High = static_cast<int>(std::ceil(channel + kWindowAbove * sigma));
    r.Found = found;
    if (nuclide == "Po-218")
      if (const auto bi = SpectrEnergy::ChannelOf(main, kBi212HighKev))
        r.High = std::max(r.High, static_cast<int>(std::ceil(*bi + kWindowAbove * sigma)));
    return r;
  };
  for (const TPeak& peak : analysis.Peaks) regions.push_back(region(peak.Channel, peak.Sigma, peak.Nuclide, true));
  const TLine progeny[] = {{"Po-218", kPo218Kev}, {"Po-214", kPo214Kev}, {"Po-212", kPo212Kev}};
  for (const TLine& line : progeny) {
    if (Named(analysis.Peaks, line.Name)) continue;
    // Po-218 gone, Bi-212 stands as a peak of its own and takes the window.
    if (line.Kev == kPo218Kev && Named(analysis.Peaks, "Bi-212")) continue;
    const auto channel = SpectrEnergy::ChannelOf(main, line.Kev);
    if (channel && *channel >= 0 && *channel < kChannels)
      regions.push_back(region(*channel, typicalSigma, line.Name, false));
  }
  std::sort(regions.begin(), regions.end(), [](const TRegion& a, const TRegion& b) { return a.Channel < b.Channel; });
  // Neighbouring windows share no channel: they meet half-way between the
  // peaks.
  for (size_t i = 0; i < regions.size(); ++i) {
    TRegion& r = regions[i];
    if (i + 1 < regions.size() && r.High >= regions[i + 1].Low) {
      const int split = static_cast<int>(std::floor((r.Channel + regions[i + 1].Channel) / 2));
      r.High = split;
      regions[i + 1].Low = split + 1;
    }
    r.Low = std::clamp(r.Low, 0, kChannels - 1);
    r.High = std::clamp(r.High, r.Low, kChannels - 1);
  }

  // From the highest window down: the tails of the peaks above are taken
  // off each window, then this peak's own tail is fitted below it.
  std::vector<bool> covered(kChannels, false);
  for (const TRegion& r : regions)
    for (int c = r.Low; c <= r.High; ++c) covered[static_cast<size_t>(c)] = true;
  TCounts tails{};
  for (auto r = regions.rbegin(); r != regions.rend(); ++r) {
    for (int c = r->Low; c <= r->High; ++c) {
      const auto i = static_cast<size_t>(c);
      r->Gross += y[i];
      r->Background += bg[i];
      r->Tail += tails[i];
    }
    r->FromKev = SpectrEnergy::Energy(main, r->Low);
    r->ToKev = SpectrEnergy::Energy(main, r->High);
    r->Net = r->Gross - r->Background - r->Tail;
    r->Sigma = std::sqrt(std::max(r->Gross, 0.0) + std::max(r->Background, 0.0) * std::max(backgroundScale, 0.0) +
                         std::max(r->Tail, 0.0));
    if (!r->Found) continue;
    TCounts residual{};
    for (int c = 0; c < r->Low; ++c) {
      const auto i = static_cast<size_t>(c);
      residual[i] = y[i] - bg[i] - tails[i];
    }
    if (const auto tail = FitTail(residual, covered, r->Low))
      for (int c = 0; c < r->Low; ++c) tails[static_cast<size_t>(c)] += std::exp(tail->P + tail->Q * (c - r->Low));
  }

  // Bi-212 from Po-212 by the branching ratio; Po-218's net keeps only its own.
  const auto po218 =
      std::find_if(regions.begin(), regions.end(), [](const TRegion& r) { return r.Nuclide == "Po-218"; });
  const auto po212 =
      std::find_if(regions.begin(), regions.end(), [](const TRegion& r) { return r.Nuclide == "Po-212"; });
  if (po218 != regions.end() && po212 != regions.end()) {
    TRegion bi = *po218;
    bi.Nuclide = "Bi-212";
    bi.Channel = SpectrEnergy::ChannelOf(main, kBi212Kev).value_or(po218->Channel);
    bi.Energy = kBi212Kev;
    bi.Gross = 0;
    bi.Background = 0;
    bi.Tail = 0;
    bi.Net = kBi212Branching * po212->Net;
    bi.Sigma = kBi212Branching * po212->Sigma;
    bi.Found = po212->Found;
    bi.Derived = true;
    po218->Net -= bi.Net;
    po218->Sigma = std::hypot(po218->Sigma, bi.Sigma);
    regions.insert(po218 + 1, bi);
  }
  analysis.Regions = std::move(regions);
  return analysis;
}

std::optional<TPeakCalibration> CalibrateFromPeaks(const TRadiationSpectr& spectr) {
  const TCounts y = SpectrEnergy::Counts(spectr);
  const std::vector<TPeak> peaks = Search(y);
  if (peaks.size() < 2) return std::nullopt;
  const TPeak* p218 = nullptr;
  const TPeak* p214 = nullptr;
  const TPeak* p212 = nullptr;
  // The three progeny lines by their spacing: (7687 - 6002) / (8785 - 7687).
  constexpr double kSpacing = (kPo214Kev - kPo218Kev) / (kPo212Kev - kPo214Kev);
  double best = 0;
  for (size_t i = 0; i < peaks.size(); ++i)
    for (size_t j = i + 1; j < peaks.size(); ++j)
      for (size_t k = j + 1; k < peaks.size(); ++k) {
        const double ratio = (peaks[j].Channel - peaks[i].Channel) / (peaks[k].Channel - peaks[j].Channel);
        const double score = peaks[i].Height + peaks[j].Height + peaks[k].Height;
        if (std::abs(ratio / kSpacing - 1) < 0.06 && score > best) {
          best = score;
          p218 = &peaks[i];
          p214 = &peaks[j];
          p212 = &peaks[k];
        }
      }
  if (!p214) {
    // Two peaks: the tallest two, named by the current calibration when it
    // is near enough, else the radon pair.
    std::vector<const TPeak*> tall;
    for (const TPeak& p : peaks) tall.push_back(&p);
    std::partial_sort(tall.begin(), tall.begin() + 2, tall.end(),
                      [](const TPeak* a, const TPeak* b) { return a->Height > b->Height; });
    const TPeak* low = tall[0]->Channel < tall[1]->Channel ? tall[0] : tall[1];
    const TPeak* high = low == tall[0] ? tall[1] : tall[0];
    const double lowKev = SpectrEnergy::Energy(spectr, low->Channel);
    const double highKev = SpectrEnergy::Energy(spectr, high->Channel);
    if (std::abs(lowKev - kPo214Kev) < 300 && std::abs(highKev - kPo212Kev) < 300) {
      p214 = low;
      p212 = high;
    } else {
      p218 = low;
      p214 = high;
    }
  }
  TPeakCalibration result;
  const bool weak218 =
      !p218 || (p212 && (p218->Height < 0.25 * p214->Height || p218->Height < 2 * kBi212Branching * p212->Height));
  if (weak218) {
    result = {*SpectrEnergy::TwoPoint(p214->Channel, kPo214Kev, p212->Channel, kPo212Kev),
              "Po-214",
              p214->Channel,
              kPo214Kev,
              "Po-212",
              p212->Channel,
              kPo212Kev};
    return result;
  }
  double channel218 = p218->Channel;
  if (p212) {
    // Where Bi-212 lies needs a calibration; the first one from the
    // uncorrected Po-218 is near enough for that.
    const auto first = SpectrEnergy::TwoPoint(p218->Channel, kPo218Kev, p214->Channel, kPo214Kev);
    channel218 = Po218WithoutBi212(y, CoreOf(*p218), CoreOf(*p212), *first);
  }
  result = {*SpectrEnergy::TwoPoint(channel218, kPo218Kev, p214->Channel, kPo214Kev),
            "Po-218",
            channel218,
            kPo218Kev,
            "Po-214",
            p214->Channel,
            kPo214Kev};
  return result;
}

}  // namespace SpectrPeaks
