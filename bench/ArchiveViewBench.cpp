#include "ArchiveViewBench.h"

#include "ArchiveGenerator.h"
#include "DeviceArchive.h"
#include "DeviceArchiveView.h"
#include "NGAS.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>

namespace {

constexpr int kRecords = 10000;
constexpr int kRounds = 5;

// What a read of every variable from the emulated installation gives.
void FillArchive(TDeviceArchive& archive, const TOPVarList& columns) {
  const TArchiveGenerator generator(kRecords, QDateTime::currentDateTime(), 3600,
                                    {"KEV-0042", "1000", "5000", "2000", "8000"});
  archive.SetColumns(columns);
  for (int n = 1; n <= kRecords; ++n) archive.AppendRecord(*generator.Record(columns, n));
}

}  // namespace

bool MeasureArchiveView() {
  TNGAS catalogue(nullptr);
  TDeviceArchive archive;
  FillArchive(archive, catalogue.ArchVarList());
  archive.SetCaptions(catalogue.ArchCaptionVarList());

  TDeviceArchiveView view;
  view.resize(633, 400);
  view.show();
  QApplication::processEvents();
  // The best of a few rounds: the first one also loads the fonts.
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    view.Clear();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    view.SetVarLists(&catalogue.ArchVarList(), &catalogue.ArchCaptionVarList());
    view.SetArchive(archive);
    view.ArchiveGrid()->repaint();
    best = std::min(best, timer.nsecsElapsed() / 1e6);
  }
  const int columns = view.ArchiveGrid()->model()->columnCount();
  const int rows = view.ArchiveGrid()->model()->rowCount();
  std::printf("archive-view records=%d columns=%d ms=%.1f\n", rows, columns, best);
  std::fflush(stdout);
  return rows == kRecords && columns == catalogue.ArchVarList().Count();
}
