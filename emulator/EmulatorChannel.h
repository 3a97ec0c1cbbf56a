#pragma once

#include "CommChannel.h"
#include "FrameAssembler.h"

#include <QByteArray>

#include <deque>

class TInstallationEmulator;

// A channel straight into the emulator, for the device model and window
// tests: no pseudo-terminal, no waiting. Write hands every complete frame to
// the emulator (a write ends a burst, so a partial frame left over is
// dropped, as the line's silence would drop it); Read returns the answer
// bytes that are waiting. When nothing is waiting the read comes back at
// once with 0 bytes, as a silent line does after its time-outs.
//
// A late answer misses the read that follows its request and arrives while
// the next request is on its way: DiscardInput before that request cannot
// drop it, and the next read returns it in place of the answer asked for.
class TEmulatorChannel : public TCommChannel {
 public:
  // The emulator is borrowed and must outlive the channel.
  explicit TEmulatorChannel(TInstallationEmulator& emulator);

  bool Write(const uint8_t* buffer, uint32_t& count) override;
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength = nullptr) override;
  void DiscardInput() override;

  // A closed channel fails every write and read with count 0, as a port
  // that could not be opened.
  void SetOpen(bool open) { FOpen = open; }
  bool IsOpen() const { return FOpen; }

  // Answer bytes received and not read yet (late ones not counted until
  // they have arrived).
  int PendingBytes() const { return static_cast<int>(FInput.size()); }

 private:
  TInstallationEmulator& FEmulator;
  TFrameAssembler FAssembler;
  QByteArray FInput;
  std::deque<QByteArray> FLate;  // answers on their way, in order
  bool FOpen = true;
};
