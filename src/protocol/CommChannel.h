#pragma once

#include <cstddef>
#include <cstdint>

// The byte pipe the protocol driver talks through. The serial channel is the
// production one; tests and the emulator plug in their own.
class TCommChannel {
 public:
  // How many bytes the frame needs, given the bytes received so far; 0 while
  // that is not yet known.
  using TExpectedLength = uint32_t (*)(const uint8_t* bytes, size_t count);

  virtual ~TCommChannel() = default;

  // Writes count bytes in one blocking call and returns once they have left
  // for the line; count becomes the number written (0 on failure).
  virtual bool Write(const uint8_t* buffer, uint32_t& count) = 0;

  // Reads up to size bytes in one blocking call. Returns when size bytes have
  // arrived, when the line stays silent longer than the interval time-out
  // after a byte, or when the total time-out has passed before the first
  // byte; with expectedLength also as soon as the bytes received make up the
  // length it announces. A silent line is a success with count 0.
  virtual bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength = nullptr) = 0;

  // Drops whatever has been received and not yet read.
  virtual void DiscardInput() = 0;
  // Drops what is still coming of a frame cut short, until the line falls
  // silent, so that it cannot spoil the next answer. Lines without time-outs
  // only drop what has arrived.
  virtual void DrainInput() { DiscardInput(); }
};
