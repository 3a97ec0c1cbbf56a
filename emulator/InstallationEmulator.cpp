#include "InstallationEmulator.h"

#include "OpenProtocolText.h"
#include "TextUtils.h"

#include <algorithm>
#include <cstring>
#include <utility>

using OpenProtocolFrame::TPacket;
using TextUtils::AsciiUpper;

namespace {

TEmulatorClock ClockOrPc(TEmulatorClock clock) {
  if (clock) return clock;
  return [] { return QDateTime::currentDateTime(); };
}

int ClampBlockSize(int size) {
  return std::clamp(size, TInstallationEmulator::kMinBlockSize, OpenProtocolText::kMaxText);
}

TArchiveSettings SettingsOf(TInstallationVariables& variables) {
  const auto value = [&](const char* name) { return variables.Read(name).value_or(QByteArray()); };
  return {value("SERIALN"), value("ALPHAALARM1"), value("ALPHAALARM2"), value("BETAALARM1"), value("BETAALARM2")};
}

// The caller keeps the text within what a frame carries.
TPacket TextAnswer(const TPacket& request, const QByteArray& text) {
  return *OpenProtocolText::TextPacket(request.Destination, request.Source, text);
}

}  // namespace

TInstallationEmulator::TInstallationEmulator(TEmulatorConfig config)
    : FAddress(config.Address),
      FBlockSize(ClampBlockSize(config.BlockSize)),
      FVariables(ClockOrPc(config.Clock)),
      FEmitters(config.Emitters),
      FMainSpectrum(TEmulatedSpectrum::Main(FMainSpectrumMinutes, FEmitters)),
      FBackgroundSpectrum(TEmulatedSpectrum::Background()),
      FArchive(config.Records, ClockOrPc(config.Clock)(), config.ArchiveIntervalSeconds, SettingsOf(FVariables)),
      FClock(ClockOrPc(config.Clock)),
      FRecordEverySeconds(std::max(config.RecordEverySeconds, 0)),
      FRingStarted(FClock()) {
  FArchive.SetCapacity(config.ArchiveCapacity);
  FArchive.SetNewestFirst(config.NewestFirst);
}

void TInstallationEmulator::AdvanceRing() {
  if (FRecordEverySeconds <= 0) return;
  const int64_t due = FRingStarted.secsTo(FClock()) / FRecordEverySeconds;
  if (due <= FRingTaken) return;
  FArchive.Append(static_cast<int>(std::min<int64_t>(due - FRingTaken, 1 << 20)));
  FRingTaken = due;
}

void TInstallationEmulator::AppendArchiveRecords(int records) {
  std::lock_guard lock(FMutex);
  FArchive.Append(records);
}

TEmulatorAnswer TInstallationEmulator::HandleFrame(const QByteArray& frame) {
  std::lock_guard lock(FMutex);
  TEmulatorAnswer result;
  const auto decoded = OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(frame.constData()),
                                                      static_cast<size_t>(frame.size()));
  if (!decoded.Ok) return result;
  const TPacket& request = decoded.Packet;
  result.RequestText = OpenProtocolText::PacketText(request);
  if (request.Destination != FAddress) {
    result.Outcome = TEmulatorAnswer::TOutcome::OtherAddress;
    return result;
  }
  ++FRequestCount;
  AdvanceRing();
  FRequestLog << result.RequestText;
  if (FRequestLog.size() > kMaxLoggedRequests) FRequestLog.removeFirst();

  bool blockAnswer = false;
  TPacket answer = *Answer(request, blockAnswer);
  const auto items = ParseRequest(result.RequestText);
  const bool blockRequest = !items.empty() && items.front().Kind == TItemKind::Block;
  result.Fault = FFaults.Take(blockRequest);
  result.Outcome = TEmulatorAnswer::TOutcome::Answered;
  const TPacket sound = answer;
  ApplyFault(result.Fault, blockAnswer, answer, result);
  if (result.Fault == TFaultKind::Behind) {
    // The controller sends what it had ready for the previous request; the
    // very first request goes unanswered.
    result.AnswerText = FPreviousAnswer ? OpenProtocolText::PacketText(*FPreviousAnswer) : QByteArray();
    result.Bytes = FPreviousAnswer ? OpenProtocolFrame::BuildFrame(*FPreviousAnswer) : QByteArray();
    if (!FPreviousAnswer) result.Outcome = TEmulatorAnswer::TOutcome::Silent;
  }
  FPreviousAnswer = sound;
  return result;
}

void TInstallationEmulator::ApplyFault(TFaultKind fault, bool blockAnswer, TPacket& packet, TEmulatorAnswer& answer) {
  switch (fault) {
    case TFaultKind::WrongAddress:
      packet.Source = static_cast<uint8_t>(FAddress + 1);
      break;
    case TFaultKind::Malformed:
      if (blockAnswer) {
        packet.Data[1] = 0;
      } else {
        std::replace(packet.Data.begin() + OpenProtocolText::kPayloadPrefix, packet.Data.begin() + packet.Length, '=',
                     ' ');
      }
      break;
    case TFaultKind::WrongBlock:
      if (blockAnswer) packet.Data[0] = static_cast<uint8_t>(packet.Data[0] + 1);
      break;
    case TFaultKind::Late:
      answer.DelayMs = FFaults.Plan().LateMs;
      break;
    default:
      break;
  }
  if (blockAnswer) {
    const int number = packet.Data[0];
    answer.AnswerText = "[block " + QByteArray::number(number) + ", " +
                        QByteArray::number(packet.Length - OpenProtocolText::kPayloadPrefix) + " bytes]";
  } else {
    answer.AnswerText = OpenProtocolText::PacketText(packet);
  }
  if (fault == TFaultKind::NoAnswer) {
    answer.Outcome = TEmulatorAnswer::TOutcome::Silent;
    return;
  }
  answer.Bytes = OpenProtocolFrame::BuildFrame(packet);
  if (fault == TFaultKind::BadCRC) {
    answer.Bytes.back() = static_cast<char>(answer.Bytes.back() ^ 0x5A);
  } else if (fault == TFaultKind::Short) {
    // Without its data checksum; a frame without data keeps its address and
    // length bytes only.
    answer.Bytes.truncate(answer.Bytes.size() > OpenProtocolFrame::kHeaderSize ? answer.Bytes.size() - 4 : 3);
  }
}

std::optional<TPacket> TInstallationEmulator::AnswerPacket(const TPacket& request) {
  std::lock_guard lock(FMutex);
  bool blockAnswer = false;
  return Answer(request, blockAnswer);
}

std::vector<TInstallationEmulator::TRequestItem> TInstallationEmulator::ParseRequest(const QByteArray& text) {
  // The reference ends at the first "=", so unlike in an answer a ":" in a
  // written value (a time typed as 14:05:09) leaves the name alone. Items
  // without "=" and text after the last ";" are skipped.
  std::vector<TRequestItem> items;
  const QByteArrayList pieces = text.split(';');
  for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
    const TextUtils::TSplit assignment = TextUtils::SplitAtFirst(pieces[i], "=");
    if (!assignment.Found) continue;
    const TextUtils::TSplit reference = TextUtils::SplitAtFirst(assignment.Before, ":");
    TRequestItem item;
    item.Name = TextUtils::Trim(reference.Before);
    item.Index = TextUtils::Trim(reference.After);
    item.Value = TextUtils::Trim(assignment.After);
    item.Reference = item.Index.isEmpty() ? item.Name : item.Name + ':' + item.Index;
    if (item.Value == "??") {
      item.Kind = TItemKind::Read;
    } else if (item.Value == "??##") {
      item.Kind = TItemKind::BlockCount;
    } else if (item.Value.startsWith("??#")) {
      item.Kind = TItemKind::Block;
      item.Block = TextUtils::ParseInt32(item.Value.mid(3)).value_or(0);
    } else {
      item.Kind = TItemKind::Write;
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::optional<TPacket> TInstallationEmulator::Answer(const TPacket& request, bool& blockAnswer) {
  blockAnswer = false;
  if (request.Destination != FAddress) return std::nullopt;
  const auto items = ParseRequest(OpenProtocolText::PacketText(request));
  if (!items.empty() && items.front().Kind == TItemKind::Block) {
    if (auto block = BlockAnswer(items.front())) {
      block->Destination = request.Source;
      blockAnswer = true;
      return block;
    }
  }
  QByteArray text;
  for (const TRequestItem& item : items) {
    const QByteArray answered = item.Reference + '=' + AnswerValue(item) + ';';
    // What does not fit in one answer stays unanswered; the driver then
    // keeps those variables as they were.
    if (text.size() + answered.size() > OpenProtocolText::kMaxText) break;
    text += answered;
    if (!FPackedAnswers) break;
  }
  return TextAnswer(request, text);
}

const TEmulatedSpectrum* TInstallationEmulator::SpectrumOf(const QByteArray& name) const {
  const QByteArray key = AsciiUpper(name);
  if (key == "SPECTRUM1") return &FMainSpectrum;
  if (key == "SPECTRUM2") return &FBackgroundSpectrum;
  return nullptr;
}

void TInstallationEmulator::RefreshMainSpectrum() {
  const auto minutes = TextUtils::ParseDecimal(FVariables.Read("DURATIONTIME").value_or(QByteArray()));
  if (!minutes || static_cast<double>(*minutes) == FMainSpectrumMinutes) return;
  FMainSpectrumMinutes = static_cast<double>(*minutes);
  FMainSpectrum = TEmulatedSpectrum::Main(FMainSpectrumMinutes, FEmitters);
}

int TInstallationEmulator::BlockCount() const { return (TEmulatedSpectrum::kBytes + FBlockSize - 1) / FBlockSize; }

std::optional<TPacket> TInstallationEmulator::BlockAnswer(const TRequestItem& item) {
  const TEmulatedSpectrum* spectrum = item.Index.isEmpty() ? SpectrumOf(item.Name) : nullptr;
  if (!spectrum || item.Block < 1 || item.Block > BlockCount()) return std::nullopt;
  const QByteArray content = spectrum->Bytes().mid((item.Block - 1) * FBlockSize, FBlockSize);
  TPacket answer;
  answer.Source = FAddress;
  answer.Length = static_cast<uint8_t>(content.size() + OpenProtocolText::kPayloadPrefix);
  answer.Data[0] = static_cast<uint8_t>(item.Block);
  answer.Data[1] = OpenProtocolText::kBlockPayload;
  std::memcpy(answer.Data.data() + OpenProtocolText::kPayloadPrefix, content.constData(),
              static_cast<size_t>(content.size()));
  return answer;
}

QByteArray TInstallationEmulator::AnswerValue(const TRequestItem& item) {
  const QByteArray& noValue = OpenProtocolText::kNoValue;
  if (!item.Index.isEmpty()) {
    // Only archive records are indexed; the archive cannot be written, so a
    // write is answered with the record's value as well.
    const auto record = TArchiveGenerator::ParseIndex(item.Index);
    if (!record || item.Kind == TItemKind::BlockCount || item.Kind == TItemKind::Block) return noValue;
    return FArchive.Value(item.Name, *record).value_or(noValue);
  }
  if (SpectrumOf(item.Name) == &FMainSpectrum && item.Kind == TItemKind::BlockCount) RefreshMainSpectrum();
  if (SpectrumOf(item.Name))
    return item.Kind == TItemKind::BlockCount ? "##" + QByteArray::number(BlockCount()) : noValue;
  if (item.Kind == TItemKind::BlockCount || item.Kind == TItemKind::Block) return noValue;
  if (AsciiUpper(item.Name) == "NUMOFRECORDS") return QByteArray::number(FArchive.Records());
  const auto value =
      item.Kind == TItemKind::Write ? FVariables.Write(item.Name, item.Value) : FVariables.Read(item.Name);
  return value.value_or(noValue);
}

void TInstallationEmulator::SetFaults(const TFaultPlan& plan) {
  std::lock_guard lock(FMutex);
  FFaults.SetPlan(plan);
}

TFaultPlan TInstallationEmulator::Faults() const {
  std::lock_guard lock(FMutex);
  return FFaults.Plan();
}

int TInstallationEmulator::FaultsApplied() const {
  std::lock_guard lock(FMutex);
  return FFaults.Applied();
}

uint8_t TInstallationEmulator::Address() const {
  std::lock_guard lock(FMutex);
  return FAddress;
}

void TInstallationEmulator::SetAddress(uint8_t address) {
  std::lock_guard lock(FMutex);
  FAddress = address;
}

int TInstallationEmulator::BlockSize() const {
  std::lock_guard lock(FMutex);
  return FBlockSize;
}

void TInstallationEmulator::SetBlockSize(int size) {
  std::lock_guard lock(FMutex);
  FBlockSize = ClampBlockSize(size);
}

void TInstallationEmulator::SetArchiveRecords(int records) {
  std::lock_guard lock(FMutex);
  const int capacity = FArchive.Capacity();
  const bool newestFirst = FArchive.NewestFirst();
  FArchive = TArchiveGenerator(records, FArchive.NewestTime(), FArchive.IntervalSeconds(), SettingsOf(FVariables));
  FArchive.SetCapacity(capacity);
  FArchive.SetNewestFirst(newestFirst);
}

void TInstallationEmulator::SetPackedAnswers(bool on) {
  std::lock_guard lock(FMutex);
  FPackedAnswers = on;
}

bool TInstallationEmulator::SetVariable(const QByteArray& name, const QByteArray& value) {
  std::lock_guard lock(FMutex);
  return FVariables.Set(name, value);
}

std::optional<QByteArray> TInstallationEmulator::Variable(const QByteArray& name) {
  std::lock_guard lock(FMutex);
  if (AsciiUpper(name) == "NUMOFRECORDS") return QByteArray::number(FArchive.Records());
  return FVariables.Read(name);
}

int TInstallationEmulator::RequestCount() const {
  std::lock_guard lock(FMutex);
  return FRequestCount;
}

QByteArrayList TInstallationEmulator::RequestLog() const {
  std::lock_guard lock(FMutex);
  return FRequestLog;
}

void TInstallationEmulator::ClearLog() {
  std::lock_guard lock(FMutex);
  FRequestLog.clear();
  FRequestCount = 0;
}
