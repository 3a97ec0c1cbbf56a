#include "RadiationSpectr.h"
#include "SpectrEnergy.h"
#include "SpectrN42.h"
#include "SpectrPeaks.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using SpectrEnergy::TCalibration;

struct TLine {
  double Kev;
  double Counts;
};

constexpr double kFwhmKev = 95;
constexpr double kTailShare = 0.3;
constexpr double kTailKev = 150;

// The expected counts of one line in channel c: a Gaussian core and the
// same Gaussian convolved with an exponential on the low side, as absorption
// in the filter's dust gives.
double Expected(const TLine& line, const TCalibration& cal, int c) {
  const double a = static_cast<double>(cal.A), b = static_cast<double>(cal.B);
  const double sigma = kFwhmKev / 2.3548;
  const double x = a * c + b - line.Kev;
  const double gauss = std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * M_PI));
  const double z = x / (std::sqrt(2.0) * sigma) + sigma / (std::sqrt(2.0) * kTailKev);
  const double tail =
      z > 25 ? 0 : std::exp(x / kTailKev + sigma * sigma / (2 * kTailKev * kTailKev)) * std::erfc(z) / (2 * kTailKev);
  return line.Counts * a * ((1 - kTailShare) * gauss + kTailShare * tail);
}

double ExpectedIn(const TLine& line, const TCalibration& cal, int low, int high) {
  double sum = 0;
  for (int c = low; c <= high; ++c) sum += Expected(line, cal, c);
  return sum;
}

// A spectrum drawn with Poisson noise from a fixed seed, on a flat floor.
TRadiationSpectr Synthetic(const TCalibration& cal, const std::vector<TLine>& lines, double floor, uint32_t seed) {
  TRadiationSpectr spectr;
  spectr.SetCalibration(cal.A, cal.B);
  std::mt19937 random(seed);
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
    double mean = floor;
    for (const TLine& line : lines) mean += Expected(line, cal, c);
    spectr.SetChannel(c, std::poisson_distribution<int32_t>(mean)(random));
  }
  return spectr;
}

// The progeny on a filter with Po-212's Bi-212 under Po-218.
std::vector<TLine> Progeny(double po218, double po214, double po212) {
  return {{6002, po218}, {7687, po214}, {8785, po212}, {6051, 0.561 * 0.70 * po212}, {6090, 0.561 * 0.30 * po212}};
}

const SpectrPeaks::TRegion* RegionOf(const SpectrPeaks::TAnalysis& analysis, const char* nuclide) {
  for (const SpectrPeaks::TRegion& r : analysis.Regions)
    if (r.Nuclide == nuclide) return &r;
  return nullptr;
}

}  // namespace

TEST(SpectrPeaks, FindsEveryPeakWithinAChannelAndNamesIt) {
  struct TRow {
    const char* what;
    TCalibration cal;
    std::vector<TLine> extra;
    std::vector<const char*> names;  // of the lines in Progeny() order, then of extra
  };
  const TRow rows[] = {
      {"keV, Am-241 in Po-218's tail", {9.77L, -4}, {{5486, 1500}}, {"Po-218", "Po-214", "Po-212", "Am-241"}},
      {"other gain, Pu-239 and Po-210",
       {9.52L, 31},
       {{5157, 1200}, {5304, 2500}},
       {"Po-218", "Po-214", "Po-212", "Pu-239", "Po-210"}},
      {"U-234 far below", {10.1L, -20}, {{4775, 900}}, {"Po-218", "Po-214", "Po-212", "U-234"}},
  };
  uint32_t seed = 11;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<TLine> lines = Progeny(30000, 34000, 6000);
    const std::vector<TLine> shown = {lines[0], lines[1], lines[2]};
    lines.insert(lines.end(), row.extra.begin(), row.extra.end());
    std::vector<TLine> truth = shown;
    truth.insert(truth.end(), row.extra.begin(), row.extra.end());
    const TRadiationSpectr spectr = Synthetic(row.cal, lines, 1, seed++);
    const std::vector<SpectrPeaks::TPeak> peaks = SpectrPeaks::FindPeaks(spectr);
    EXPECT_EQ(peaks.size(), truth.size());
    for (size_t i = 0; i < truth.size(); ++i) {
      const double channel = static_cast<double>((truth[i].Kev - row.cal.B) / row.cal.A);
      const auto found = std::find_if(peaks.begin(), peaks.end(),
                                      [&](const SpectrPeaks::TPeak& p) { return std::abs(p.Channel - channel) <= 1; });
      ASSERT_NE(found, peaks.end()) << truth[i].Kev;
      EXPECT_EQ(found->Nuclide, row.names[i]);
    }
  }
}

TEST(SpectrPeaks, NetCountsWithinThreeSigmaAfterBackgroundTailsAndBi212) {
  const TCalibration cal{9.77L, -4};
  const TCalibration bgCal{9.71L, 11};
  const TLine am{5486, 1500};
  std::vector<TLine> lines = Progeny(30000, 34000, 6000);
  lines.push_back(am);
  const TRadiationSpectr main = Synthetic(cal, lines, 3, 5);
  // The background's floor of 3 counts a channel in its own channels.
  const TRadiationSpectr background = Synthetic(bgCal, {}, 3 * 9.71 / 9.77, 6);
  const SpectrPeaks::TAnalysis analysis = SpectrPeaks::Analyse(main, &background);

  struct TRow {
    const char* nuclide;
    std::vector<TLine> own;  // the lines whose counts in the window are the truth
  };
  const TRow rows[] = {
      {"Am-241", {am}},
      {"Po-218", {lines[0]}},
      {"Po-214", {lines[1]}},
      {"Po-212", {lines[2]}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.nuclide);
    const SpectrPeaks::TRegion* r = RegionOf(analysis, row.nuclide);
    ASSERT_NE(r, nullptr);
    double truth = 0;
    for (const TLine& line : row.own) truth += ExpectedIn(line, cal, r->Low, r->High);
    EXPECT_GT(r->Sigma, 0);
    EXPECT_NEAR(r->Net, truth, 3 * r->Sigma) << r->Low << ".." << r->High;
    EXPECT_NEAR(r->FromKev, static_cast<double>(cal.A * r->Low + cal.B), 1e-6);
  }
  // The small peak sits in the tails of all three progeny: without their
  // subtraction its net would be far off.
  EXPECT_GT(RegionOf(analysis, "Am-241")->Tail, 3 * RegionOf(analysis, "Am-241")->Sigma);

  // Bi-212 is Po-212's branch and is not counted as Po-218.
  const SpectrPeaks::TRegion* bi = RegionOf(analysis, "Bi-212");
  const SpectrPeaks::TRegion* po212 = RegionOf(analysis, "Po-212");
  ASSERT_NE(bi, nullptr);
  EXPECT_TRUE(bi->Derived);
  EXPECT_DOUBLE_EQ(bi->Net, 0.561 * po212->Net);
  EXPECT_EQ(&*bi - &*RegionOf(analysis, "Po-218"), 1);
  const double biTruth = ExpectedIn(lines[3], cal, bi->Low, bi->High) + ExpectedIn(lines[4], cal, bi->Low, bi->High);
  EXPECT_NEAR(bi->Net, biTruth, 3 * bi->Sigma + 0.05 * biTruth);
}

TEST(SpectrPeaks, ProgenyRegionsStandWhereNoPeakIsAndNothingIsFoundInNoise) {
  const TCalibration cal{9.77L, -4};
  // Thoron only: Bi-212 stands as a peak of its own, measured, where
  // Po-218 would be; Po-214's region is still reported with the floor only.
  const TRadiationSpectr thoron = Synthetic(cal, Progeny(0, 0, 5000), 2, 9);
  const SpectrPeaks::TAnalysis analysis = SpectrPeaks::Analyse(thoron, nullptr);
  ASSERT_EQ(analysis.Peaks.size(), 2u);
  EXPECT_EQ(RegionOf(analysis, "Po-218"), nullptr);
  const SpectrPeaks::TRegion* bi = RegionOf(analysis, "Bi-212");
  ASSERT_NE(bi, nullptr);
  EXPECT_FALSE(bi->Derived);
  EXPECT_NEAR(bi->Net, 0.561 * RegionOf(analysis, "Po-212")->Net, 0.15 * bi->Net);
  const SpectrPeaks::TRegion* po214 = RegionOf(analysis, "Po-214");
  ASSERT_NE(po214, nullptr);
  EXPECT_FALSE(po214->Found);
  EXPECT_LT(std::abs(po214->Net - (po214->High - po214->Low + 1) * 2.0), 3 * po214->Sigma);
  EXPECT_TRUE(SpectrPeaks::FindPeaks(Synthetic(cal, {}, 20, 10)).empty());
  EXPECT_TRUE(SpectrPeaks::FindPeaks(TRadiationSpectr()).empty());
}

TEST(SpectrPeaks, CalibratesFromTheProgenyPeaksFromAnyStartingCalibration) {
  const TCalibration truth{9.77L, -4};
  struct TRow {
    const char* what;
    std::vector<TLine> lines;
    TCalibration start;
    const char* first;
    const char* second;
  };
  const std::vector<TLine> radon = Progeny(30000, 34000, 6000);
  std::vector<TLine> withEmitter = radon;
  withEmitter.push_back({5486, 2000});
  const TRow rows[] = {
      {"keV", radon, {9.5L, 20}, "Po-218", "Po-214"},
      {"MeV", withEmitter, {0.00977L, -0.004L}, "Po-218", "Po-214"},
      {"A = 1, B = 0", radon, {1, 0}, "Po-218", "Po-214"},
      {"radon only, A = 1", {{6002, 30000}, {7687, 34000}}, {1, 0}, "Po-218", "Po-214"},
      {"Po-218 decayed", Progeny(1500, 20000, 8000), {1, 0}, "Po-214", "Po-212"},
  };
  uint32_t seed = 21;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    TRadiationSpectr spectr = Synthetic(truth, row.lines, 1, seed++);
    spectr.SetCalibration(row.start.A, row.start.B);
    const auto found = SpectrPeaks::CalibrateFromPeaks(spectr);
    ASSERT_TRUE(found);
    EXPECT_NEAR(static_cast<double>(found->Calibration.A), 9.77, 0.005 * 9.77);
    EXPECT_NEAR(static_cast<double>(found->Calibration.B), -4, 15);
    EXPECT_EQ(found->Name1, row.first);
    EXPECT_EQ(found->Name2, row.second);
    // The spectrum itself is not recalibrated.
    EXPECT_EQ(spectr.A(), row.start.A);
  }
  EXPECT_FALSE(SpectrPeaks::CalibrateFromPeaks(Synthetic(truth, {{7687, 30000}}, 1, 3)));
}

TEST(SpectrEnergy, RebinningConservesCountsAndAlignsByEnergy) {
  struct TRow {
    TCalibration source;
    TCalibration target;
    bool aligned;  // false: no energy to align by, counts stay channel for channel
  };
  const TRow rows[] = {
      {{9.71L, 11}, {9.77L, -4}, true}, {{9.77L, -4}, {9.71L, 11}, true},    {{4.9L, 0}, {9.8L, 0}, true},
      {{9.8L, 0}, {6.0L, 0}, true},     {{-9.77L, 10000}, {9.77L, 0}, true}, {{0, 5}, {9.77L, 0}, false},
      {{9.77L, 0}, {0, 0}, false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(static_cast<double>(row.source.A));
    // A narrow peak at 5000 keV on a floor, all within both ranges.
    TRadiationSpectr source;
    source.SetCalibration(row.source.A, row.source.B);
    const double peakChannel = row.source.A != 0 ? static_cast<double>((5000 - row.source.B) / row.source.A) : 500;
    int64_t total = 0;
    for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
      const int count = c == std::lround(peakChannel) ? 1000 : (c > 200 && c < 400 ? 7 : 0);
      source.SetChannel(c, count);
      total += count;
    }
    const SpectrEnergy::TChannelCounts moved = SpectrEnergy::Rebinned(source, row.target);
    double sum = 0;
    int top = 0;
    for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
      sum += moved[static_cast<size_t>(c)];
      if (moved[static_cast<size_t>(c)] > moved[static_cast<size_t>(top)]) top = c;
    }
    EXPECT_NEAR(sum, static_cast<double>(total), 1e-6 * total);
    if (row.aligned)
      EXPECT_NEAR(top, static_cast<double>((5000 - row.target.B) / row.target.A), 2);
    else
      EXPECT_EQ(moved[500], source.Channel(500));
  }
}

TEST(SpectrEnergy, NetAreaOfARegionWithTheBackgroundAlignedAndScaled) {
  TRadiationSpectr main;
  main.SetCalibration(10, 0);
  TRadiationSpectr background;
  background.SetCalibration(5, 0);  // two of its channels make one of main's
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
    main.SetChannel(c, 100);
    background.SetChannel(c, 4);
  }
  struct TRow {
    int low, high;
    double scale;
    double gross, background, net, sigma, fromKev, toKev;
  };
  const TRow rows[] = {
      {100, 109, 1, 1000, 80, 920, std::sqrt(1080.0), 1000, 1090},
      {109, 100, 0.5, 1000, 40, 960, std::sqrt(1020.0), 1000, 1090},
      {-5, 4, 1, 500, 38, 462, std::sqrt(538.0), 0, 40},  // clipped at channel 0; half a channel at the edge
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.low);
    const SpectrEnergy::TNetArea a = SpectrEnergy::NetArea(main, &background, row.low, row.high, row.scale);
    EXPECT_EQ(a.Gross, row.gross);
    EXPECT_NEAR(a.Background, row.background, 1e-9);
    EXPECT_NEAR(a.Net, row.net, 1e-9);
    EXPECT_NEAR(a.Sigma, row.sigma, 1e-9);
    EXPECT_DOUBLE_EQ(a.FromKev, row.fromKev);
    EXPECT_DOUBLE_EQ(a.ToKev, row.toKev);
  }
  EXPECT_FALSE(SpectrEnergy::TwoPoint(100, 500, 100, 900));
  const auto line = SpectrEnergy::TwoPoint(100, 500, 300, 1500);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->A, 5);
  EXPECT_EQ(line->B, 0);
}

TEST(SpectrN42, DocumentParsesBackWithEveryCountAndValue) {
  TRadiationSpectr main;
  main.SetCalibration(9.77L, -4);
  main.SetComment("\xCF\xF0\xEE\xE1\xE0 1");  // "Проба 1" in Windows-1251
  TRadiationSpectr background;
  background.SetCalibration(9.71L, 11);
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
    main.SetChannel(c, c * 7 % 1001);
    background.SetChannel(c, c % 3);
  }
  const SpectrN42::TMeasurement foreground = SpectrN42::Timed(main, false, "10/12/2026 04.30.00", "60");
  const SpectrN42::TMeasurement shielded = SpectrN42::Timed(background, true, "not a time", "x");
  const QByteArray document = SpectrN42::Document({foreground, shielded}, {QStringLiteral("00107"), "1.0"});

  struct TMeasured {
    QString classCode, start, real, calibrationRef, remark;
    QStringList channels;
  };
  std::vector<TMeasured> measured;
  QMap<QString, QString> calibrations;
  QString calibrationId;
  QXmlStreamReader xml(document);
  ASSERT_TRUE(document.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    EXPECT_EQ(xml.namespaceUri(), QLatin1String(SpectrN42::kNamespace)) << xml.name().toString().toStdString();
    const QString name = xml.name().toString();
    if (name == "RadMeasurement") measured.emplace_back();
    if (name == "EnergyCalibration") calibrationId = xml.attributes().value("id").toString();
    if (name == "CoefficientValues") calibrations[calibrationId] = xml.readElementText();
    if (name == "Spectrum")
      measured.back().calibrationRef = xml.attributes().value("energyCalibrationReference").toString();
    if (name == "MeasurementClassCode") measured.back().classCode = xml.readElementText();
    if (name == "StartDateTime") measured.back().start = xml.readElementText();
    if (name == "RealTimeDuration") measured.back().real = xml.readElementText();
    if (name == "Remark") measured.back().remark = xml.readElementText();
    if (name == "ChannelData") {
      EXPECT_EQ(xml.attributes().value("compressionCode"), QLatin1String("None"));
      measured.back().channels = xml.readElementText().split(' ', Qt::SkipEmptyParts);
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  ASSERT_EQ(measured.size(), 2u);
  const TMeasured& m = measured[0];
  EXPECT_EQ(m.classCode, "Foreground");
  EXPECT_EQ(m.start, "2026-12-10T03:30:00");
  EXPECT_EQ(m.real, "PT3600.000S");
  EXPECT_EQ(m.remark, QStringLiteral("Проба 1"));
  EXPECT_EQ(calibrations.value(m.calibrationRef), "-4 9.77");
  EXPECT_EQ(measured[1].classCode, "Background");
  EXPECT_TRUE(measured[1].start.isEmpty());
  EXPECT_TRUE(measured[1].real.isEmpty());
  EXPECT_EQ(calibrations.value(measured[1].calibrationRef), "11 9.71");
  for (size_t i = 0; i < 2; ++i) {
    const TRadiationSpectr& spectr = i == 0 ? main : background;
    ASSERT_EQ(measured[i].channels.size(), TRadiationSpectr::kChannels);
    for (int c = 0; c < TRadiationSpectr::kChannels; ++c)
      ASSERT_EQ(measured[i].channels[c].toInt(), spectr.Channel(c)) << i << ' ' << c;
  }
}
