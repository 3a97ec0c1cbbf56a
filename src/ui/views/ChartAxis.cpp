#include "ChartAxis.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ChartAxis {

namespace {

// Steps of the time axis, in seconds: from a second to a year.
constexpr double kTimeSteps[] = {1,      2,      5,       10,      15,      30,       60,      120,   300,
                                 600,    900,    1800,    3600,    7200,    10800,    21600,   43200, 86400,
                                 172800, 604800, 1209600, 2592000, 7776000, 15552000, 31536000};

// The multiples of step from the first at or after From to the last at or
// before To; none for a thousand or more.
std::vector<double> Multiples(const TRange& range, double step) {
  std::vector<double> at;
  if (!(step > 0)) return at;
  const double first = std::ceil(range.From / step - 1e-9);
  const double last = std::floor(range.To / step + 1e-9);
  if (!(last - first < 1000)) return at;
  for (auto i = static_cast<int64_t>(first); i <= static_cast<int64_t>(last); ++i)
    at.push_back(static_cast<double>(i) * step);
  return at;
}

QDateTime MomentOf(double moment) { return QDateTime::fromSecsSinceEpoch(std::llround(moment), Qt::UTC); }

}  // namespace

double Fraction(double value, const TRange& range, bool logarithmic) {
  if (!logarithmic) return range.Span() == 0 ? 0.0 : (value - range.From) / range.Span();
  if (!(value > 0) || !(range.From > 0) || !(range.To > range.From)) return 0.0;
  const double from = std::log10(range.From);
  return (std::log10(value) - from) / (std::log10(range.To) - from);
}

double ValueAt(double fraction, const TRange& range) { return range.From + fraction * range.Span(); }

TRange Zoom(const TRange& range, double anchor, double factor, const TRange& limits, double minSpan) {
  if (!(range.Span() > 0) || !(factor > 0)) return range;
  const double span = std::clamp(range.Span() * factor, std::min(minSpan, limits.Span()), limits.Span());
  const double from = anchor - (anchor - range.From) * span / range.Span();
  return Pan({from, from + span}, 0, limits);
}

TRange Pan(const TRange& range, double shift, const TRange& limits) {
  if (range.Span() >= limits.Span()) return limits;
  shift = std::clamp(shift, limits.From - range.From, limits.To - range.To);
  return {range.From + shift, range.To + shift};
}

TRange ValueRange(double low, double high, bool logarithmic) {
  if (logarithmic) {
    if (!(low > 0) || !(high >= low)) return {1, 10};
    return {low / 1.2, high * 1.2};
  }
  if (!(high >= low)) return {0, 1};
  if (high == low) {
    const double pad = low == 0 ? 1 : std::abs(low) * 0.1;
    return {low - pad, high + pad};
  }
  const double pad = (high - low) / 20;
  return {low - pad, high + pad};
}

std::vector<double> ValueTicks(const TRange& range, bool logarithmic, int maxTicks) {
  maxTicks = std::max(maxTicks, 1);
  if (!logarithmic) {
    if (!(range.Span() > 0)) return {};
    const double raw = range.Span() / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    // The smallest round step that keeps to maxTicks; a smaller one where
    // that leaves fewer than two ticks in a short band.
    const double steps[] = {magnitude / 2, magnitude, 2 * magnitude, 5 * magnitude, 10 * magnitude};
    size_t chosen = 1;
    while (chosen + 1 < std::size(steps) && steps[chosen] < raw) ++chosen;
    std::vector<double> ticks = Multiples(range, steps[chosen]);
    while (ticks.size() < 2 && chosen > 0) ticks = Multiples(range, steps[--chosen]);
    return ticks;
  }
  if (!(range.From > 0) || !(range.To > range.From)) return {};
  // The exponents of the powers of ten around the range (a double holds
  // hardly 630 of them).
  const int low = static_cast<int>(std::floor(std::log10(range.From)));
  const int high = static_cast<int>(std::ceil(std::log10(range.To)));
  std::vector<double> ticks;
  const int every = std::max(1, (high - low + maxTicks - 1) / maxTicks);
  for (int e = low; e <= high; ++e) {
    const double value = std::pow(10.0, e);
    if (e % every == 0 && value >= range.From && value <= range.To) ticks.push_back(value);
  }
  for (const std::vector<double>& digits :
       {std::vector<double>{1, 2, 5}, std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9}}) {
    if (ticks.size() >= 2) break;
    ticks.clear();
    for (int e = low; e <= high; ++e)
      for (const double digit : digits) {
        const double value = digit * std::pow(10.0, e);
        if (value >= range.From && value <= range.To) ticks.push_back(value);
      }
  }
  // A range within one decade's digits gets the ticks of a linear one.
  if (ticks.size() < 2) return ValueTicks(range, false, maxTicks);
  return ticks;
}

QString ValueLabel(double value) { return QString::number(value, 'g', 6); }

TTimeTicks TimeTicks(const TRange& range, int maxTicks) {
  maxTicks = std::max(maxTicks, 1);
  double step = kTimeSteps[std::size(kTimeSteps) - 1];
  for (const double candidate : kTimeSteps) {
    if (range.Span() / candidate <= maxTicks) {
      step = candidate;
      break;
    }
  }
  return {step, Multiples(range, step)};
}

QString TimeLabel(double moment, double step) {
  const QDateTime time = MomentOf(moment);
  if (step >= 86400) return time.toString(QStringLiteral("dd.MM.yyyy"));
  return time.toString(step >= 60 ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss"));
}

QString DayLabel(double moment) { return MomentOf(moment).toString(QStringLiteral("dd.MM.yyyy")); }

}  // namespace ChartAxis
