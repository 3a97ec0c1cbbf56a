#pragma once

#include "InstallationEmulator.h"
#include "OpenProtocolFrame.h"
#include "OpenProtocolText.h"

#include <QByteArray>
#include <QDateTime>

#include <memory>

// A clock the test moves by hand; the emulator reads it through a copy of
// the shared pointer.
struct TManualClock {
  std::shared_ptr<QDateTime> Now = std::make_shared<QDateTime>(QDate(2024, 6, 11), QTime(9, 30, 0));

  TEmulatorClock Clock() const {
    auto now = Now;
    return [now] { return *now; };
  }
  void Advance(int seconds) const { *Now = Now->addSecs(seconds); }
};

inline QByteArray RequestFrame(const QByteArray& text, uint8_t address = 1) {
  return OpenProtocolFrame::BuildFrame(*OpenProtocolText::TextPacket(OpenProtocolFrame::kLocalAddress, address, text));
}

inline OpenProtocolFrame::TDecodeResult Decode(const QByteArray& frame) {
  return OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(frame.constData()),
                                        static_cast<size_t>(frame.size()));
}

// The answer text to a request text, through frames; empty when the
// emulator stays silent or the answer does not decode.
inline QByteArray Ask(TInstallationEmulator& emulator, const QByteArray& text, uint8_t address = 1) {
  const TEmulatorAnswer answer = emulator.HandleFrame(RequestFrame(text, address));
  const auto decoded = Decode(answer.Bytes);
  return decoded.Ok ? OpenProtocolText::PacketText(decoded.Packet) : QByteArray();
}

// The value of the first answered item, or "<none>".
inline QByteArray AskValue(TInstallationEmulator& emulator, const QByteArray& text) {
  const auto items = OpenProtocolText::ParseAnswerText(Ask(emulator, text));
  return items.empty() ? QByteArray("<none>") : items.front().Value;
}
