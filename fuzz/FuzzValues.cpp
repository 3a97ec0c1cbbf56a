#include "DeviceValues.h"

#include <QByteArray>

#include <cstdlib>

// The values the program interprets, as the installation may send them.
// The first byte picks a bit and a date; the rest is the value's text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  using namespace DeviceValues;
  const int bit = 1 << (data[0] % 8);
  const QByteArray text(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));

  // DATETIME: a date the four-digit year can carry is written back the same
  // way and parses again.
  const TDeviceDateTime parsed = ParseDeviceDateTime(text);
  if (parsed.Date && parsed.Date->year() >= 1 && parsed.Date->year() <= 9999) {
    const QTime time = parsed.Time.value_or(QTime(0, 0));
    const TDeviceDateTime again = ParseDeviceDateTime(FormatDeviceDateTime(*parsed.Date, time));
    if (again.Date != parsed.Date || again.Time != time) std::abort();
  }
  ReplaceDatePart(text, QDate(2000, 1, 1).addDays(data[0]));
  ReplaceTimePart(text, QTime(12, 34, 56));

  // STATUS and the flags never fail, whatever the text.
  for (int fault = 0; fault < kStatusFaultCount; ++fault) IsFault(text, static_cast<TStatusFault>(fault));
  AlarmColour(text);
  OnOffState(text);
  ToggleSirene(text);
  IsCounterNotConnected(text);

  // TEST: toggling a bit flips it and nothing reads as a fault.
  const bool wasSet = IsTestBitSet(text, bit);
  if (IsTestBitSet(ToggleTestBit(text, bit), bit) == wasSet) std::abort();
  TestValue(text);
  return 0;
}
