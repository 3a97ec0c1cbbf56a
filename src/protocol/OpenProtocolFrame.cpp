#include "OpenProtocolFrame.h"

#include <QtEndian>

#include <cstring>

namespace OpenProtocolFrame {

namespace {

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

}  // namespace

uint32_t ShiftChecksum(const uint8_t* bytes, size_t count) {
  uint32_t x = 0;
  for (size_t k = 0; k < count; ++k) x ^= static_cast<uint32_t>(bytes[k]) << (k % 25);
  return x;
}

uint32_t RotateChecksum(const uint8_t* bytes, size_t count) {
  uint32_t x = 0;
  size_t i = 0;
  if (count % 2 == 1) {
    x = bytes[0];
    i = 1;
  }
  for (; i < count; i += 2) x = RotateLeft(x, 5) ^ (static_cast<uint32_t>(bytes[i]) * 256 + bytes[i + 1]);
  return x;
}

uint32_t Checksum(TChecksumKind kind, const uint8_t* bytes, size_t count) {
  return kind == TChecksumKind::Rotate ? RotateChecksum(bytes, count) : ShiftChecksum(bytes, count);
}

QByteArray BuildFrame(const TPacket& packet, TChecksumKind kind) {
  const int size = packet.Length > 0 ? kHeaderSize + packet.Length + 4 : kHeaderSize;
  QByteArray frame(size, '\0');
  auto* bytes = reinterpret_cast<uint8_t*>(frame.data());
  bytes[0] = packet.Destination;
  bytes[1] = packet.Source;
  bytes[2] = packet.Length;
  qToLittleEndian(Checksum(kind, bytes, 3), bytes + 3);
  if (packet.Length > 0) {
    std::memcpy(bytes + kHeaderSize, packet.Data.data(), packet.Length);
    qToLittleEndian(Checksum(kind, bytes + kHeaderSize, packet.Length), bytes + kHeaderSize + packet.Length);
  }
  return frame;
}

TDecodeResult DecodeFrame(const uint8_t* bytes, size_t count, TChecksumKind kind) {
  TDecodeResult result;
  if (count < static_cast<size_t>(kHeaderSize) || Checksum(kind, bytes, 3) != qFromLittleEndian<uint32_t>(bytes + 3)) {
    result.BadCRC = true;
    return result;
  }
  TPacket& packet = result.Packet;
  packet.Destination = bytes[0];
  packet.Source = bytes[1];
  packet.Length = bytes[2];
  if (packet.Length > 0) {
    const size_t needed = static_cast<size_t>(kHeaderSize) + packet.Length + 4;
    const uint8_t* data = bytes + kHeaderSize;
    if (count < needed || Checksum(kind, data, packet.Length) != qFromLittleEndian<uint32_t>(data + packet.Length)) {
      result.BadCRC = true;
      return result;
    }
    std::memcpy(packet.Data.data(), data, packet.Length);
  }
  result.Ok = true;
  return result;
}

uint32_t AnnouncedFrameLength(const uint8_t* bytes, size_t count) {
  if (count < 3) return 0;
  return bytes[2] > 0 ? static_cast<uint32_t>(kHeaderSize + bytes[2] + 4) : kHeaderSize;
}

}  // namespace OpenProtocolFrame
