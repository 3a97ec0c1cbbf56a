#include "ComResourceEng.h"

#include "PlatformInfo.h"
#include "StartupPaths.h"
#include "TextUtils.h"

#include <algorithm>
#include <cmath>

namespace {

// Raised by a failed step of Open and caught there.
class ECantOpenPort {};

// How long a read may wait for an answer: the total constant is
// PerChar x CharTime + Fixed.
struct TLatency {
  const char* Text;
  uint32_t Multiplier;
  uint32_t PerChar;
  uint32_t Fixed;
};

const TLatency kLatencies[] = {
    {"Immediately answer", 0, 0, 2},
    {"25 millisecond", 0, 1, 25},
    {"50 millisecond", 0, 1, 50},
    {"75 millisecond", 0, 1, 75},
    {"100 millisecond", 0, 1, 100},
    {"125 millisecond", 0, 1, 125},
    {"Approximately 0.25 second", 1, 5, 0},
    {"Approximately 0.5 second", 2, 5, 0},
    {"Approximately 0.75 second", 3, 5, 0},
    {"Approximately 1.25 seconds", 5, 5, 0},
    {"Approximately 2.5 seconds", 10, 5, 0},
    {"Approximately 5 seconds", 20, 5, 0},
    {"Approximately 7.5 seconds", 30, 5, 0},
    {"Approximately 10 seconds", 40, 5, 0},
    {"Approximately 12.5 seconds", 50, 5, 0},
    {"Approximately 15 seconds", 60, 5, 0},
    {"Approximately 17.5 seconds", 70, 5, 0},
    {"Approximately 20 seconds", 80, 5, 0},
};

// A latency text that is none of the items: no multiplier, 5 characters.
constexpr TLatency kOtherLatency = {"", 0, 5, 0};

const TLatency& LatencyFor(const QByteArray& text) {
  for (const TLatency& latency : kLatencies)
    if (text == latency.Text) return latency;
  return kOtherLatency;
}

struct TParityText {
  const char* Text;
  TSerialPort::TParity Parity;
};

const TParityText kParities[] = {
    {"None", TSerialPort::TParity::None}, {"Odd", TSerialPort::TParity::Odd},     {"Even", TSerialPort::TParity::Even},
    {"Mark", TSerialPort::TParity::Mark}, {"Space", TSerialPort::TParity::Space},
};

struct TStopBitsText {
  const char* Text;
  TSerialPort::TStopBits StopBits;
};

const TStopBitsText kStopBits[] = {
    {"1 bit", TSerialPort::TStopBits::One},
    {"1.5 bit", TSerialPort::TStopBits::OneAndHalf},
    {"2 bit", TSerialPort::TStopBits::Two},
};

}  // namespace

TComProperties::TComProperties(const TComSettings* settings, TSerialPort* port) : FSettings(settings), FPort(port) {}

TComProperties::~TComProperties() { Close(); }

void TComProperties::ReadSettingsAndOpen() {
  FWriteTimeoutMultiplier = FSettings->WriteTimeoutMultiplier();
  FWriteTimeoutConstant = FSettings->WriteTimeoutConstant();
  FPortName = FSettings->PortNumber();
  FSpeed = FSettings->TransferRate();
  FStopBits = FSettings->StopBits();
  FParity = FSettings->Paritet();
  FLatencyPeriod = FSettings->LatencyPeriod();
  FDTRControl = FSettings->DTRControl();
  FRTSControl = FSettings->RTSControl();
  Open();
}

void TComProperties::Open() {
  Close();
  FTimeoutsApplied = false;
  // ApplyTimeouts below needs the port marked open.
  FOpened = true;
  try {
    if (!FPort->Open(FPortName)) throw ECantOpenPort();

    TSerialPort::TLineState state;
    if (!FPort->GetLineState(state)) throw ECantOpenPort();
    state.DataBits = 8;
    const uint32_t speed = SpeedFromText(FSpeed);
    if (speed == 0) throw ECantOpenPort();
    state.BaudRate = speed;
    FCharTime = CharTimeForSpeed(speed);
    // A text that names no known value leaves what the port had.
    for (const TParityText& parity : kParities)
      if (FParity == parity.Text) state.Parity = parity.Parity;
    for (const TStopBitsText& stopBits : kStopBits)
      if (FStopBits == stopBits.Text) state.StopBits = stopBits.StopBits;
    if (!FPort->SetLineState(state)) throw ECantOpenPort();

    CalcTimeouts();
    if (!ApplyTimeouts()) throw ECantOpenPort();
    if (!FPort->EnableReceivedCharEvent()) throw ECantOpenPort();

    // "HandShake" leaves the line to the driver. Every line operation asked
    // for has to succeed: an installation wired to DTR or RTS does not
    // answer when the line is left in the wrong state.
    if (FDTRControl == "Disable" && !ClearDTR()) throw ECantOpenPort();
    if (FDTRControl == "Enable" && !SetDTR()) throw ECantOpenPort();
    if (FRTSControl == "Disable" && !ClearRTS()) throw ECantOpenPort();
    if (FRTSControl == "Enable" && !SetRTS()) throw ECantOpenPort();
  } catch (const ECantOpenPort&) {
    FOpened = false;
  }
}

void TComProperties::Close() {
  if (FPort->IsOpen()) FPort->Close();
  FOpened = false;
}

void TComProperties::CalcTimeouts() {
  FTimeouts = TimeoutsFor(FCharTime, FLatencyPeriod, PlatformInfo().PlatformKind(), FWriteTimeoutMultiplier,
                          FWriteTimeoutConstant);
}

bool TComProperties::ApplyTimeouts() {
  if (!FOpened) return false;
  if (FTimeoutsApplied) return true;
  if (!FPort->SetTimeouts(FTimeouts)) return false;
  FTimeoutsApplied = true;
  return true;
}

bool TComProperties::SetDTR() { return FPort->SetDTR(true); }

bool TComProperties::ClearDTR() { return FPort->SetDTR(false); }

bool TComProperties::SetRTS() { return FPort->SetRTS(true); }

bool TComProperties::ClearRTS() { return FPort->SetRTS(false); }

int32_t TComProperties::CharTimeForSpeed(uint32_t speed) {
  if (speed == 0) return 1;
  // 1000 / (speed / 10); rint rounds ties to even.
  const double milliseconds = std::rint(10000.0 / speed);
  return milliseconds < 1 ? 1 : static_cast<int32_t>(milliseconds);
}

uint32_t TComProperties::SpeedFromText(const QByteArray& text) {
  const auto speed = TextUtils::ParseInt32(TextUtils::FirstWord(text));
  return speed && *speed > 0 ? static_cast<uint32_t>(*speed) : 0;
}

TSerialPort::TTimeouts TComProperties::TimeoutsFor(int32_t charTime, const QByteArray& latencyPeriod,
                                                   uint8_t platformKind, int32_t writeMultiplier,
                                                   int32_t writeConstant) {
  const uint32_t c = static_cast<uint32_t>(charTime);
  const TLatency& latency = LatencyFor(latencyPeriod);
  TSerialPort::TTimeouts timeouts;
  timeouts.ReadInterval = (platformKind == TPlatformInfo::kWinNT ? 20 : 40) * c;
  timeouts.ReadTotalMultiplier = latency.Multiplier;
  timeouts.ReadTotalConstant = latency.PerChar * c + latency.Fixed;
  // A negative value in a hand-edited commport.cfg means no time-out, not
  // one of some fifty days.
  timeouts.WriteTotalMultiplier = static_cast<uint32_t>(std::max(writeMultiplier, 0));
  timeouts.WriteTotalConstant = static_cast<uint32_t>(std::max(writeConstant, 0));
  return timeouts;
}
