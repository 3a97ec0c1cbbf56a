// qev-bench: how close an exchange comes to what the line allows, how long
// the archive view takes to show a large archive and the chart to draw it,
// how fast the archive is read with and without packed requests, what
// memory and time a large archive file takes to load and show, whether the
// longest answers fit the default latency at every speed, what full log
// pages cost a read, how fast the spectrum's peaks are found and how the
// history store keeps up. Bench names as arguments (exchange, archive-view,
// archive-chart, archive-read, archive-file, spectrum, line-fit, logs,
// history) run those only.
//
// Reads the measurement group (12 variables) 50 times from the emulator on a
// pseudo-terminal, the emulator pacing its side at the line speed, and
// compares the time taken with the floor: the line time of every byte sent
// and received (10 bits a byte) plus the 10 ms the protocol pauses before
// each attempt. Once with the classic end of frame (the line falls silent
// for the interval time-out) and once with the frame length.

#include "ArchiveChartBench.h"
#include "ArchiveFileBench.h"
#include "ArchiveReadBench.h"
#include "ArchiveViewBench.h"
#include "HistoryBench.h"
#include "InstallationEmulator.h"
#include "LineFitBench.h"
#include "LogLines.h"
#include "LogsBench.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "PacedLine.h"
#include "SpectrumBench.h"
#include "StartupPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr int kRounds = 50;

bool Measure(int baud, TOpenProtocolDriver::TEndOfFrame rule) {
  TInstallationEmulator emulator;
  TPacedLine line(emulator, baud);
  if (!line.Open()) return false;
  TCountingChannel& counting = line.Channel();
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
  const double floorMs = line.LineMs() / requests + TOpenProtocolDriver::kPauseBeforeAttemptMs;
  std::printf("exchange baud=%d rule=%s ms_per_request=%.1f floor_ms=%.1f ratio=%.2f\n", baud,
              rule == TOpenProtocolDriver::TEndOfFrame::Silence ? "silence" : "length", msPerRequest, floorMs,
              msPerRequest / floorMs);
  std::fflush(stdout);
  return true;
}

bool MeasureExchange() {
  bool ok = true;
  for (int baud : {9600, 115200})
    for (auto rule : {TOpenProtocolDriver::TEndOfFrame::Silence, TOpenProtocolDriver::TEndOfFrame::Length})
      ok = Measure(baud, rule) && ok;
  return ok;
}

// Every bench by the name that selects it, in the order they run.
const struct {
  const char* Name;
  bool (*Run)();
} kBenches[] = {
    {"exchange", MeasureExchange},
    {"archive-view", MeasureArchiveView},
    {"archive-chart", MeasureArchiveChart},
    {"archive-read", MeasureArchiveRead},
    {"archive-file", MeasureArchiveFile},
    {"spectrum", MeasureSpectrumPeaks},
    {"line-fit", MeasureLineFit},
    {"logs", MeasureLogs},
    {"history", MeasureHistory},
};

// The logs bench runs itself again under a virtual display with the
// accessibility bridge on.
constexpr const char* kLogsUnderAccessibility = "logs-a11y-run";

}  // namespace

int main(int argc, char* argv[]) {
  // The archive view needs a window system; none has to be on the screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  InitStartupPaths(QCoreApplication::applicationFilePath(), QDir::currentPath());
  // Names given select benches; none runs them all.
  const QStringList names = QCoreApplication::arguments().mid(1);
  if (names == QStringList{QLatin1String(kLogsUnderAccessibility)}) return MeasureLogsUnderAccessibility() ? 0 : 1;
  for (const QString& name : names) {
    const bool known = std::any_of(std::begin(kBenches), std::end(kBenches),
                                   [&name](const auto& bench) { return name == QLatin1String(bench.Name); });
    if (known) continue;
    std::fprintf(stderr, "qev-bench: no bench %s; benches:", qPrintable(name));
    for (const auto& bench : kBenches) std::fprintf(stderr, " %s", bench.Name);
    std::fprintf(stderr, "\n");
    return 2;
  }
  bool ok = true;
  for (const auto& bench : kBenches)
    if (names.isEmpty() || names.contains(QLatin1String(bench.Name))) ok = bench.Run() && ok;
  return ok ? 0 : 1;
}
