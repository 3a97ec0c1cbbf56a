#include "EmulatorChannel.h"
#include "EmulatorTestSupport.h"
#include "FrameAssembler.h"

#include <gtest/gtest.h>

namespace {

using OpenProtocolFrame::TDecodeResult;

TInstallationEmulator MakeEmulator(const TManualClock& clock) {
  TEmulatorConfig config;
  config.Clock = clock.Clock();
  return TInstallationEmulator(config);
}

QByteArray ReadAll(TEmulatorChannel& channel, uint32_t size = 266,
                   TCommChannel::TExpectedLength expected = OpenProtocolFrame::AnnouncedFrameLength) {
  QByteArray bytes(static_cast<int>(size), '\0');
  uint32_t count = 0;
  EXPECT_TRUE(channel.Read(reinterpret_cast<uint8_t*>(bytes.data()), size, count, expected));
  bytes.truncate(static_cast<int>(count));
  return bytes;
}

void WriteFrame(TEmulatorChannel& channel, const QByteArray& frame) {
  uint32_t count = static_cast<uint32_t>(frame.size());
  EXPECT_TRUE(channel.Write(reinterpret_cast<const uint8_t*>(frame.constData()), count));
  EXPECT_EQ(count, static_cast<uint32_t>(frame.size()));
}

QByteArray TextOf(const QByteArray& frame) {
  const TDecodeResult decoded = Decode(frame);
  return decoded.Ok ? OpenProtocolText::PacketText(decoded.Packet) : QByteArray("<bad>");
}

}  // namespace

TEST(EmulatorFaults, EachFaultSpoilsTheAnswerAsNamed) {
  TManualClock clock;
  const QByteArray text = "MODE=??;";
  const QByteArray block = "SPECTRUM1=??#2;";
  struct TCase {
    TFaultKind Kind;
    QByteArray Request;
    std::function<void(const TEmulatorAnswer&)> Check;
  };
  const TCase cases[] = {
      {TFaultKind::NoAnswer, text,
       [](const TEmulatorAnswer& a) {
         EXPECT_TRUE(a.Bytes.isEmpty());
         EXPECT_EQ(a.Outcome, TEmulatorAnswer::TOutcome::Silent);
       }},
      {TFaultKind::BadCRC, text, [](const TEmulatorAnswer& a) { EXPECT_TRUE(Decode(a.Bytes).BadCRC); }},
      {TFaultKind::WrongAddress, text,
       [](const TEmulatorAnswer& a) {
         ASSERT_TRUE(Decode(a.Bytes).Ok);
         EXPECT_NE(Decode(a.Bytes).Packet.Source, 1);
       }},
      {TFaultKind::Short, text,
       [](const TEmulatorAnswer& a) {
         EXPECT_LT(a.Bytes.size(), 18);
         EXPECT_TRUE(Decode(a.Bytes).BadCRC);
       }},
      {TFaultKind::Late, text,
       [](const TEmulatorAnswer& a) {
         EXPECT_EQ(a.DelayMs, 250);
         EXPECT_EQ(TextOf(a.Bytes), "MODE=0;");
       }},
      {TFaultKind::Malformed, text,
       [](const TEmulatorAnswer& a) {
         ASSERT_TRUE(Decode(a.Bytes).Ok);
         EXPECT_TRUE(OpenProtocolText::ParseAnswerText(TextOf(a.Bytes)).empty());
       }},
      {TFaultKind::Malformed, block,
       [](const TEmulatorAnswer& a) { EXPECT_FALSE(OpenProtocolText::AcceptBlockAnswer(Decode(a.Bytes).Packet, 2)); }},
      {TFaultKind::WrongBlock, block,
       [](const TEmulatorAnswer& a) {
         EXPECT_FALSE(OpenProtocolText::AcceptBlockAnswer(Decode(a.Bytes).Packet, 2));
         EXPECT_TRUE(OpenProtocolText::AcceptBlockAnswer(Decode(a.Bytes).Packet, 3));
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TEmulatorFaults::Name(c.Kind).constData());
    TInstallationEmulator emulator = MakeEmulator(clock);
    TFaultPlan plan;
    plan.Kind = c.Kind;
    plan.Next = 1;
    plan.LateMs = 250;
    emulator.SetFaults(plan);
    const TEmulatorAnswer spoilt = emulator.HandleFrame(RequestFrame(c.Request));
    EXPECT_EQ(spoilt.Fault, c.Kind);
    c.Check(spoilt);
    const TEmulatorAnswer next = emulator.HandleFrame(RequestFrame(c.Request));
    EXPECT_EQ(next.Fault, TFaultKind::None);
    EXPECT_TRUE(Decode(next.Bytes).Ok);
    EXPECT_EQ(next.DelayMs, 0);
    EXPECT_EQ(emulator.FaultsApplied(), 1);
    EXPECT_EQ(emulator.RequestCount(), 2);
  }
}

TEST(EmulatorFaults, ScheduleCountsEveryNthOrTheNextKRequests) {
  const auto pattern = [](TFaultPlan plan, bool block, int requests) {
    TEmulatorFaults faults;
    faults.SetPlan(plan);
    QByteArray hits;
    for (int i = 0; i < requests; ++i) hits += faults.Take(block) == TFaultKind::None ? '.' : 'x';
    return hits;
  };
  EXPECT_EQ(pattern({TFaultKind::BadCRC, 3, 0, 0}, false, 7), "..x..x.");
  EXPECT_EQ(pattern({TFaultKind::BadCRC, 0, 2, 0}, false, 5), "xx...");
  EXPECT_EQ(pattern({TFaultKind::BadCRC, 4, 1, 0}, false, 8), "x..x...x");
  EXPECT_EQ(pattern({TFaultKind::NoAnswer, 0, 0, 0}, false, 3), "xxx");
  EXPECT_EQ(pattern({TFaultKind::None, 1, 0, 0}, false, 3), "...");
  // A line that falls silent after some requests, and a schedule that
  // starts counting after them.
  EXPECT_EQ(pattern({TFaultKind::NoAnswer, 0, 0, 0, 3}, false, 6), "...xxx");
  EXPECT_EQ(pattern({TFaultKind::BadCRC, 2, 0, 0, 1}, false, 6), "..x.x.");
  // Text requests do not use up a wrong-block fault.
  EXPECT_EQ(pattern({TFaultKind::WrongBlock, 0, 1, 0}, false, 3), "...");
  EXPECT_EQ(pattern({TFaultKind::WrongBlock, 0, 1, 0}, true, 3), "x..");

  for (const QByteArray& name : TEmulatorFaults::Names())
    EXPECT_EQ(TEmulatorFaults::Name(*TEmulatorFaults::Parse(name)), name);
  EXPECT_FALSE(TEmulatorFaults::Parse("crc"));
}

TEST(FrameAssembler, CutsFramesByLengthAndResynchronisesAfterNoise) {
  const QByteArray first = RequestFrame("MODE=??;");
  const QByteArray second = RequestFrame("TEST=1;");
  TFrameAssembler assembler;
  assembler.Append("\x55\x01\x02" + first.left(10));
  EXPECT_FALSE(assembler.TakeFrame());
  assembler.Append(first.mid(10) + second);
  EXPECT_EQ(assembler.TakeFrame(), first);
  EXPECT_EQ(assembler.TakeFrame(), second);
  EXPECT_FALSE(assembler.TakeFrame());
  EXPECT_FALSE(assembler.HasPartial());
}

TEST(EmulatorChannel, ReadsHonourSizeAndFrameLengthAndKeepTheRest) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock);
  TEmulatorChannel channel(emulator);

  // Two requests in one write: both answers wait, one frame per read.
  WriteFrame(channel, RequestFrame("MODE=??;") + RequestFrame("SERIALN=??;"));
  EXPECT_EQ(TextOf(ReadAll(channel)), "MODE=0;");
  const QByteArray head = ReadAll(channel, 5, nullptr);
  EXPECT_EQ(head.size(), 5);
  EXPECT_EQ(TextOf(head + ReadAll(channel, 266, nullptr)), "SERIALN=00107;");
  EXPECT_EQ(channel.PendingBytes(), 0);

  // A silent installation: the read comes back at once, empty but sound.
  EXPECT_TRUE(ReadAll(channel).isEmpty());
  WriteFrame(channel, RequestFrame("MODE=??;", 9));
  EXPECT_TRUE(ReadAll(channel).isEmpty());

  // A partial frame is dropped with the end of its write.
  const QByteArray frame = RequestFrame("MODE=??;");
  WriteFrame(channel, frame.left(10));
  WriteFrame(channel, frame.mid(10));
  EXPECT_TRUE(ReadAll(channel).isEmpty());
  EXPECT_EQ(emulator.RequestCount(), 2);

  WriteFrame(channel, frame);
  channel.DiscardInput();
  EXPECT_TRUE(ReadAll(channel).isEmpty());

  channel.SetOpen(false);
  uint32_t count = static_cast<uint32_t>(frame.size());
  EXPECT_FALSE(channel.Write(reinterpret_cast<const uint8_t*>(frame.constData()), count));
  EXPECT_EQ(count, 0u);
  uint8_t buffer[266];
  count = 7;
  EXPECT_FALSE(channel.Read(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
}

TEST(EmulatorChannel, LateAnswerArrivesWhileTheNextRequestWaits) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock);
  TEmulatorChannel channel(emulator);
  emulator.SetFaults({TFaultKind::Late, 0, 1, 300});

  WriteFrame(channel, RequestFrame("ALPHAALARM1=??;"));
  EXPECT_TRUE(ReadAll(channel).isEmpty());  // the driver times out
  // Dropping stale input before the next request does not help: the late
  // answer comes while that request waits, ahead of its own answer.
  channel.DiscardInput();
  WriteFrame(channel, RequestFrame("SERIALN=??;"));
  EXPECT_EQ(TextOf(ReadAll(channel)), "ALPHAALARM1=12;");
  EXPECT_EQ(TextOf(ReadAll(channel)), "SERIALN=00107;");
}

TEST(InstallationEmulator, BehindAnswersEachRequestWithThePreviousAnswer) {
  TManualClock clock;
  TInstallationEmulator emulator = MakeEmulator(clock);
  emulator.SetFaults({TFaultKind::Behind, 0, 0, 0});
  const TEmulatorAnswer first = emulator.HandleFrame(RequestFrame("ALPHAALARM1=??;"));
  EXPECT_EQ(first.Outcome, TEmulatorAnswer::TOutcome::Silent);
  EXPECT_TRUE(first.Bytes.isEmpty());
  const TEmulatorAnswer second = emulator.HandleFrame(RequestFrame("SERIALN=??;"));
  EXPECT_EQ(TextOf(second.Bytes), "ALPHAALARM1=12;");
  EXPECT_EQ(second.AnswerText, "ALPHAALARM1=12;");
  EXPECT_EQ(TextOf(emulator.HandleFrame(RequestFrame("MODE=??;")).Bytes), "SERIALN=00107;");
}
