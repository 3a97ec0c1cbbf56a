#include "JpegPicture.h"

#include <cstdlib>

// The About box's JPEG decoder: any bytes give a whole picture or none, and
// the process goes on.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<TRgbPicture> picture = DecodeJpeg(data, size);
  if (!picture) return 0;
  if (picture->Width <= 0 || picture->Height <= 0) std::abort();
  if (picture->Pixels.size() != static_cast<size_t>(picture->Width) * static_cast<size_t>(picture->Height) * 3)
    std::abort();
  return 0;
}
