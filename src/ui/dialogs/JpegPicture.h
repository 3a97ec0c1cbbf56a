#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A picture decoded from JPEG: 8-bit RGB triples, rows from the top, no
// padding between rows.
struct TRgbPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;
};

// The largest picture taken, in pixels: far more than a dialog shows.
constexpr uint64_t kMaxJpegPixels = uint64_t{4096} * 4096;

// Decodes a JPEG with libjpeg. A damaged or truncated picture (any error or
// warning of the decoder), one larger than kMaxJpegPixels or one that
// cannot be turned into RGB gives no picture; the process never ends on a
// bad file, as libjpeg's own error handler would have it.
std::optional<TRgbPicture> DecodeJpeg(const uint8_t* data, size_t size);
