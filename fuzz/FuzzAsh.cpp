#include "ArchiveTemplate.h"

#include <QByteArray>

#include <cstdlib>

// Selection templates (.ash) as anyone may have edited them: any bytes give a
// template, and what it holds comes back unchanged through a save and a load.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  constexpr int kTotalRecords = 250;
  const TArchiveTemplate parsed = TArchiveTemplate::FromBytes(bytes, kTotalRecords);
  const QByteArray saved = parsed.ToBytes();
  const TArchiveTemplate again = TArchiveTemplate::FromBytes(saved, kTotalRecords);
  if (again.Step != parsed.Step || again.LowRange != parsed.LowRange || again.HighRange != parsed.HighRange ||
      again.Names != parsed.Names)
    std::abort();
  if (again.ToBytes() != saved) std::abort();
  return 0;
}
