#include "ArchiveChartData.h"

#include "DeviceArchive.h"
#include "DeviceValues.h"
#include "TextUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();
// The interval taken when the records cannot tell theirs, and the room
// around a single moment.
constexpr double kMinute = 60;

// The alarm settings of a measured column, as the installation names them.
struct TLevelNames {
  const char* Column;
  const char* Level1;
  const char* Level2;
};
constexpr TLevelNames kLevels[] = {{"SUMALPHA", "ALPHAALARM1", "ALPHAALARM2"}, {"SUMBETA", "BETAALARM1", "BETAALARM2"}};

// A number as the installation writes it: plain decimal notation with "."
// and an optional sign, blanks around it allowed (no "inf", "nan" or
// hexadecimal forms). In double precision, which a chart needs and which
// reads ten thousand records many times faster than the extended precision
// of the settings pages.
std::optional<double> ChartNumber(const QByteArray& text) {
  const char* begin = text.constData();
  const char* end = begin + text.size();
  while (begin < end && static_cast<unsigned char>(*begin) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(end[-1]) <= 32) --end;
  const bool negative = begin < end && *begin == '-';
  if (begin < end && (*begin == '-' || *begin == '+')) ++begin;
  if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.')) return std::nullopt;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ptr != end || ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

// A value that is a name written in digits rather than a quantity: an
// integer part with a leading zero, as the serial number "00107".
bool LooksLikeName(const QByteArray& text) {
  const QByteArray value = text.trimmed();
  const int start = value.startsWith('-') || value.startsWith('+') ? 1 : 0;
  return value.size() > start + 1 && value[start] == '0' && std::isdigit(static_cast<unsigned char>(value[start + 1]));
}

int FindSeries(const std::vector<TArchiveChartData::TSeries>& series, const char* name) {
  for (size_t i = 0; i < series.size(); ++i)
    if (TextUtils::SameTextAscii(series[i].Name, name)) return static_cast<int>(i);
  return -1;
}

}  // namespace

TArchiveChartData::TArchiveChartData(const TDeviceArchive& archive, const QStringList& captions) {
  const TOPVarList* columns = archive.Columns();
  const int records = archive.RecordCount();
  const int columnCount = columns ? columns->Count() : 0;
  for (int c = 0; c < columnCount && FDateTimeColumn < 0; ++c)
    if (TextUtils::SameTextAscii(columns->GetItem(c)->Name, "DATETIME")) FDateTimeColumn = c;

  std::vector<std::optional<double>> moments(static_cast<size_t>(records));
  FDateTimes.resize(static_cast<size_t>(records));
  FHasTime.resize(static_cast<size_t>(records), false);
  for (int r = 0; r < records && FDateTimeColumn >= 0; ++r) {
    FDateTimes[static_cast<size_t>(r)] = archive.Value(r, FDateTimeColumn);
    if (const auto moment = DeviceValues::DeviceMoment(FDateTimes[static_cast<size_t>(r)])) {
      moments[static_cast<size_t>(r)] = static_cast<double>(moment->toSecsSinceEpoch());
      FHasTime[static_cast<size_t>(r)] = true;
    }
  }
  FUntimed = static_cast<int>(std::count(FHasTime.begin(), FHasTime.end(), false));
  FTimed = FUntimed < records;
  FX = Place(moments);

  FOrder.resize(static_cast<size_t>(records));
  std::iota(FOrder.begin(), FOrder.end(), 0);
  std::stable_sort(FOrder.begin(), FOrder.end(),
                   [this](int a, int b) { return FX[static_cast<size_t>(a)] < FX[static_cast<size_t>(b)]; });
  if (records > 0) {
    const double first = FX[static_cast<size_t>(FOrder.front())];
    const double last = FX[static_cast<size_t>(FOrder.back())];
    const double room = FTimed ? kMinute : 0.5;
    FExtent = last > first ? ChartAxis::TRange{first, last} : ChartAxis::TRange{first - room, last + room};
  }

  // A column is numeric when most of its values are numbers; the others are
  // gaps in its line.
  for (int c = 0; c < columnCount; ++c) {
    if (c == FDateTimeColumn) continue;
    TSeries series;
    series.Column = c;
    series.Name = columns->GetItem(c)->Name;
    series.Caption = c < captions.size() ? captions[c] : QString();
    series.ShownByDefault = ShownByDefault(series.Name);
    series.Values.assign(static_cast<size_t>(records), kNoNumber);
    series.Unit = UnitOf(series.Caption);
    int numbers = 0;
    int texts = 0;
    bool names = IsTextColumn(series.Name);
    for (int r = 0; r < records && !names; ++r) {
      const QByteArray value = archive.Value(r, c);
      if (std::all_of(value.begin(), value.end(), [](char b) { return static_cast<unsigned char>(b) <= 32; })) continue;
      ++texts;
      names = LooksLikeName(value);
      if (const auto number = ChartNumber(value)) {
        series.Values[static_cast<size_t>(r)] = *number;
        ++numbers;
      }
    }
    if (!names && numbers > 0 && 2 * numbers >= texts) FSeries.push_back(std::move(series));
  }
  for (const TLevelNames& names : kLevels) {
    const int measured = FindSeries(FSeries, names.Column);
    if (measured < 0) continue;
    FSeries[static_cast<size_t>(measured)].Level1 = FindSeries(FSeries, names.Level1);
    FSeries[static_cast<size_t>(measured)].Level2 = FindSeries(FSeries, names.Level2);
  }
}

std::vector<double> TArchiveChartData::Place(const std::vector<std::optional<double>>& moments) {
  const int count = static_cast<int>(moments.size());
  std::vector<double> x(moments.size());
  std::vector<int> timed;
  for (int i = 0; i < count; ++i)
    if (moments[static_cast<size_t>(i)]) timed.push_back(i);
  if (timed.empty()) {
    std::iota(x.begin(), x.end(), 0.0);
    return x;
  }
  const auto at = [&moments](int i) { return *moments[static_cast<size_t>(i)]; };
  const int first = timed.front();
  const int last = timed.back();
  const double step = last > first && at(last) != at(first) ? (at(last) - at(first)) / (last - first) : kMinute;
  size_t next = 0;  // the first timed record at or after i
  for (int i = 0; i < count; ++i) {
    while (next < timed.size() && timed[next] < i) ++next;
    double place = 0;
    if (moments[static_cast<size_t>(i)]) {
      place = at(i);
    } else if (i < first) {
      place = at(first) - (first - i) * step;
    } else if (i > last) {
      place = at(last) + (i - last) * step;
    } else {
      const int before = timed[next - 1];
      const int after = timed[next];
      place = at(before) + (at(after) - at(before)) * (i - before) / (after - before);
    }
    x[static_cast<size_t>(i)] = place;
  }
  return x;
}

bool TArchiveChartData::ShownByDefault(const QByteArray& name) {
  const QByteArray upper = TextUtils::AsciiUpper(name);
  static const QByteArrayList kHidden = {"MODE",        "STATUS",      "DRYCONTACTIN", "DRYCONTACTOUT",
                                         "ALPHAALARM1", "ALPHAALARM2", "BETAALARM1",   "BETAALARM2"};
  return !kHidden.contains(upper) && !(upper.contains("ALARM") && upper.endsWith("ON"));
}

bool TArchiveChartData::IsTextColumn(const QByteArray& name) { return TextUtils::SameTextAscii(name, "SERIALN"); }

QString TArchiveChartData::UnitOf(const QString& caption) {
  const QString trimmed = caption.trimmed();
  const qsizetype open = trimmed.lastIndexOf('(');
  if (!trimmed.endsWith(')') || open < 0) return {};
  QString unit = trimmed.mid(open + 1, trimmed.size() - open - 2).trimmed();
  return unit.replace(QStringLiteral("**2"), QStringLiteral("²")).replace(QStringLiteral("**3"), QStringLiteral("³"));
}

std::pair<int, int> TArchiveChartData::Within(const ChartAxis::TRange& range) const {
  const auto place = [this](int record) { return FX[static_cast<size_t>(record)]; };
  const auto first = std::lower_bound(FOrder.begin(), FOrder.end(), range.From,
                                      [&place](int record, double x) { return place(record) < x; });
  const auto end =
      std::upper_bound(first, FOrder.end(), range.To, [&place](double x, int record) { return x < place(record); });
  return {static_cast<int>(first - FOrder.begin()), static_cast<int>(end - FOrder.begin())};
}

int TArchiveChartData::Nearest(double x) const {
  if (FOrder.empty()) return -1;
  const auto place = [this](int record) { return FX[static_cast<size_t>(record)]; };
  const auto after =
      std::lower_bound(FOrder.begin(), FOrder.end(), x, [&place](int record, double v) { return place(record) < v; });
  if (after == FOrder.begin()) return *after;
  if (after == FOrder.end()) return FOrder.back();
  const int before = *(after - 1);
  return x - place(before) <= place(*after) - x ? before : *after;
}

QByteArray TArchiveChartData::DateTimeText(int record) const {
  return record >= 0 && record < RecordCount() ? FDateTimes[static_cast<size_t>(record)] : QByteArray();
}
