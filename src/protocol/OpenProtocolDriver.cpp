#include "OpenProtocolDriver.h"

#include "OpenProtocolText.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QThread>

#include <algorithm>
#include <vector>

using OpenProtocolFrame::TPacket;

namespace {

constexpr int kDumpHexLine = 48;   // 16 bytes as "XX "
constexpr int kDumpCharLine = 16;  // 16 characters
const QByteArray kRequestPrefix = "-> ";
const QByteArray kAnswerPrefix = "<- ";
const QByteArray kCharPrefix = " ~ ";

QByteArray HexBytes(const uint8_t* bytes, int count) {
  QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), count).toHex(' ').toUpper();
  if (!text.isEmpty()) text += ' ';
  return text;
}

// A write value holding ";" or "=" would end its item early on the line and
// could set another variable than the one the operator edited.
bool BreaksTheLine(const QByteArray& value) { return value.contains(';') || value.contains('='); }

QByteArray NotTheAnswer(const QByteArray& reference) {
  return Win1251::FromUnicode(QStringLiteral("ответ не на этот запрос: в нём нет ") + Win1251::ToUnicode(reference));
}

}  // namespace

TOpenProtocolDriver::TOpenProtocolDriver(TCommChannel* channel) : FChannel(channel) {}

void TOpenProtocolDriver::SetChannel(TCommChannel* channel) {
  FChannel = channel;
  FPackingVerdict = TPackingVerdict::Untried;
  FPackingAddress = -1;
}

void TOpenProtocolDriver::SetPacking(bool on) {
  if (on && !FPacking) {
    FPackingVerdict = TPackingVerdict::Untried;
    FPackingAddress = -1;
  }
  FPacking = on;
}

uint8_t TOpenProtocolDriver::PackMode() const {
  return FPacking && FPackingVerdict != TPackingVerdict::Refused ? 0 : 1;
}

bool TOpenProtocolDriver::ReadVars(uint8_t address, TOPVarList& list) {
  return TransferVars(address, list, TTransaction::Read);
}

bool TOpenProtocolDriver::WriteVars(uint8_t address, TOPVarList& list) {
  return TransferVars(address, list, TTransaction::Write);
}

bool TOpenProtocolDriver::CanWrite(const TOPVarList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const TOPVarListItem& item = *list.GetItem(i);
    const QByteArray request = OpenProtocolText::WriteRequest(item);
    const QString name = Win1251::ToUnicode(OpenProtocolText::VarReference(item));
    QString why;
    if (BreaksTheLine(item.Value))
      why = QStringLiteral("значение ") + name + QStringLiteral(" содержит \";\" или \"=\"");
    else if (request.size() > OpenProtocolText::kMaxText)
      why = QStringLiteral("запрос ") + name + QStringLiteral(" длиннее %1 знаков").arg(OpenProtocolText::kMaxText);
    if (why.isEmpty()) continue;
    Log(FCommLog, "-- " + Win1251::FromUnicode(QStringLiteral("запись не отправлена: ") + why));
    return Fail(TFailure::Refused, request);
  }
  return true;
}

bool TOpenProtocolDriver::TransferVars(uint8_t address, TOPVarList& list, TTransaction kind) {
  FLastFailure = TFailure::None;
  FFailedRequest.clear();
  // A write goes out whole or not at all: every value is checked first.
  if (kind == TTransaction::Write && !CanWrite(list)) {
    ResetProgress();
    return false;
  }
  if (kind == TTransaction::Read && FPacking && address != FPackingAddress) {
    FPackingAddress = address;
    FPackingVerdict = TPackingVerdict::Untried;
  }
  const int count = list.Count();
  int next = 0;
  // Set while the first variable of a packed request that got no sound
  // answer is asked alone, to tell a refusal from a dead line.
  bool probe = false;
  while (next < count) {
    const int first = next;
    QByteArray text;
    if (kind == TTransaction::Read && PackMode() == 0 && !probe) {
      text = OpenProtocolText::PackedReadRequest(list, first, next);
    } else {
      const TOPVarListItem& item = *list.GetItem(next++);
      text = kind == TTransaction::Read ? OpenProtocolText::ReadRequest(item) : OpenProtocolText::WriteRequest(item);
    }
    const bool packed = next - first > 1;

    const auto answersAll = [&list, first, next](const TPacket& answer) -> QByteArray {
      const std::vector<OpenProtocolText::TAnswerItem> items =
          OpenProtocolText::ParseAnswerText(OpenProtocolText::PacketText(answer));
      for (int i = first; i < next; ++i) {
        const TOPVarListItem* wanted = list.GetItem(i);
        const bool answered = std::any_of(items.begin(), items.end(), [wanted](const auto& item) {
          return TextUtils::SameTextAscii(item.Name, wanted->Name) &&
                 TextUtils::SameTextAscii(item.Index, wanted->Index);
        });
        if (!answered) return NotTheAnswer(OpenProtocolText::VarReference(*wanted));
      }
      return {};
    };
    const std::optional<TPacket> answer = Request(address, text, false, answersAll);
    if (!answer) {
      // Nothing of a failed request was placed: asking its variables again
      // one a request loses and repeats no value.
      if (packed && PackedRequestFailed(probe)) {
        next = first;
        continue;
      }
      ResetProgress();
      return false;
    }
    if (probe) {
      probe = false;
      RefusePacking();
    } else if (packed && FPackingVerdict == TPackingVerdict::Untried) {
      FPackingVerdict = TPackingVerdict::Answered;
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
    ShowProgress(FProgressBar, next * 100 / count);
  }
  ResetProgress();
  return true;
}

bool TOpenProtocolDriver::PackedRequestFailed(bool& probe) {
  switch (FLastFailure) {
    case TFailure::NotAnswered:
      // The installation answers, only never every variable of the request.
      RefusePacking();
      break;
    case TFailure::Silent:
    case TFailure::BadFrame:
      // Packed requests were answered before: the line is at fault.
      if (FPackingVerdict == TPackingVerdict::Answered) return false;
      probe = true;
      break;
    default:
      // The port or the operator: nothing learnt about the installation.
      return false;
  }
  FLastFailure = TFailure::None;
  FFailedRequest.clear();
  return true;
}

void TOpenProtocolDriver::RefusePacking() {
  FPackingVerdict = TPackingVerdict::Refused;
  Log(FCommLog, "-- " + Win1251::FromUnicode(QStringLiteral(
                            "установка не отвечает на упакованные запросы, дальше запросы по одной переменной")));
}

bool TOpenProtocolDriver::ReadBlocks(uint8_t address, const TOPVarList& list, uint32_t& size, QByteArray& data) {
  FLastFailure = TFailure::None;
  FFailedRequest.clear();
  size = 0;
  const TOPVarListItem* item = list.GetItem(0);
  const auto fail = [this](TFailure failure = TFailure::None, const QByteArray& request = {}) {
    ResetProgress();
    if (failure != TFailure::None) Fail(failure, request);
    return false;
  };
  // Block requests carry one variable each, packing or not.
  if (!item) return fail(TFailure::Refused);

  const QByteArray countRequest = OpenProtocolText::BlockCountRequest(*item);
  const auto answersCount = [item](const TPacket& answer) -> QByteArray {
    for (const auto& answered : OpenProtocolText::ParseAnswerText(OpenProtocolText::PacketText(answer)))
      if (TextUtils::SameTextAscii(answered.Name, item->Name) && TextUtils::SameTextAscii(answered.Index, item->Index))
        return {};
    return NotTheAnswer(OpenProtocolText::VarReference(*item));
  };
  const std::optional<TPacket> countAnswer = Request(address, countRequest, false, answersCount);
  if (!countAnswer) return fail();
  const std::optional<int> blocks =
      OpenProtocolText::ParseBlockCountAnswer(OpenProtocolText::PacketText(*countAnswer), *item);
  if (!blocks) return fail(TFailure::BadContent, countRequest);

  QByteArray collected;
  collected.reserve(kBlockBufferSize);
  for (int block = 1; block <= *blocks; ++block) {
    const auto isTheBlock = [block](const TPacket& answer) -> QByteArray {
      if (OpenProtocolText::AcceptBlockAnswer(answer, block)) return {};
      if (answer.Length < OpenProtocolText::kPayloadPrefix || answer.Data[1] != OpenProtocolText::kBlockPayload)
        return Win1251::FromUnicode(QStringLiteral("ответ не на этот запрос: это не блок"));
      const int number = answer.Data[0] == 0 ? 1 : answer.Data[0];
      return Win1251::FromUnicode(QStringLiteral("пришёл блок %1 вместо блока %2").arg(number).arg(block));
    };
    const QByteArray request = OpenProtocolText::BlockRequest(*item, block);
    const std::optional<TPacket> answer = Request(address, request, true, isTheBlock);
    if (!answer) return fail();
    const QByteArray content = *OpenProtocolText::AcceptBlockAnswer(*answer, block);
    // An installation announcing more than the buffer holds fails the
    // transfer rather than having its surplus silently dropped.
    if (collected.size() + content.size() > kBlockBufferSize) return fail(TFailure::BadContent, request);
    collected += content;
    ShowProgress(FProgressBar, static_cast<int>(static_cast<int64_t>(block) * 100 / *blocks));
  }
  data = collected;
  size = static_cast<uint32_t>(collected.size());
  ResetProgress();
  return true;
}

bool TOpenProtocolDriver::Fail(TFailure failure, const QByteArray& request) {
  FLastFailure = failure;
  FFailedRequest = request;
  return false;
}

std::optional<TPacket> TOpenProtocolDriver::Request(uint8_t address, const QByteArray& text, bool blockAnswer,
                                                    const TAnswerCheck& check) {
  const std::optional<TPacket> request = OpenProtocolText::TextPacket(FLocalAddress, address, text);
  if (!request) {
    Log(FCommLog, kRequestPrefix + text);
    Log(FCommLog, "-- " + Win1251::FromUnicode(
                              QStringLiteral("не отправлено: длиннее %1 символов").arg(OpenProtocolText::kMaxText)));
    if (FRequestFinished) FRequestFinished(false);
    Fail(TFailure::Refused, text);
    return std::nullopt;
  }
  TFailure failure = TFailure::None;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (!MayGoOn()) {
      Fail(TFailure::Stopped, text);
      return std::nullopt;
    }
    TAttempt result = Exchange(*request);
    if (result.Received && check) {
      result.Refusal = check(result.Answer);
      result.Ok = result.Refusal.isEmpty();
      if (!result.Ok) result.Failure = TFailure::NotAnswered;
    }
    Log(FCommLog, kRequestPrefix + text);
    LogAttempt(result, blockAnswer);
    if (result.Ok) {
      if (FRequestFinished) FRequestFinished(true);
      return result.Answer;
    }
    // Silence after an answer that was not the one asked for still means the
    // installation answers, only not this request.
    if (failure != TFailure::NotAnswered || result.Failure != TFailure::Silent) failure = result.Failure;
  }
  if (FRequestFinished) FRequestFinished(false);
  Fail(failure, text);
  return std::nullopt;
}

TOpenProtocolDriver::TAttempt TOpenProtocolDriver::Exchange(const TPacket& request) {
  TAttempt attempt;
  FBadCRC = false;
  if (FPauseBeforeAttemptMs > 0) QThread::msleep(static_cast<unsigned long>(FPauseBeforeAttemptMs));
  if (!FChannel) {
    attempt.Failure = TFailure::NoChannel;
    return attempt;
  }
  // A late answer to an earlier attempt, or noise, must not be taken for
  // the answer to this one. One that arrives after this is caught by the
  // caller's check of what the answer answers.
  FChannel->DiscardInput();
  if (!SendFrame(request)) {
    attempt.Failure = TFailure::LineFailed;
    return attempt;
  }
  attempt.Failure = ReceiveFrame(attempt.Answer);
  // The rest of a frame that silence cut short may still be on its way.
  if (attempt.Failure == TFailure::BadFrame) FChannel->DrainInput();
  if (attempt.Failure != TFailure::None) return attempt;
  attempt.Received = attempt.Answer.Destination == request.Source && attempt.Answer.Source == request.Destination;
  attempt.Ok = attempt.Received;
  if (!attempt.Received) attempt.Failure = TFailure::BadFrame;
  return attempt;
}

bool TOpenProtocolDriver::SendFrame(const TPacket& packet) {
  FBadCRC = false;
  if (!FChannel) return false;
  const QByteArray frame = OpenProtocolFrame::BuildFrame(packet, FChecksumKind);
  uint32_t count = static_cast<uint32_t>(frame.size());
  ++FFramesSent;
  if (!FChannel->Write(reinterpret_cast<const uint8_t*>(frame.constData()), count)) return false;
  const QByteArray written = frame.left(static_cast<qsizetype>(count));
  for (const QByteArray& line : HexDump(written, kRequestPrefix)) Log(FDebugLog, line);
  for (const QByteArray& line : CharDump(written)) Log(FDebugLog, line);
  return true;
}

TOpenProtocolDriver::TFailure TOpenProtocolDriver::ReceiveFrame(TPacket& packet) {
  FBadCRC = false;
  FBytesReceived = 0;
  if (!FChannel) return TFailure::NoChannel;
  uint8_t buffer[OpenProtocolFrame::kMaxFrame];
  uint32_t count = 0;
  const TCommChannel::TExpectedLength expected =
      FEndOfFrame == TEndOfFrame::Length ? &OpenProtocolFrame::AnnouncedFrameLength : nullptr;
  if (!FChannel->Read(buffer, sizeof buffer, count, expected)) return TFailure::LineFailed;
  if (count == 0) return TFailure::Silent;
  count = std::min<uint32_t>(count, sizeof buffer);
  const QByteArray received(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count));
  for (const QByteArray& line : HexDump(received, kAnswerPrefix)) Log(FDebugLog, line);
  for (const QByteArray& line : CharDump(received)) Log(FDebugLog, line);
  FBytesReceived = count;
  const OpenProtocolFrame::TDecodeResult decoded = OpenProtocolFrame::DecodeFrame(buffer, count, FChecksumKind);
  FBadCRC = decoded.BadCRC;
  if (!decoded.Ok) return TFailure::BadFrame;
  packet = decoded.Packet;
  return TFailure::None;
}

bool TOpenProtocolDriver::MayGoOn() {
  const bool goOn = (!FBetweenRequests || FBetweenRequests()) && !(FCancel && FCancel->Cancelled());
  if (!goOn) Log(FCommLog, "-- " + Win1251::FromUnicode(QStringLiteral("прервано оператором")));
  return goOn;
}

void TOpenProtocolDriver::LogAttempt(const TAttempt& attempt, bool blockAnswer) {
  if (!attempt.Received) {
    Log(FCommLog,
        FBadCRC ? kAnswerPrefix + "bad CRC [" + QByteArray::number(FBytesReceived) + " bytes total]" : kAnswerPrefix);
    return;
  }
  if (!blockAnswer) {
    Log(FCommLog, kAnswerPrefix + OpenProtocolText::PacketText(attempt.Answer));
  } else {
    const QByteArray hex = HexBytes(attempt.Answer.Data.data(), attempt.Answer.Length);
    for (qsizetype at = 0; at < hex.size(); at += kDumpHexLine)
      Log(FCommLog, kAnswerPrefix + hex.mid(at, kDumpHexLine));
    if (hex.isEmpty()) Log(FCommLog, kAnswerPrefix);
  }
  if (!attempt.Refusal.isEmpty()) Log(FCommLog, "-- " + attempt.Refusal);
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

void TOpenProtocolDriver::Log(TLogSink* log, const QByteArray& line) { AppendLogLine(log, line); }

void TOpenProtocolDriver::ResetProgress() {
  if (FProgressBar) FProgressBar->SetPosition(FProgressBar->Minimum());
}
