#include "FrameAssembler.h"

#include "OpenProtocolFrame.h"

#include <QtEndian>

std::optional<QByteArray> TFrameAssembler::TakeFrame() {
  using namespace OpenProtocolFrame;
  while (FBuffer.size() >= kHeaderSize) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(FBuffer.constData());
    if (ShiftChecksum(bytes, 3) != qFromLittleEndian<uint32_t>(bytes + 3)) {
      FBuffer.remove(0, 1);
      continue;
    }
    const qsizetype length = AnnouncedFrameLength(bytes, static_cast<size_t>(FBuffer.size()));
    if (FBuffer.size() < length) return std::nullopt;
    QByteArray frame = FBuffer.left(length);
    FBuffer.remove(0, length);
    return frame;
  }
  return std::nullopt;
}
