#include "ComSettings.h"

#include <QByteArray>

#include <cstdlib>

// commport.cfg as anyone may have edited it: it loads or gives the
// failed-load defaults, and what it loaded comes back unchanged through a
// save and a load.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  TComSettings settings;
  const bool loaded = settings.LoadFromBytes(bytes);
  TComSettings defaults;
  defaults.SetFailedLoadDefaults();
  if (!loaded && settings.GetValues() != defaults.GetValues()) std::abort();
  if (loaded && settings.MissingKeys().size() > TComSettings::kValueCount) std::abort();

  TComSettings reloaded;
  if (!reloaded.LoadFromBytes(settings.SaveToBytes())) std::abort();
  if (reloaded.GetValues() != settings.GetValues() || !reloaded.MissingKeys().isEmpty()) std::abort();
  return 0;
}
