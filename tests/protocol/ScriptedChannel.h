#pragma once

#include "CommChannel.h"
#include "OpenProtocolFrame.h"
#include "OpenProtocolText.h"

#include <QByteArray>
#include <QByteArrayList>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>

// A channel whose far end is a script: every frame written is recorded and
// handed to Answer, whose reply arrives in the input buffer at once or, for
// a late answer, only after the next read has come back empty, or, for one
// slower still, only once the next request has gone out.
class TScriptedChannel : public TCommChannel {
 public:
  struct TReply {
    QByteArray Bytes;
    bool Late = false;
    bool AfterNextRequest = false;
  };

  std::function<TReply(const QByteArray& frame, int requestNumber)> Answer;
  QByteArrayList Written;
  int Discards = 0;

  bool Write(const uint8_t* buffer, uint32_t& count) override {
    const QByteArray frame(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count));
    Written << frame;
    FInput += FAfterNextRequest;
    FAfterNextRequest.clear();
    const TReply reply = Answer ? Answer(frame, static_cast<int>(Written.size())) : TReply{};
    (reply.AfterNextRequest ? FAfterNextRequest : reply.Late ? FLate : FInput) += reply.Bytes;
    return true;
  }

  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) override {
    uint32_t take = std::min<uint32_t>(size, static_cast<uint32_t>(FInput.size()));
    if (expectedLength) {
      const uint32_t expected =
          expectedLength(reinterpret_cast<const uint8_t*>(FInput.constData()), static_cast<size_t>(FInput.size()));
      if (expected > 0) take = std::min(take, expected);
    }
    std::memcpy(buffer, FInput.constData(), take);
    FInput.remove(0, take);
    count = take;
    // What was late turns up after this read has timed out.
    FInput += FLate;
    FLate.clear();
    return true;
  }

  void DiscardInput() override {
    ++Discards;
    FInput.clear();
  }

  // The text of request n (1-based).
  QByteArray RequestText(int n) const {
    const QByteArray& frame = Written.at(n - 1);
    const auto decoded = OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(frame.constData()),
                                                        static_cast<size_t>(frame.size()));
    return OpenProtocolText::PacketText(decoded.Packet);
  }

  static QByteArray AnswerFrame(const QByteArray& text, uint8_t device = 1) {
    return OpenProtocolFrame::BuildFrame(*OpenProtocolText::TextPacket(device, 0, text));
  }

  static QByteArray BlockFrame(uint8_t number, const QByteArray& content, uint8_t kind = 1, uint8_t device = 1) {
    OpenProtocolFrame::TPacket packet;
    packet.Source = device;
    packet.Destination = 0;
    packet.Length = static_cast<uint8_t>(content.size() + 2);
    packet.Data[0] = number;
    packet.Data[1] = kind;
    std::memcpy(packet.Data.data() + 2, content.constData(), static_cast<size_t>(content.size()));
    return OpenProtocolFrame::BuildFrame(packet);
  }

 private:
  QByteArray FInput;
  QByteArray FLate;
  QByteArray FAfterNextRequest;
};
