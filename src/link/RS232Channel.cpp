#include "RS232Channel.h"

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
    if (!FPort->Write(buffer, count, written)) throw EInvalidRS232Operation();
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
    return FPort->Read(buffer, size, count, expectedLength);
  } catch (const EInvalidRS232Operation&) {
    return false;
  }
}

void TRS232Channel::DiscardInput() {
  if (FState == kStateOpen) FPort->DiscardInput();
}
