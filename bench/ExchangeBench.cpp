// qev-bench: how close an exchange comes to what the line allows, how long
// the archive view takes to show a large archive and the chart to draw it.
//
// Reads the measurement group (12 variables) 50 times from the emulator on a
// pseudo-terminal, the emulator pacing its side at the line speed, and
// compares the time taken with the floor: the line time of every byte sent
// and received (10 bits a byte) plus the 10 ms the protocol pauses before
// each attempt. Once with the classic end of frame (the line falls silent
// for the interval time-out) and once with the frame length.

#include "ArchiveChartBench.h"
#include "ArchiveViewBench.h"
#include "InstallationEmulator.h"
#include "LogLines.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "PtyEmulatorServer.h"
#include "QtSerialPort.h"
#include "RS232Channel.h"
#include "StartupPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kRounds = 50;

// Counts the bytes that cross the channel.
class TCountingChannel : public TCommChannel {
 public:
  explicit TCountingChannel(TCommChannel& inner) : FInner(inner) {}
  bool Write(const uint8_t* buffer, uint32_t& count) override {
    const bool ok = FInner.Write(buffer, count);
    Bytes += count;
    return ok;
  }
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength) override {
    const bool ok = FInner.Read(buffer, size, count, expectedLength);
    Bytes += count;
    return ok;
  }
  void DiscardInput() override { FInner.DiscardInput(); }
  uint64_t Bytes = 0;

 private:
  TCommChannel& FInner;
};

bool Measure(int baud, TOpenProtocolDriver::TEndOfFrame rule) {
  TInstallationEmulator emulator;
  TPtyServerOptions options;
  options.Baud = baud;
  TPtyEmulatorServer server(emulator, options);
  if (!server.Start()) {
    std::fprintf(stderr, "qev-bench: no pseudo-terminal\n");
    return false;
  }
  TRS232Channel channel(std::make_unique<TQtSerialPort>());
  TComSettings& settings = channel.Settings();
  settings.SetPortNumber(server.SlavePath().toLocal8Bit());
  settings.SetTransferRate(QByteArray::number(baud) + " baud");
  settings.SetDTRControl("HandShake");
  settings.SetRTSControl("HandShake");
  if (!channel.Open()) {
    std::fprintf(stderr, "qev-bench: cannot open %s\n", qPrintable(server.SlavePath()));
    return false;
  }
  TCountingChannel counting(channel);
  TOpenProtocolDriver driver(&counting);
  driver.SetEndOfFrame(rule);
  TLogLines log;
  driver.SetCommLog(&log);
  TNGAS ngas(&driver);
  ngas.SetDevAddress(1);
  TOPVarList& group = ngas.MeasureVarList();
  if (!driver.ReadVars(1, group)) return false;  // warm-up

  counting.Bytes = 0;
  QElapsedTimer clock;
  clock.start();
  for (int round = 0; round < kRounds; ++round)
    if (!driver.ReadVars(1, group)) {
      std::fprintf(stderr, "qev-bench: a read failed\n");
      for (const QByteArray& l : log.Lines().mid(log.LineCount() - 12)) std::fprintf(stderr, "%s\n", l.constData());
      return false;
    }
  const double elapsedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  const int requests = kRounds * group.Count();
  const double msPerRequest = elapsedMs / requests;
  const double floorMs =
      static_cast<double>(counting.Bytes) * 10 * 1000 / baud / requests + TOpenProtocolDriver::kPauseBeforeAttemptMs;
  std::printf("exchange baud=%d rule=%s ms_per_request=%.1f floor_ms=%.1f ratio=%.2f\n", baud,
              rule == TOpenProtocolDriver::TEndOfFrame::Silence ? "silence" : "length", msPerRequest, floorMs,
              msPerRequest / floorMs);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The archive view needs a window system; none has to be on the screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  InitStartupPaths(QCoreApplication::applicationFilePath(), QDir::currentPath());
  bool ok = true;
  for (int baud : {9600, 115200})
    for (auto rule : {TOpenProtocolDriver::TEndOfFrame::Silence, TOpenProtocolDriver::TEndOfFrame::Length})
      ok = Measure(baud, rule) && ok;
  ok = MeasureArchiveView() && ok;
  ok = MeasureArchiveChart() && ok;
  return ok ? 0 : 1;
}
