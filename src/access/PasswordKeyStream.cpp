#include "PasswordKeyStream.h"

#include "TextUtils.h"
#include "Win1251.h"

#include <algorithm>

namespace {

// The generator's constants. They define the format of qev.pwd: a change
// makes every existing password file unreadable.
constexpr int kCycleLength = 24;  // a byte at position i weighs 2^(i mod 24)
constexpr uint64_t kBase = 256;
constexpr uint64_t kMultiple = 0x9E3779B9u;
constexpr uint64_t kFactor = 6364136223846793005u;
// The offset 1442695040888963407 / 2^64, an odd numerator so that the
// fraction runs through all 2^64 values before it repeats.
constexpr uint64_t kOffset = 1442695040888963407u;

// The high 64 bits of the 128-bit product, without a compiler's 128-bit type.
uint64_t MultiplyHigh(uint64_t a, uint64_t b) {
  const uint64_t aLow = a & 0xFFFFFFFFu;
  const uint64_t aHigh = a >> 32;
  const uint64_t bLow = b & 0xFFFFFFFFu;
  const uint64_t bHigh = b >> 32;
  const uint64_t lowLow = aLow * bLow;
  const uint64_t highLow = aHigh * bLow;
  const uint64_t lowHigh = aLow * bHigh;
  const uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + (lowHigh & 0xFFFFFFFFu);
  return aHigh * bHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32);
}

// The name's bytes as Windows writes them. Names are nearly always ASCII,
// which needs no code page at all.
QByteArray NameBytes(const QString& name) {
  for (const QChar c : name)
    if (c.unicode() >= 0x80) return Win1251::FromUnicode(name);
  return name.toLatin1();
}

QByteArray NameOnly(const QString& fileName) {
  const qsizetype slash = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
  return TextUtils::AsciiLower(NameBytes(fileName.mid(slash + 1)));
}

}  // namespace

TPasswordKeyStream::TPasswordKeyStream(const QString& fileName) {
  uint64_t sum = 0;
  const QByteArray name = NameOnly(fileName);
  for (qsizetype i = 0; i < name.size(); ++i)
    sum += static_cast<uint64_t>(static_cast<uint8_t>(name[i])) << ((i + 1) % kCycleLength);
  // Dividing by 256 until the integer part is 0 only moves the sum's bytes
  // behind the binary point: the fraction is the sum shifted to the top.
  int digits = 0;
  for (uint64_t rest = sum; rest != 0; rest /= kBase) ++digits;
  FFraction = digits == 0 ? 0 : sum << (64 - 8 * digits);
}

uint8_t TPasswordKeyStream::Next() {
  const auto key = static_cast<uint8_t>(MultiplyHigh(FFraction, kMultiple) & 0xFF);
  FFraction = FFraction * kFactor + kOffset;
  return key;
}
