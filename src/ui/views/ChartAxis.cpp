#include "ChartAxis.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ChartAxis {

namespace {

// Steps of the time axis up to two days, in seconds: whole multiples of
// them since the epoch start at midnight.
constexpr double kTimeSteps[] = {1,   2,    5,    10,   15,    30,    60,    120,   300,   600,
                                 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800};
constexpr double kDay = 86400;
constexpr double kWeek = 7 * kDay;
// 1970-01-01 was a Thursday; the first Monday came four days later.
constexpr double kFirstMonday = 4 * kDay;
// The mean month and year, for choosing a step only: their ticks are
// counted on the calendar.
constexpr double kMonth = 2629746;
constexpr double kYear = 31556952;
// Calendar steps past two days: weeks from Monday, months from the 1st
// (quarters and half years from January), years from 1 January.
struct TCalendarStep {
  double Seconds;
  int Weeks;
  int Months;
};
constexpr TCalendarStep kCalendarSteps[] = {{kWeek, 1, 0},        {2 * kWeek, 2, 0},    {kMonth, 0, 1},
                                            {3 * kMonth, 0, 3},   {6 * kMonth, 0, 6},   {kYear, 0, 12},
                                            {2 * kYear, 0, 24},   {5 * kYear, 0, 60},   {10 * kYear, 0, 120},
                                            {20 * kYear, 0, 240}, {50 * kYear, 0, 600}, {100 * kYear, 0, 1200}};
constexpr int kMaxTicks = 1000;

// The multiples of step from the first at or after From to the last at or
// before To; none for a thousand or more.
std::vector<double> Multiples(const TRange& range, double step) {
  std::vector<double> at;
  if (!(step > 0)) return at;
  const double first = std::ceil(range.From / step - 1e-9);
  const double last = std::floor(range.To / step + 1e-9);
  if (!(last - first < kMaxTicks)) return at;
  for (auto i = static_cast<int64_t>(first); i <= static_cast<int64_t>(last); ++i)
    at.push_back(static_cast<double>(i) * step);
  return at;
}

QDateTime MomentOf(double moment) { return QDateTime::fromSecsSinceEpoch(std::llround(moment), Qt::UTC); }

// The first days of every months-th month (counted from January of year 0)
// inside the range.
std::vector<double> MonthStarts(const TRange& range, int months) {
  std::vector<double> at;
  const QDate first = MomentOf(range.From).date();
  int index = first.year() * 12 + first.month() - 1;
  index += (months - index % months) % months;
  if (QDate(index / 12, index % 12 + 1, 1).startOfDay(Qt::UTC).toSecsSinceEpoch() < range.From - 1e-9) index += months;
  for (; static_cast<int>(at.size()) < kMaxTicks; index += months) {
    const double moment =
        static_cast<double>(QDate(index / 12, index % 12 + 1, 1).startOfDay(Qt::UTC).toSecsSinceEpoch());
    if (moment > range.To + 1e-9) break;
    at.push_back(moment);
  }
  return at;
}

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
  for (const double candidate : kTimeSteps)
    if (range.Span() / candidate <= maxTicks) return {candidate, Multiples(range, candidate)};
  const TCalendarStep* step = std::end(kCalendarSteps) - 1;
  for (const TCalendarStep& candidate : kCalendarSteps) {
    if (range.Span() / candidate.Seconds <= maxTicks) {
      step = &candidate;
      break;
    }
  }
  if (step->Months > 0) return {step->Seconds, MonthStarts(range, step->Months)};
  std::vector<double> at = Multiples({range.From - kFirstMonday, range.To - kFirstMonday}, step->Weeks * kWeek);
  for (double& moment : at) moment += kFirstMonday;
  return {step->Seconds, at};
}

QString TimeLabel(double moment, double step) {
  const QDateTime time = MomentOf(moment);
  if (step >= 86400) return time.toString(QStringLiteral("dd.MM.yyyy"));
  return time.toString(step >= 60 ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss"));
}

QString DayLabel(double moment) { return MomentOf(moment).toString(QStringLiteral("dd.MM.yyyy")); }

QString MomentLabel(double moment) { return MomentOf(moment).toString(QStringLiteral("dd.MM.yyyy HH:mm")); }

}  // namespace ChartAxis
