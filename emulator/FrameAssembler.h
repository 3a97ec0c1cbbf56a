#pragma once

#include <QByteArray>

#include <optional>

// Cuts the bytes that come from the line into frames, by the length that a
// frame's header announces. A header whose checksum fails cannot be the
// start of a frame, so the first byte is dropped and the search goes on from
// the next one; that is how the receiver finds its feet again after noise or
// a frame cut short. The caller drops a partial frame when the line has been
// silent for a while (Clear).
class TFrameAssembler {
 public:
  void Append(const QByteArray& bytes) { FBuffer += bytes; }
  // The next complete frame, if one has arrived.
  std::optional<QByteArray> TakeFrame();
  bool HasPartial() const { return !FBuffer.isEmpty(); }
  void Clear() { FBuffer.clear(); }

 private:
  QByteArray FBuffer;
};
