#pragma once

#include "CommChannel.h"
#include "OpenProtocolFrame.h"
#include "OpenProtocolText.h"

#include <QByteArray>
#include <QByteArrayList>

#include <algorithm>
#include <functional>
#include <optional>

// An installation in a few lines: every request frame is decoded, its text
// recorded and handed to the script, whose payload (block number, kind and
// content) comes back as the answer frame. A script that answers nothing
// leaves the line silent.
class TScriptedChannel : public TCommChannel {
 public:
  using TScript = std::function<std::optional<QByteArray>(const QByteArray& request)>;

  explicit TScriptedChannel(TScript script) : FScript(std::move(script)) {}

  // A text answer: block number and kind 0, then the text.
  static QByteArray Text(const QByteArray& text) { return QByteArray(2, '\0') + text; }
  static QByteArray Block(int number, const QByteArray& content) {
    return QByteArray(1, static_cast<char>(number)) + char(OpenProtocolText::kBlockPayload) + content;
  }

  // Request texts in the order they came, retries included.
  const QByteArrayList& Requests() const { return FRequests; }
  int CountOf(const QByteArray& request) const { return static_cast<int>(FRequests.count(request)); }
  // The destination address of the last request.
  int LastDestination() const { return FLastDestination; }

  bool Write(const uint8_t* buffer, uint32_t& count) override {
    const auto frame = OpenProtocolFrame::DecodeFrame(buffer, count);
    FPending.clear();
    if (!frame.Ok || frame.Packet.Length < OpenProtocolText::kPayloadPrefix) return true;
    const auto& request = frame.Packet;
    const QByteArray text(reinterpret_cast<const char*>(request.Data.data()) + OpenProtocolText::kPayloadPrefix,
                          request.Length - OpenProtocolText::kPayloadPrefix);
    FRequests.append(text);
    FLastDestination = request.Destination;
    const std::optional<QByteArray> payload = FScript(text);
    if (!payload) return true;
    OpenProtocolFrame::TPacket answer;
    answer.Source = request.Destination;
    answer.Destination = request.Source;
    answer.Length = static_cast<uint8_t>(payload->size());
    std::copy(payload->cbegin(), payload->cend(), answer.Data.begin());
    FPending = OpenProtocolFrame::BuildFrame(answer);
    return true;
  }

  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength) override {
    count = std::min<uint32_t>(size, static_cast<uint32_t>(FPending.size()));
    std::copy_n(FPending.constData(), count, buffer);
    FPending.clear();
    return true;
  }

  void DiscardInput() override { FPending.clear(); }

 private:
  TScript FScript;
  QByteArrayList FRequests;
  QByteArray FPending;
  int FLastDestination = -1;
};
