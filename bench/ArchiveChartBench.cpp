#include "ArchiveChartBench.h"

#include "ArchiveChartData.h"
#include "ArchiveChartPlot.h"
#include "ArchiveChartWindow.h"
#include "ArchiveGenerator.h"
#include "DeviceArchive.h"
#include "NGAS.h"
#include "NoDialogs.h"
#include "OperatorDialogs.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kRecords = 10000;
constexpr int kRounds = 5;

}  // namespace

bool MeasureArchiveChart() {
  TNGAS catalogue(nullptr);
  const TOPVarList& columns = catalogue.ArchDefaultMaskVarList();
  const TArchiveGenerator generator(kRecords, QDateTime::currentDateTime(), 600, {"KEV-0042", "12", "40", "25", "80"});
  TDeviceArchive archive;
  archive.SetColumns(columns);
  for (int n = 1; n <= kRecords; ++n) archive.AppendRecord(*generator.Record(columns, n));

  TNoDialogs dialogs;
  TArchiveChartWindow window(dialogs);
  window.resize(980, 640);
  window.show();
  QApplication::processEvents();
  // From the archive handed over to the picture drawn: the copy, reading the
  // numbers and the times, and painting every band. The best of a few
  // rounds: the first one also loads the fonts.
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    QElapsedTimer timer;
    timer.start();
    window.SetArchive(archive, {});
    window.ChartPlot()->repaint();
    best = std::min(best, timer.nsecsElapsed() / 1e6);
  }
  const int records = window.Data().RecordCount();
  std::printf("archive-chart records=%d columns=%d ms=%.1f\n", records, archive.Columns()->Count(), best);
  std::fflush(stdout);
  return records == kRecords && window.Data().Series().size() + 1 == static_cast<size_t>(columns.Count());
}
