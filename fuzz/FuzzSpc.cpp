#include "RadiationSpectr.h"

#include <QByteArray>

#include <cstdlib>

// Binary spectrum files and device blocks. Short inputs are also tried
// padded with zeros to a whole file, so that the header parser gets its
// share. Counts must survive a save and a load unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  TRadiationSpectr spectr;
  spectr.LoadBinary(bytes);
  if (bytes.size() < TRadiationSpectr::kBinarySize) {
    const QByteArray padded = bytes + QByteArray(TRadiationSpectr::kBinarySize - bytes.size(), '\0');
    if (!spectr.LoadBinary(padded)) std::abort();
  }

  TRadiationSpectr reloaded;
  if (!reloaded.LoadBinary(spectr.SaveBinary())) std::abort();
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i)
    if (reloaded.Channel(i) != spectr.Channel(i)) std::abort();

  for (bool reverse : {false, true}) spectr.LoadDeviceBlock(bytes.constData(), bytes.size(), reverse);
  return 0;
}
