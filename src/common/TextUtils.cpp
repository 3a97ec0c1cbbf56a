#include "TextUtils.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace TextUtils {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

QByteArray Trim(const QByteArray& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.mid(first, last - first);
}

QByteArray TrimLeft(const QByteArray& text) {
  qsizetype first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return text.mid(first);
}

QByteArray AsciiUpper(const QByteArray& text) { return text.toUpper(); }

QByteArray AsciiLower(const QByteArray& text) { return text.toLower(); }

bool SameTextAscii(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QByteArray FirstWord(const QByteArray& text) {
  const QByteArray rest = TrimLeft(text);
  const qsizetype space = rest.indexOf(' ');
  return space < 0 ? rest : rest.left(space);
}

QByteArray DropFirstWord(const QByteArray& text) {
  const QByteArray rest = TrimLeft(text);
  const qsizetype space = rest.indexOf(' ');
  return space < 0 ? QByteArray() : TrimLeft(rest.mid(space + 1));
}

QByteArray PadRight(const QByteArray& text, int width) {
  if (text.size() >= width) return text;
  return text + QByteArray(width - text.size(), ' ');
}

TSplit SplitAtFirst(const QByteArray& text, const QByteArray& separator) {
  TSplit split;
  const qsizetype at = text.indexOf(separator);
  if (at < 0) {
    split.Before = text;
    return split;
  }
  split.Found = true;
  split.Before = text.left(at);
  split.After = text.mid(at + separator.size());
  return split;
}

QByteArrayList SplitLines(const QByteArray& text) {
  QByteArrayList lines = text.split('\n');
  if (lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& line : lines)
    if (line.endsWith('\r')) line.chop(1);
  return lines;
}

std::optional<int64_t> ParseInteger(const QByteArray& text) {
  QByteArray digits = Trim(text);
  if (digits.startsWith('+')) {
    digits.remove(0, 1);
    if (digits.startsWith('-')) return std::nullopt;
  }
  if (digits.isEmpty()) return std::nullopt;
  int64_t value = 0;
  const char* begin = digits.constData();
  const char* end = begin + digits.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<int> ParseInt32(const QByteArray& text) {
  const auto value = ParseInteger(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return static_cast<int>(*value);
}

char SystemDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode()) : '.';
}

std::optional<long double> ParseDecimal(const QByteArray& text, char platformSeparator) {
  QByteArray number = Trim(text);
  if (platformSeparator != '.') number.replace(platformSeparator, '.');
  bool negative = false;
  if (!number.isEmpty() && (number[0] == '+' || number[0] == '-')) {
    negative = number[0] == '-';
    number.remove(0, 1);
  }
  // Only plain decimal notation: no "inf", "nan" or hexadecimal forms.
  if (number.isEmpty() || !(std::isdigit(static_cast<unsigned char>(number[0])) || number[0] == '.'))
    return std::nullopt;
  long double value = 0;
  const char* begin = number.constData();
  const char* end = begin + number.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ptr != end) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return 0.0L;
  if (ec != std::errc()) return std::nullopt;
  return negative ? -value : value;
}

QByteArray FormatDecimal(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  constexpr int kDigits = 15;
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, kDigits - 1);
  const QByteArray scientific(buffer, static_cast<qsizetype>(result.ptr - buffer));
  const qsizetype e = scientific.indexOf('e');
  QByteArray digits = scientific.left(e);
  digits.remove(1, 1);  // the decimal point after the first digit
  while (digits.size() > 1 && digits.endsWith('0')) digits.chop(1);
  const int exponent = std::atoi(scientific.constData() + e + 1);

  QByteArray text = value < 0 ? "-" : "";
  if (exponent >= -5 && exponent < kDigits) {
    if (exponent >= 0) {
      const QByteArray whole = PadRight(digits.left(exponent + 1), exponent + 1).replace(' ', '0');
      const QByteArray fraction = digits.mid(exponent + 1);
      text += whole;
      if (!fraction.isEmpty()) text += "." + fraction;
    } else {
      text += "0." + QByteArray(-exponent - 1, '0') + digits;
    }
  } else {
    text += digits.left(1);
    if (digits.size() > 1) text += "." + digits.mid(1);
    text += "E" + QByteArray::number(exponent);
  }
  return text;
}

std::optional<uint8_t> HexToByte(const QByteArray& twoDigits) {
  if (twoDigits.size() != 2) return std::nullopt;
  const int high = HexDigit(twoDigits[0]);
  const int low = HexDigit(twoDigits[1]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<uint8_t>(high * 16 + low);
}

}  // namespace TextUtils
