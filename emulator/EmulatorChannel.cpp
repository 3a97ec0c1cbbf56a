#include "EmulatorChannel.h"

#include "InstallationEmulator.h"

#include <algorithm>
#include <cstring>

TEmulatorChannel::TEmulatorChannel(TInstallationEmulator& emulator) : FEmulator(emulator) {}

bool TEmulatorChannel::Write(const uint8_t* buffer, uint32_t& count) {
  if (!FOpen || !buffer) {
    count = 0;
    return false;
  }
  // Whatever was late arrives while the next request is on its way, ahead
  // of that request's answer, and after the driver dropped stale input.
  for (const QByteArray& late : FLate) FInput += late;
  FLate.clear();
  FAssembler.Append(QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count)));
  while (const auto frame = FAssembler.TakeFrame()) {
    const TEmulatorAnswer answer = FEmulator.HandleFrame(*frame);
    if (answer.Bytes.isEmpty()) continue;
    if (answer.DelayMs > 0)
      FLate.push_back(answer.Bytes);
    else
      FInput += answer.Bytes;
  }
  FAssembler.Clear();
  return true;
}

bool TEmulatorChannel::Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) {
  count = 0;
  if (!FOpen || !buffer) return false;
  uint32_t take = std::min<uint32_t>(size, static_cast<uint32_t>(FInput.size()));
  if (expectedLength) {
    const uint32_t needed =
        expectedLength(reinterpret_cast<const uint8_t*>(FInput.constData()), static_cast<size_t>(FInput.size()));
    if (needed > 0) take = std::min(take, needed);
  }
  std::memcpy(buffer, FInput.constData(), take);
  FInput.remove(0, take);
  count = take;
  return true;
}

void TEmulatorChannel::DiscardInput() { FInput.clear(); }
