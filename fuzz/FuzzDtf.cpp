#include "DeviceDataFile.h"

#include <QByteArray>

#include <cstdlib>

// qev.dtf as anyone may have edited it: two values or the defaults, and
// the values written come back as they were.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const TDeviceData parsed = DeviceDataFile::Parse(bytes);
  if (!(DeviceDataFile::Parse(DeviceDataFile::Format(parsed)) == parsed)) std::abort();
  return 0;
}
