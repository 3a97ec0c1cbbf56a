#include "OpenProtocolDriver.h"

#include "OpenProtocolText.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QThread>

using OpenProtocolFrame::TPacket;

namespace {

constexpr int kDumpHexLine = 48;   // 16 bytes as "XX "
constexpr int kDumpCharLine = 16;  // 16 characters
constexpr int kPackedRequestLength = 127;
const QByteArray kRequestPrefix = "-> ";
const QByteArray kAnswerPrefix = "<- ";
const QByteArray kCharPrefix = " ~ ";

QByteArray HexBytes(const uint8_t* bytes, int count) {
  QByteArray text;
  text.reserve(count * 3);
  for (int i = 0; i < count; ++i) text += TextUtils::ByteToHex(bytes[i]) + ' ';
  return text;
}

// A write value holding ";" or "=" would end its item early on the line and
// could set another variable than the one the operator edited.
bool BreaksTheLine(const QByteArray& value) { return value.contains(';') || value.contains('='); }

}  // namespace

TOpenProtocolDriver::TOpenProtocolDriver(TCommChannel* channel) : FChannel(channel) {}

bool TOpenProtocolDriver::ReadVars(uint8_t address, TOPVarList& list) {
  return TransferVars(address, list, TTransaction::Read);
}

bool TOpenProtocolDriver::WriteVars(uint8_t address, TOPVarList& list) {
  return TransferVars(address, list, TTransaction::Write);
}

bool TOpenProtocolDriver::TransferVars(uint8_t address, TOPVarList& list, TTransaction kind) {
  const int count = list.Count();
  int next = 0;
  while (next < count) {
    QByteArray text;
    do {
      const TOPVarListItem& item = *list.GetItem(next++);
      if (kind == TTransaction::Write && BreaksTheLine(item.Value)) {
        Log(FCommLog, kRequestPrefix + OpenProtocolText::WriteRequest(item));
        Log(FCommLog, "-- " + Win1251::FromUnicode(QStringLiteral("не отправлено: значение содержит \";\" или \"=\"")));
        ResetProgress();
        return false;
      }
      text += kind == TTransaction::Read ? OpenProtocolText::ReadRequest(item) : OpenProtocolText::WriteRequest(item);
    } while (FPackMode == 0 && next < count && text.size() < kPackedRequestLength);

    const std::optional<TPacket> answer = Request(address, text, false);
    if (!answer) {
      ResetProgress();
      return false;
    }
    for (const OpenProtocolText::TAnswerItem& answered :
         OpenProtocolText::ParseAnswerText(OpenProtocolText::PacketText(*answer))) {
      TOPVarListItem* item = list.GetItem(list.IndexOfVar(answered.Name, answered.Index));
      if (!item) continue;
      if (answered.Value == OpenProtocolText::kNoValue) {
        if (kind == TTransaction::Read) item->Value.clear();
      } else {
        item->Value = answered.Value;
      }
    }
    SetProgress(next * 100 / count);
  }
  ResetProgress();
  return true;
}

bool TOpenProtocolDriver::ReadBlocks(uint8_t address, const TOPVarList& list, uint32_t& size, QByteArray& data) {
  size = 0;
  const TOPVarListItem* item = list.GetItem(0);
  const auto fail = [this] {
    ResetProgress();
    return false;
  };
  if (FPackMode != 1 || !item) return fail();

  const std::optional<TPacket> countAnswer = Request(address, OpenProtocolText::BlockCountRequest(*item), false);
  if (!countAnswer) return fail();
  const std::optional<int> blocks =
      OpenProtocolText::ParseBlockCountAnswer(OpenProtocolText::PacketText(*countAnswer), *item);
  if (!blocks) return fail();

  QByteArray collected;
  collected.reserve(kBlockBufferSize);
  for (int block = 1; block <= *blocks; ++block) {
    const std::optional<TPacket> answer = Request(address, OpenProtocolText::BlockRequest(*item, block), true);
    if (!answer) return fail();
    const std::optional<QByteArray> content = OpenProtocolText::AcceptBlockAnswer(*answer, block);
    // An installation announcing more than the buffer holds fails the
    // transfer rather than having its surplus silently dropped.
    if (!content || collected.size() + content->size() > kBlockBufferSize) return fail();
    collected += *content;
    SetProgress(static_cast<int>(static_cast<int64_t>(block) * 100 / *blocks));
  }
  data = collected;
  size = static_cast<uint32_t>(collected.size());
  ResetProgress();
  return true;
}

std::optional<TPacket> TOpenProtocolDriver::Request(uint8_t address, const QByteArray& text, bool blockAnswer) {
  const std::optional<TPacket> request = OpenProtocolText::TextPacket(FLocalAddress, address, text);
  if (!request) {
    Log(FCommLog, kRequestPrefix + text);
    Log(FCommLog, "-- " + Win1251::FromUnicode(
                              QStringLiteral("не отправлено: длиннее %1 символов").arg(OpenProtocolText::kMaxText)));
    if (FRequestFinished) FRequestFinished(false);
    return std::nullopt;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (!MayGoOn()) return std::nullopt;
    const TAttempt result = Exchange(*request);
    Log(FCommLog, kRequestPrefix + text);
    LogAttempt(result, blockAnswer);
    if (result.Ok) {
      if (FRequestFinished) FRequestFinished(true);
      return result.Answer;
    }
  }
  if (FRequestFinished) FRequestFinished(false);
  return std::nullopt;
}

TOpenProtocolDriver::TAttempt TOpenProtocolDriver::Exchange(const TPacket& request) {
  TAttempt attempt;
  FBadCRC = false;
  QThread::msleep(kPauseBeforeAttemptMs);
  // A late answer to an earlier attempt, or noise, must not be taken for
  // the answer to this one.
  if (FChannel) FChannel->DiscardInput();
  if (!SendFrame(request) || !ReceiveFrame(attempt.Answer)) return attempt;
  attempt.Ok = attempt.Answer.Destination == request.Source && attempt.Answer.Source == request.Destination;
  return attempt;
}

bool TOpenProtocolDriver::SendFrame(const TPacket& packet) {
  FBadCRC = false;
  if (!FChannel) return false;
  const QByteArray frame = OpenProtocolFrame::BuildFrame(packet, FChecksumKind);
  uint32_t count = static_cast<uint32_t>(frame.size());
  if (!FChannel->Write(reinterpret_cast<const uint8_t*>(frame.constData()), count)) return false;
  const QByteArray written = frame.left(static_cast<qsizetype>(count));
  for (const QByteArray& line : HexDump(written, kRequestPrefix)) Log(FDebugLog, line);
  for (const QByteArray& line : CharDump(written)) Log(FDebugLog, line);
  return true;
}

bool TOpenProtocolDriver::ReceiveFrame(TPacket& packet) {
  FBadCRC = false;
  FBytesReceived = 0;
  if (!FChannel) return false;
  uint8_t buffer[OpenProtocolFrame::kMaxFrame];
  uint32_t count = 0;
  const TCommChannel::TExpectedLength expected =
      FEndOfFrame == TEndOfFrame::Length ? &OpenProtocolFrame::AnnouncedFrameLength : nullptr;
  if (!FChannel->Read(buffer, sizeof buffer, count, expected) || count == 0) return false;
  count = std::min<uint32_t>(count, sizeof buffer);
  const QByteArray received(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count));
  for (const QByteArray& line : HexDump(received, kAnswerPrefix)) Log(FDebugLog, line);
  for (const QByteArray& line : CharDump(received)) Log(FDebugLog, line);
  FBytesReceived = count;
  const OpenProtocolFrame::TDecodeResult decoded = OpenProtocolFrame::DecodeFrame(buffer, count, FChecksumKind);
  FBadCRC = decoded.BadCRC;
  if (!decoded.Ok) return false;
  packet = decoded.Packet;
  return true;
}

bool TOpenProtocolDriver::MayGoOn() {
  const bool goOn = (!FBetweenRequests || FBetweenRequests()) && !(FCancel && FCancel->Cancelled());
  if (!goOn) Log(FCommLog, "-- " + Win1251::FromUnicode(QStringLiteral("прервано оператором")));
  return goOn;
}

void TOpenProtocolDriver::LogAttempt(const TAttempt& attempt, bool blockAnswer) {
  if (!attempt.Ok) {
    Log(FCommLog,
        FBadCRC ? kAnswerPrefix + "bad CRC [" + QByteArray::number(FBytesReceived) + " bytes total]" : kAnswerPrefix);
    return;
  }
  if (!blockAnswer) {
    Log(FCommLog, kAnswerPrefix + OpenProtocolText::PacketText(attempt.Answer));
    return;
  }
  const QByteArray hex = HexBytes(attempt.Answer.Data.data(), attempt.Answer.Length);
  for (qsizetype at = 0; at < hex.size(); at += kDumpHexLine) Log(FCommLog, kAnswerPrefix + hex.mid(at, kDumpHexLine));
  if (hex.isEmpty()) Log(FCommLog, kAnswerPrefix);
}

QByteArrayList TOpenProtocolDriver::HexDump(const QByteArray& bytes, const QByteArray& prefix) {
  QByteArray hex = HexBytes(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<int>(bytes.size()));
  while (hex.size() % kDumpHexLine != 0) hex += "   ";
  QByteArrayList lines;
  const QByteArray indent(prefix.size(), ' ');
  for (qsizetype at = 0; at < hex.size(); at += kDumpHexLine) {
    const QByteArray piece = hex.mid(at, kDumpHexLine);
    lines << (lines.isEmpty() ? prefix : indent) + piece.left(kDumpHexLine / 2) + ' ' + piece.mid(kDumpHexLine / 2);
  }
  return lines;
}

QByteArrayList TOpenProtocolDriver::CharDump(const QByteArray& bytes) {
  QByteArray chars = bytes;
  for (char& c : chars)
    if (static_cast<unsigned char>(c) < 32) c = '.';
  while (chars.size() % kDumpCharLine != 0) chars += ' ';
  QByteArrayList lines;
  const QByteArray indent(kCharPrefix.size(), ' ');
  for (qsizetype at = 0; at < chars.size(); at += kDumpCharLine) {
    const QByteArray piece = chars.mid(at, kDumpCharLine);
    lines << (lines.isEmpty() ? kCharPrefix : indent) + piece.left(kDumpCharLine / 2) + ' ' +
                 piece.mid(kDumpCharLine / 2);
  }
  return lines;
}

void TOpenProtocolDriver::Log(TLogSink* log, const QByteArray& line) {
  if (!log) return;
  if (log->LineCount() > kMaxLogLines - 1) log->DeleteFirstLine();
  log->AppendLine(line);
}

void TOpenProtocolDriver::SetProgress(int percent) {
  if (!FProgressBar) return;
  const int minimum = FProgressBar->Minimum();
  const int maximum = FProgressBar->Maximum();
  FProgressBar->SetPosition(minimum + static_cast<int>(static_cast<int64_t>(maximum - minimum) * percent / 100));
}

void TOpenProtocolDriver::ResetProgress() {
  if (FProgressBar) FProgressBar->SetPosition(FProgressBar->Minimum());
}
