#pragma once

#include "CommChannel.h"
#include "PtyEmulatorServer.h"
#include "RS232Channel.h"

#include <cstdint>

// Counts the bytes that cross a channel, both ways.
class TCountingChannel : public TCommChannel {
 public:
  explicit TCountingChannel(TCommChannel& inner) : FInner(inner) {}
  bool Write(const uint8_t* buffer, uint32_t& count) override;
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) override;
  void DiscardInput() override { FInner.DiscardInput(); }

  uint64_t Bytes = 0;

 private:
  TCommChannel& FInner;
};

// The emulator on a pseudo-terminal pacing its side at a line speed, and the
// program's own serial channel on it at the same speed, counting the bytes.
class TPacedLine {
 public:
  // The emulator is borrowed and must outlive the line.
  TPacedLine(TInstallationEmulator& emulator, int baud);
  // Port settings beyond the speed, to change before Open.
  TComSettings& Settings() { return FChannel.Settings(); }
  // Says on standard error why the line cannot be used.
  bool Open();
  TCountingChannel& Channel() { return FCounting; }
  // The line time of the bytes counted, ms (10 bits a byte).
  double LineMs() const;

 private:
  int FBaud;
  TPtyEmulatorServer FServer;
  TRS232Channel FChannel;
  TCountingChannel FCounting;
};
