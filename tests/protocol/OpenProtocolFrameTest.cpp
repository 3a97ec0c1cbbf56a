#include "OpenProtocolFrame.h"
#include "OpenProtocolText.h"

#include <gtest/gtest.h>

using namespace OpenProtocolFrame;

namespace {

const uint8_t* Bytes(const QByteArray& a) { return reinterpret_cast<const uint8_t*>(a.constData()); }

TPacket PacketWithData(uint8_t source, uint8_t destination, int length) {
  TPacket packet;
  packet.Source = source;
  packet.Destination = destination;
  packet.Length = static_cast<uint8_t>(length);
  for (int i = 0; i < length; ++i) packet.Data[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7 + 3);
  return packet;
}

}  // namespace

TEST(Checksum, KnownAnswers) {
  const QByteArray abc = "abc";
  EXPECT_EQ(ShiftChecksum(Bytes(abc), 3), 0x129u);
  EXPECT_EQ(RotateChecksum(Bytes(abc), 3), 0x6E43u);
  EXPECT_EQ(ShiftChecksum(nullptr, 0), 0u);
  EXPECT_EQ(RotateChecksum(Bytes("ab"), 2), 0x6162u);
  // Shift counts run 0..24 and start again, so byte 25 is not shifted.
  QByteArray run(26, '\0');
  run[25] = 1;
  EXPECT_EQ(ShiftChecksum(Bytes(run), 26), 1u);
  run[24] = 1;
  EXPECT_EQ(ShiftChecksum(Bytes(run), 26), 1u ^ (1u << 24));
}

TEST(Frame, ModeRequestAndAnswerByteForByte) {
  const auto request = OpenProtocolText::TextPacket(0, 1, "MODE=??;");
  ASSERT_TRUE(request);
  EXPECT_EQ(BuildFrame(*request).toHex(' ').toUpper(),
            "01 00 0A 29 00 00 00 00 00 4D 4F 44 45 3D 3F 3F 3B 6C 56 00 00");

  const QByteArray answer = QByteArray::fromHex("0001092600000000004D4F44453D313B6C230000");
  const TDecodeResult decoded = DecodeFrame(Bytes(answer), static_cast<size_t>(answer.size()));
  ASSERT_TRUE(decoded.Ok);
  EXPECT_FALSE(decoded.BadCRC);
  EXPECT_EQ(decoded.Packet.Source, 1);
  EXPECT_EQ(decoded.Packet.Destination, 0);
  EXPECT_EQ(OpenProtocolText::PacketText(decoded.Packet), "MODE=1;");
  EXPECT_EQ(AnnouncedFrameLength(Bytes(answer), 3), 20u);
}

TEST(Frame, SizesForEmptyAndLargestData) {
  const QByteArray empty = BuildFrame(PacketWithData(0, 5, 0));
  EXPECT_EQ(empty.size(), 7);
  EXPECT_EQ(AnnouncedFrameLength(Bytes(empty), 7), 7u);
  EXPECT_EQ(AnnouncedFrameLength(Bytes(empty), 2), 0u);
  EXPECT_TRUE(DecodeFrame(Bytes(empty), 7).Ok);

  const TPacket largest = PacketWithData(0, 5, 255);
  const QByteArray frame = BuildFrame(largest);
  ASSERT_EQ(frame.size(), kMaxFrame);
  const uint32_t dataSum = ShiftChecksum(largest.Data.data(), 255);
  EXPECT_EQ(static_cast<uint8_t>(frame[262]), dataSum & 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(frame[265]), dataSum >> 24);
  const TDecodeResult decoded = DecodeFrame(Bytes(frame), kMaxFrame);
  ASSERT_TRUE(decoded.Ok);
  EXPECT_EQ(decoded.Packet.Data, largest.Data);
}

TEST(Frame, EveryDamageIsAChecksumFailure) {
  const QByteArray good = BuildFrame(PacketWithData(0, 1, 20));
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  QByteArray header = good;
  header[2] = static_cast<char>(header[2] ^ 0x01);
  QByteArray data = good;
  data[10] = static_cast<char>(data[10] ^ 0x40);
  QByteArray dataSum = good;
  dataSum[good.size() - 1] = static_cast<char>(dataSum[good.size() - 1] ^ 0x01);
  const Case cases[] = {
      {"flipped header byte", header},    {"flipped data byte", data},
      {"flipped data checksum", dataSum}, {"short read", good.left(good.size() - 1)},
      {"header only", good.left(7)},      {"fewer than 7 bytes", good.left(6)},
      {"nothing", QByteArray()},
  };
  for (const Case& c : cases) {
    const TDecodeResult r = DecodeFrame(Bytes(c.bytes), static_cast<size_t>(c.bytes.size()));
    EXPECT_FALSE(r.Ok) << c.what;
    EXPECT_TRUE(r.BadCRC) << c.what;
  }
  // Bytes after the frame are ignored.
  EXPECT_TRUE(DecodeFrame(Bytes(good + "junk"), static_cast<size_t>(good.size() + 4)).Ok);
}

TEST(Frame, RotateChecksumFramesCheckWithTheSameKind) {
  const TPacket packet = PacketWithData(0, 3, 40);
  const QByteArray frame = BuildFrame(packet, TChecksumKind::Rotate);
  EXPECT_TRUE(DecodeFrame(Bytes(frame), static_cast<size_t>(frame.size()), TChecksumKind::Rotate).Ok);
  EXPECT_TRUE(DecodeFrame(Bytes(frame), static_cast<size_t>(frame.size()), TChecksumKind::Shift).BadCRC);
}
