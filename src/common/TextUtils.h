#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <optional>

// Text helpers shared by the protocol, the device model and the files.
// Texts are single-byte Windows-1251 strings held in QByteArray; a "blank"
// is any byte with a code from 0 to 32.
namespace TextUtils {

// Removes leading and trailing bytes 0..32.
QByteArray Trim(const QByteArray& text);
QByteArray TrimLeft(const QByteArray& text);

// Upper-cases the ASCII letters a..z only; every other byte, Cyrillic
// letters included, stays as it is. QByteArray's case functions and its
// case-insensitive compare do just this in Qt 6 (Qt 5 folded Latin-1
// letters as well, which are Cyrillic bytes in Windows-1251); the names keep
// in sight the rule that the protocol's names rely on.
QByteArray AsciiUpper(const QByteArray& text);
QByteArray AsciiLower(const QByteArray& text);
bool SameTextAscii(const QByteArray& a, const QByteArray& b);

// Leading blanks skipped, then everything up to the first space.
QByteArray FirstWord(const QByteArray& text);
// Leading blanks skipped, the first word and the space after it dropped, then
// leading blanks skipped again; a text without a space becomes empty.
QByteArray DropFirstWord(const QByteArray& text);

// Pads on the right with spaces up to width; longer texts stay as they are.
QByteArray PadRight(const QByteArray& text, int width);

struct TSplit {
  bool Found = false;
  QByteArray Before;  // the whole text when the separator is missing
  QByteArray After;
};
// Splits at the first occurrence of separator.
TSplit SplitAtFirst(const QByteArray& text, const QByteArray& separator);

// The lines of a text file: split at LF, a CR before the LF dropped. A
// final line break does not start another line; an empty text has none.
QByteArrayList SplitLines(const QByteArray& text);

// Decimal integer, as the installation and the files write it: optional sign
// and digits, surrounding blanks allowed. Anything else gives no value.
std::optional<int64_t> ParseInteger(const QByteArray& text);
std::optional<int> ParseInt32(const QByteArray& text);

// The platform's decimal separator (from the system locale).
char SystemDecimalSeparator();

// Decimal text to an extended-precision value. "." is always accepted as the
// decimal separator, and so is the platform's own one. A number outside the
// range of long double gives 0; a text that is not a number gives no value.
std::optional<long double> ParseDecimal(const QByteArray& text, char platformSeparator = SystemDecimalSeparator());

// General form with up to 15 significant digits and no trailing zeros; the
// exponent form (1E-7, 1.5E20) only for very small or very large magnitudes.
// The decimal separator is always ".".
QByteArray FormatDecimal(long double value);

// Two hexadecimal digits of either case as a byte; anything else gives no
// value (QByteArray::fromHex would skip what is not a digit).
std::optional<uint8_t> HexToByte(const QByteArray& twoDigits);

}  // namespace TextUtils
