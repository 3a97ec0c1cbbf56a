#pragma once

#include <QString>

#include <cstdint>

// The key stream that scrambles qev.pwd. It is seeded from the file's name,
// so a password file reads correctly only under the name it was written for.
//
// The generator works on a fraction in [0, 1): the seed is the weighted sum
// of the name's bytes divided by 256 until below 1; each key byte is the
// integer part of a fixed multiple of the fraction, modulo 256; the fraction
// then advances to the fractional part of fraction * factor + offset. The
// fraction is held exactly as a 64-bit binary fixed-point number, so the
// stream is the same on every compiler and processor: no floating point is
// involved, and the step is a multiplication modulo 2^64.
class TPasswordKeyStream {
 public:
  // Only the name matters: the folder part (after the last "/" or "\") is
  // dropped and the ASCII letters are lower-cased, as Windows ignores case.
  explicit TPasswordKeyStream(const QString& fileName);

  uint8_t Next();

 private:
  uint64_t FFraction = 0;  // the fraction times 2^64
};
