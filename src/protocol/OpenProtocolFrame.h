#pragma once

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

// The binary frame of the installation's serial protocol.
//
//   offset 0     destination address
//          1     source address
//          2     data length L (0..255)
//          3..6  checksum of bytes 0..2, least significant byte first
//          7..   L data bytes, then the checksum of the data (only when L > 0)
//
// A frame is 7 bytes when L = 0 and 11 + L bytes otherwise; there is no start
// or end marker, frames are told apart by the pauses on the line.
namespace OpenProtocolFrame {

constexpr int kHeaderSize = 7;
constexpr int kMaxData = 255;
constexpr int kMaxFrame = kHeaderSize + kMaxData + 4;  // 266
constexpr uint8_t kLocalAddress = 0;

enum class TChecksumKind : uint8_t { Shift = 0, Rotate = 1 };

// XOR of every byte shifted left by (position mod 25) bits.
uint32_t ShiftChecksum(const uint8_t* bytes, size_t count);
// Rotate left by 5 and XOR with the next byte pair (an odd first byte alone).
uint32_t RotateChecksum(const uint8_t* bytes, size_t count);
uint32_t Checksum(TChecksumKind kind, const uint8_t* bytes, size_t count);

// The logical form of one frame.
struct TPacket {
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint8_t Length = 0;
  std::array<uint8_t, kMaxData> Data{};
};

// The wire bytes of a packet: 7 bytes, or 11 + L.
QByteArray BuildFrame(const TPacket& packet, TChecksumKind kind = TChecksumKind::Shift);

struct TDecodeResult {
  bool Ok = false;
  bool BadCRC = false;  // a checksum did not match, or the frame was short
  TPacket Packet;
};

// Checks and decodes the bytes of one read. Bytes beyond the frame are
// ignored; a read shorter than the frame needs counts as a checksum failure.
TDecodeResult DecodeFrame(const uint8_t* bytes, size_t count, TChecksumKind kind = TChecksumKind::Shift);

// Length of the whole frame as its first three bytes announce it, or 0 while
// fewer than three bytes are known. Lets a receiver stop as soon as the frame
// is complete instead of waiting for the line to fall silent.
uint32_t AnnouncedFrameLength(const uint8_t* bytes, size_t count);

}  // namespace OpenProtocolFrame
