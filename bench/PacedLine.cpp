#include "PacedLine.h"

#include "QtSerialPort.h"

#include <cstdio>
#include <memory>

namespace {

TPtyServerOptions Paced(int baud) {
  TPtyServerOptions options;
  options.Baud = baud;
  return options;
}

}  // namespace

bool TCountingChannel::Write(const uint8_t* buffer, uint32_t& count) {
  const bool ok = FInner.Write(buffer, count);
  Bytes += count;
  return ok;
}

bool TCountingChannel::Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) {
  const bool ok = FInner.Read(buffer, size, count, expectedLength);
  Bytes += count;
  return ok;
}

TPacedLine::TPacedLine(TInstallationEmulator& emulator, int baud)
    : FBaud(baud), FServer(emulator, Paced(baud)), FChannel(std::make_unique<TQtSerialPort>()), FCounting(FChannel) {}

bool TPacedLine::Open() {
  if (!FServer.Start()) {
    std::fprintf(stderr, "qev-bench: no pseudo-terminal\n");
    return false;
  }
  TComSettings& settings = FChannel.Settings();
  settings.SetPortNumber(FServer.SlavePath().toLocal8Bit());
  settings.SetTransferRate(QByteArray::number(FBaud) + " baud");
  settings.SetDTRControl("HandShake");
  settings.SetRTSControl("HandShake");
  if (FChannel.Open()) return true;
  std::fprintf(stderr, "qev-bench: cannot open %s\n", qPrintable(FServer.SlavePath()));
  return false;
}

double TPacedLine::LineMs() const { return static_cast<double>(FCounting.Bytes) * 10 * 1000 / FBaud; }
