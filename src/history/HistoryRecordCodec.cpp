#include "HistoryRecordCodec.h"

#include "DeviceValues.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <cmath>
#include <cstring>
#include <limits>

namespace HistoryRecordCodec {

namespace {

constexpr int kLayoutBits = 3;
constexpr int kMaxDecimals = 6;

// "-12.50", "0.3", "7": digits with no leading zero, at most 15 of them, so
// that printing the number with as many decimals gives the text back
// without printing it. "-0", "-0.00" and "007" are not: they take the slow
// check.
bool IsPlainFixedPoint(const QByteArray& text) {
  qsizetype at = text.startsWith('-') ? 1 : 0;
  const qsizetype start = at;
  int digits = 0;
  bool nonZero = false;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.') {
      if (point || at == start || at + 1 == text.size()) return false;
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (c == '0' && at == start && at + 1 < text.size() && text[at + 1] != '.') return false;
      nonZero = nonZero || c != '0';
      ++digits;
    } else {
      return false;
    }
  }
  return digits > 0 && digits <= 15 && (start == 0 || nonZero);
}

int LayoutOf(qint64 layouts, int column) {
  return static_cast<int>((static_cast<quint64>(layouts) >> (column * kLayoutBits)) & 0x7);
}

}  // namespace

std::optional<qint64> Moment(const QByteArray& dateTime) {
  const DeviceValues::TDeviceDateTime parsed = DeviceValues::ParseDeviceDateTime(dateTime);
  if (!parsed.Date || !parsed.Time) return std::nullopt;
  const qint64 wall = QDateTime(*parsed.Date, *parsed.Time, Qt::UTC).toSecsSinceEpoch();
  // The C library asks the file system for the zone on every conversion; a
  // year of records is converted hour by hour instead. The offset of an hour
  // is taken at its start: a record whose moment does not give its text
  // back keeps the text anyway.
  thread_local qint64 hour = std::numeric_limits<qint64>::min();
  thread_local std::optional<qint64> offset;
  if (wall / 3600 != hour) {
    hour = wall / 3600;
    const QDateTime local(*parsed.Date, QTime(parsed.Time->hour(), 0), Qt::LocalTime);
    // An hour that the local clock skips has no moment of its own; the
    // installation's clock does not skip it, so it is taken as UTC.
    offset = local.isValid() ? std::optional<qint64>(local.offsetFromUtc()) : std::nullopt;
  }
  return wall - offset.value_or(0);
}

QByteArray MomentText(qint64 moment) {
  thread_local qint64 hour = std::numeric_limits<qint64>::min();
  thread_local qint64 offset = 0;
  if (moment / 3600 != hour) {
    hour = moment / 3600;
    offset = QDateTime::fromSecsSinceEpoch(hour * 3600).offsetFromUtc();
  }
  const QDateTime wall = QDateTime::fromSecsSinceEpoch(moment + offset, Qt::UTC);
  return DeviceValues::FormatDeviceDateTime(wall.date(), wall.time());
}

const QByteArrayList& ArchiveColumns() {
  static const QByteArrayList columns = {
      "MODE",        "DATETIME",   "SERIALN",    "DRYCONTACTIN",  "DRYCONTACTOUT", "STATUS",       "ALPHAALARM1",
      "ALPHAALARM2", "BETAALARM1", "BETAALARM2", "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON",
      "SUMALPHA",    "SUMBETA",    "RADON",      "FLOW",          "VOLUME"};
  return columns;
}

const QByteArrayList& NumericColumns() {
  static const QByteArrayList columns = [] {
    QByteArrayList names;
    for (int c = 0; c < ArchiveColumns().size(); ++c)
      if (c != kDateTimeColumn && c != kSerialColumn) names << ArchiveColumns()[c].toLower();
    return names;
  }();
  return columns;
}

TNumber EncodeNumber(const QByteArray& text) {
  if (text.isEmpty()) return {};
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return {std::nullopt, kTextLayout};
  const qsizetype point = text.indexOf('.');
  const int decimals = point < 0 ? 0 : static_cast<int>(text.size() - point - 1);
  if (decimals > kMaxDecimals) return {value, kTextLayout};
  if (IsPlainFixedPoint(text)) return {value, decimals};
  if (DecodeNumber(value, decimals) == text) return {value, decimals};
  return {value, kTextLayout};
}

QByteArray DecodeNumber(const std::optional<double>& value, int layout) {
  if (!value) return {};
  return QByteArray::number(*value, 'f', std::clamp(layout, 0, kMaxDecimals));
}

qint64 Digest(const QByteArrayList& values) {
  // The values, each ended by a zero byte, hashed in one piece: a year of
  // records is half a million digests.
  thread_local QByteArray joined;
  joined.clear();
  for (const QByteArray& value : values) {
    joined += value;
    joined += '\0';
  }
  const QByteArray sum = QCryptographicHash::hash(joined, QCryptographicHash::Sha1);
  qint64 digest = 0;
  std::memcpy(&digest, sum.constData(), sizeof digest);
  return digest;
}

QByteArray PackTexts(const QList<std::pair<int, QByteArray>>& texts) {
  QByteArray packed;
  for (const auto& [column, text] : texts) {
    const QByteArray kept = text.left(0xFFFF);
    packed.append(static_cast<char>(column));
    packed.append(static_cast<char>((kept.size() >> 8) & 0xFF));
    packed.append(static_cast<char>(kept.size() & 0xFF));
    packed.append(kept);
  }
  return packed;
}

QList<std::pair<int, QByteArray>> UnpackTexts(const QByteArray& packed) {
  QList<std::pair<int, QByteArray>> texts;
  qsizetype at = 0;
  while (at + 3 <= packed.size()) {
    const int column = static_cast<unsigned char>(packed[at]);
    const int length = (static_cast<unsigned char>(packed[at + 1]) << 8) | static_cast<unsigned char>(packed[at + 2]);
    at += 3;
    if (at + length > packed.size()) break;
    texts.append({column, packed.mid(at, length)});
    at += length;
  }
  return texts;
}

TRow Encode(const QByteArrayList& values) {
  TRow row;
  QList<std::pair<int, QByteArray>> texts;
  const QByteArray dateTime = values.value(kDateTimeColumn);
  if (const auto moment = Moment(dateTime)) {
    row.Moment = *moment;
    if (MomentText(*moment) != dateTime) texts.append({kDateTimeColumn, dateTime});
  } else {
    texts.append({kDateTimeColumn, dateTime});
  }
  int n = 0;
  for (int c = 0; c < ArchiveColumns().size(); ++c) {
    if (c == kDateTimeColumn || c == kSerialColumn) continue;
    const QByteArray text = values.value(c);
    const TNumber number = EncodeNumber(text);
    row.Numbers[static_cast<size_t>(n)] = number.Value;
    row.Layouts |= static_cast<qint64>(number.Layout) << (n * kLayoutBits);
    if (number.Layout == kTextLayout) texts.append({c, text});
    ++n;
  }
  row.Texts = PackTexts(texts);
  row.Digest = Digest(values);
  return row;
}

QByteArrayList Decode(const std::optional<qint64>& moment, const std::array<std::optional<double>, 17>& numbers,
                      qint64 layouts, const QByteArray& texts, const QByteArray& serialNumber) {
  QByteArrayList values;
  values.reserve(ArchiveColumns().size());
  int n = 0;
  for (int c = 0; c < ArchiveColumns().size(); ++c) {
    if (c == kDateTimeColumn) {
      values << (moment ? MomentText(*moment) : QByteArray());
    } else if (c == kSerialColumn) {
      values << serialNumber;
    } else {
      values << DecodeNumber(numbers[static_cast<size_t>(n)], LayoutOf(layouts, n));
      ++n;
    }
  }
  for (const auto& [column, text] : UnpackTexts(texts))
    if (column >= 0 && column < values.size()) values[column] = text;
  return values;
}

}  // namespace HistoryRecordCodec
