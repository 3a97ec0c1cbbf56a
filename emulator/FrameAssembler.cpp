#include "FrameAssembler.h"

#include "OpenProtocolFrame.h"

namespace {

uint32_t StoredChecksum(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

std::optional<QByteArray> TFrameAssembler::TakeFrame() {
  using namespace OpenProtocolFrame;
  while (FBuffer.size() >= kHeaderSize) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(FBuffer.constData());
    if (ShiftChecksum(bytes, 3) != StoredChecksum(bytes + 3)) {
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
