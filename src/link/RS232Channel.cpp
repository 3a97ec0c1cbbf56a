#include "RS232Channel.h"

#include "LogSink.h"
#include "Win1251.h"

namespace {

// Raised inside Write and Read when the channel cannot transfer; caught
// there and turned into a false result with count 0.
class EInvalidRS232Operation {};

}  // namespace

TRS232Channel::TRS232Channel(std::unique_ptr<TSerialPort> port)
    : FPort(std::move(port)), FProperties(std::make_unique<TComProperties>(&FSettings, FPort.get())) {}

TRS232Channel::~TRS232Channel() = default;

bool TRS232Channel::LoadSettings(const QString& fileName) { return FSettings.LoadFromFile(fileName); }

bool TRS232Channel::SaveSettings(const QString& fileName) const { return FSettings.SaveToFile(fileName); }

bool TRS232Channel::Open() {
  FProperties->ReadSettingsAndOpen();
  FState = FProperties->Opened() ? kStateOpen : kStateNotOpen;
  return FState == kStateOpen;
}

void TRS232Channel::Close() { FProperties->Close(); }

bool TRS232Channel::Reopen(int minGapMs) {
  if (FState == kStateOpen) return true;
  // hasExpired(0) is false within the millisecond of the last try: no gap
  // asked for means try now.
  if (minGapMs > 0 && FLastReopen.isValid() && !FLastReopen.hasExpired(minGapMs)) return false;
  FLastReopen.start();
  FProperties->Open();
  if (!FProperties->Opened()) return false;
  FState = kStateOpen;
  Notice(QStringLiteral("порт %1 снова открыт"));
  if (FPortObserver) FPortObserver(true);
  return true;
}

void TRS232Channel::CheckLost() {
  if (FState != kStateOpen || !FPort->Lost()) return;
  // The handle of a vanished device stays dead even when the device comes
  // back under the same name: it is let go, and opened anew later.
  FProperties->Close();
  FState = kStateNotOpen;
  FLastReopen.invalidate();
  Notice(QStringLiteral("порт %1 недоступен и закрыт, связи нет до его возвращения"));
  if (FPortObserver) FPortObserver(false);
}

void TRS232Channel::Notice(const QString& text) {
  AppendLogLine(FLog, "-- " + Win1251::FromUnicode(text.arg(Win1251::ToUnicode(FProperties->PortName()))));
}

bool TRS232Channel::Configure() {
  if (FEditor == nullptr) return false;
  const TComSettings::TValues before = FSettings.GetValues();
  if (FEditor->Edit(FSettings)) return true;
  FSettings.SetValues(before);
  return false;
}

bool TRS232Channel::Write(const uint8_t* buffer, uint32_t& count) {
  try {
    if (FState != kStateOpen || buffer == nullptr) throw EInvalidRS232Operation();
    uint32_t written = 0;
    if (!FPort->Write(buffer, count, written)) {
      CheckLost();
      throw EInvalidRS232Operation();
    }
    count = written;
    return true;
  } catch (const EInvalidRS232Operation&) {
    count = 0;
    return false;
  }
}

bool TRS232Channel::Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) {
  count = 0;
  try {
    if (FState != kStateOpen || buffer == nullptr) throw EInvalidRS232Operation();
    if (FPort->Read(buffer, size, count, expectedLength)) return true;
    CheckLost();
    return false;
  } catch (const EInvalidRS232Operation&) {
    return false;
  }
}

void TRS232Channel::DiscardInput() {
  if (FState == kStateOpen && !FPort->DiscardInput()) CheckLost();
}

void TRS232Channel::DrainInput() {
  // Quiet for the interval time-out: the gap that ends a frame.
  if (FState == kStateOpen && !FPort->DrainInput(FProperties->Timeouts().ReadInterval)) CheckLost();
}
