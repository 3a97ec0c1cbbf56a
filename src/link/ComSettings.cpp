#include "ComSettings.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "StartupPaths.h"
#include "TextUtils.h"

namespace {

// The keys in file order; the index of a key is its place in TValues.
const char* const kKeys[TComSettings::kValueCount] = {"PortNumber", "TransferRate",           "StopBits",
                                                      "Paritet",    "LatencyPeriod",          "DTRControl",
                                                      "RTSControl", "WriteTimeOutMultiplier", "WriteTimeOutConstant"};

enum : int { kMultiplierIndex = 7, kConstantIndex = 8 };

constexpr int kLinesRead = 9;

int KeyIndex(const QByteArray& key) {
  for (int i = 0; i < TComSettings::kValueCount; ++i)
    if (key == kKeys[i]) return i;
  return -1;
}

// The text of one line without its end: a line ends at LF, and a CR ends
// the text as well.
QByteArray LineText(const QByteArray& line) {
  qsizetype end = 0;
  while (end < line.size() && line[end] != '\r' && line[end] != '\n') ++end;
  return line.left(end);
}

TComSettings::TValues FailedLoadValues() {
  TComSettings defaults;
  defaults.SetFailedLoadDefaults();
  return defaults.GetValues();
}

}  // namespace

TComSettings::TComSettings() { SetStartValues(); }

void TComSettings::SetStartValues() {
  FPortNumber = "COM1";
  FTransferRate = "9600 baud";
  FStopBits = "1 bit";
  FParitet = "None";
  FLatencyPeriod = "Approximately 0.25 second";
  FDTRControl = "Disable";
  FRTSControl = "Disable";
  FWriteTimeoutMultiplier = 0;
  FWriteTimeoutConstant = 0;
}

void TComSettings::SetFailedLoadDefaults() {
  SetStartValues();
  FDTRControl = "HandShake";
  FRTSControl = "HandShake";
}

QString TComSettings::FilePath(const QString& fileName) {
  return FileLocations().ReadPath(TFileLocations::TKind::Settings, fileName);
}

bool TComSettings::LoadFromFile(const QString& fileName) {
  FMissingKeys.clear();
  for (const char* key : kKeys) FMissingKeys << key;
  const std::optional<QByteArray> bytes = ReadRegularFile(FilePath(fileName), kMaxFileBytes);
  if (!bytes) {
    SetFailedLoadDefaults();
    return false;
  }
  return LoadFromBytes(*bytes);
}

bool TComSettings::LoadFromBytes(const QByteArray& bytes) {
  FMissingKeys.clear();
  for (const char* key : kKeys) FMissingKeys << key;
  TValues values = GetValues();
  std::array<bool, kValueCount> found{};
  const QByteArrayList lines = TextUtils::SplitLines(bytes);
  for (int line = 0; line < kLinesRead && line < lines.size(); ++line) {
    const QByteArray text = LineText(lines[line]);
    const TextUtils::TSplit pair = TextUtils::SplitAtFirst(text, "=");
    if (!pair.Found) continue;
    const int index = KeyIndex(pair.Before);
    if (index < 0) continue;
    if ((index == kMultiplierIndex || index == kConstantIndex) && !TextUtils::ParseInt32(pair.After)) {
      SetFailedLoadDefaults();
      return false;
    }
    values[index] = pair.After;
    found[static_cast<size_t>(index)] = true;
  }
  FMissingKeys.clear();
  for (int i = 0; i < kValueCount; ++i)
    if (!found[static_cast<size_t>(i)]) FMissingKeys << kKeys[i];
  // The texts are taken as they stand, an empty one included.
  FPortNumber = values[0];
  FTransferRate = values[1];
  FStopBits = values[2];
  FParitet = values[3];
  FLatencyPeriod = values[4];
  FDTRControl = values[5];
  FRTSControl = values[6];
  FWriteTimeoutMultiplier = *TextUtils::ParseInt32(values[kMultiplierIndex]);
  FWriteTimeoutConstant = *TextUtils::ParseInt32(values[kConstantIndex]);
  return true;
}

bool TComSettings::SaveToFile(const QString& fileName) const {
  return SaveFileAtomically(FileLocations().WritePath(TFileLocations::TKind::Settings, fileName), SaveToBytes());
}

QByteArray TComSettings::SaveToBytes() const {
  const TValues values = GetValues();
  QByteArray text;
  for (int i = 0; i < kValueCount; ++i) text += QByteArray(kKeys[i]) + '=' + values[i] + "\r\n";
  return text;
}

TComSettings::TValues TComSettings::GetValues() const {
  return {FPortNumber,
          FTransferRate,
          FStopBits,
          FParitet,
          FLatencyPeriod,
          FDTRControl,
          FRTSControl,
          QByteArray::number(FWriteTimeoutMultiplier),
          QByteArray::number(FWriteTimeoutConstant)};
}

void TComSettings::SetValues(const TValues& values) {
  const TValues defaults = FailedLoadValues();
  const auto pick = [&](int i) { return values[i].isEmpty() ? defaults[i] : values[i]; };
  FPortNumber = pick(0);
  FTransferRate = pick(1);
  FStopBits = pick(2);
  FParitet = pick(3);
  FLatencyPeriod = pick(4);
  FDTRControl = pick(5);
  FRTSControl = pick(6);
  FWriteTimeoutMultiplier = TextUtils::ParseInt32(values[kMultiplierIndex]).value_or(0);
  FWriteTimeoutConstant = TextUtils::ParseInt32(values[kConstantIndex]).value_or(0);
}
