#include "RadiationSpectr.h"

#include <QByteArray>

#include <cstdlib>

// Text spectrum files: any bytes load, and what they give can be saved as a
// binary file and read back with the same counts.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  TRadiationSpectr spectr;
  if (!spectr.LoadText(bytes)) std::abort();
  TRadiationSpectr reloaded;
  if (!reloaded.LoadBinary(spectr.SaveBinary())) std::abort();
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i)
    if (reloaded.Channel(i) != spectr.Channel(i)) std::abort();
  return 0;
}
