#pragma once

#include <QString>

#include <vector>

// The scales of the archive chart: where a value or a moment falls on the
// picture, how the time axis zooms and pans, and where the ticks go. Moments
// are seconds since the epoch, counted in UTC, which holds the installation's
// clock without a time zone; records without a time count by position.
namespace ChartAxis {

struct TRange {
  double From = 0;
  double To = 1;
  double Span() const { return To - From; }
  bool operator==(const TRange& other) const { return From == other.From && To == other.To; }
};

// The fraction of the range (0 at From, 1 at To) at which a value lies. On a
// logarithmic scale it is the fraction of the value's logarithm; a value at
// or below zero has none and lies at the bottom, 0.
double Fraction(double value, const TRange& range, bool logarithmic);
// The value at a fraction of a linear range.
double ValueAt(double fraction, const TRange& range);

// The time range after a turn of the wheel: the moment under the pointer
// (anchor) stays where it is, the span is multiplied by factor (below 1
// zooms in) but stays between minSpan and the whole of limits, and the range
// is moved back inside limits.
TRange Zoom(const TRange& range, double anchor, double factor, const TRange& limits, double minSpan);
// The range moved by shift, stopped at the limits.
TRange Pan(const TRange& range, double shift, const TRange& limits);

// The values a band shows for data from low to high. Linear: a twentieth
// more each way (a single value: 10 % of it, or 1 around zero). Logarithmic,
// low being the smallest positive value: a fifth more each way in ratio;
// without a positive value 1 to 10.
TRange ValueRange(double low, double high, bool logarithmic);
// Linear: multiples of 1, 2 or 5 times a power of ten, at most maxTicks
// (more where that leaves fewer than two).
// Logarithmic: the powers of ten inside the range; 1, 2 and 5 times them
// when fewer than two fall inside; every digit times them when still fewer;
// the linear ticks when even those are fewer than two.
std::vector<double> ValueTicks(const TRange& range, bool logarithmic, int maxTicks);
// A value as a tick and the pointer's readout show it: up to six significant
// digits without trailing zeros, in exponent form past that.
QString ValueLabel(double value);

// The ticks of the time axis: the smallest step of a fixed ladder (seconds
// to a century) that puts at most maxTicks into the range. Steps up to two
// days fall on whole multiples of it, so that they start at midnight;
// longer ones on the calendar: weeks on Mondays, months on the 1st,
// quarters and half years on the 1st of January, April, July, October,
// years on 1 January. Step is the step's length in seconds (a month's and a
// year's the mean one).
struct TTimeTicks {
  double Step = 0;
  std::vector<double> At;
};
TTimeTicks TimeTicks(const TRange& range, int maxTicks);
// The label of a tick: the date for steps of a day and more, the time of day
// below (with seconds below a minute).
QString TimeLabel(double moment, double step);
// The date of a moment, shown under the first tick of every day.
QString DayLabel(double moment);
// Date and time of a moment to the minute, as the saved picture names its
// period.
QString MomentLabel(double moment);

}  // namespace ChartAxis
