#include "ArchiveFileBench.h"

#include "ArchiveGenerator.h"
#include "DeviceArchive.h"
#include "DeviceArchiveView.h"
#include "NGAS.h"
#include "TextUtils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Five years of ten-minute records: some 60 MB, below the loader's limit.
constexpr int kRecords = 270000;
constexpr int kIntervalSeconds = 600;
constexpr qint64 kMinimumBytes = 50'000'000;
// The rows are written in pieces of this size.
constexpr qsizetype kPieceBytes = 1 << 20;

// Resident and peak resident memory of this process, in bytes, from
// /proc/self/status; 0 where the line is missing.
qint64 StatusBytes(const char* key) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(key))
      return TextUtils::ParseInteger(line.mid(qstrlen(key)).replace("kB", "")).value_or(0) * 1024;
  return 0;
}

// Writing 5 to clear_refs sets the peak back to the present resident size.
bool ResetPeak() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// The file as the program saves it: caption section, two empty lines, the
// header row and one row per record, every field padded to its column's
// width plus 2.
bool WriteArchiveFile(const QString& path, const TNGAS& catalogue) {
  const TOPVarList& columns = catalogue.ArchVarList();
  const TOPVarList& captions = catalogue.ArchCaptionVarList();
  const TArchiveGenerator generator(kRecords, QDateTime(QDate(2026, 3, 7), QTime(14, 0)), kIntervalSeconds,
                                    {"KEV-0042", "1000", "5000", "2000", "8000"});
  // Every value once, each ended by a line feed (no value holds one): the
  // widths are known only when all of them are.
  QByteArray values;
  std::vector<int> widths(static_cast<size_t>(columns.Count()));
  int nameWidth = 0;
  for (int c = 0; c < columns.Count(); ++c) {
    widths[static_cast<size_t>(c)] = int(columns.GetItem(c)->Name.size());
    nameWidth = std::max(nameWidth, widths[static_cast<size_t>(c)]);
  }
  for (int n = 1; n <= kRecords; ++n)
    for (int c = 0; c < columns.Count(); ++c) {
      const QByteArray value = generator.Value(columns.GetItem(c)->Name, n).value_or(QByteArray());
      widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], int(value.size()));
      values += value + '\n';
    }

  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray piece;
  for (int c = 0; c < columns.Count(); ++c)
    piece += TextUtils::PadRight(columns.GetItem(c)->Name, nameWidth) + "  " + captions.GetItem(c)->Name + "\r\n";
  piece += "\r\n\r\n";
  for (int c = 0; c < columns.Count(); ++c)
    piece += TextUtils::PadRight(columns.GetItem(c)->Name, widths[static_cast<size_t>(c)] + 2);
  piece += "\r\n";
  qsizetype at = 0;
  for (int n = 1; n <= kRecords; ++n) {
    for (int c = 0; c < columns.Count(); ++c) {
      const qsizetype end = values.indexOf('\n', at);
      piece += TextUtils::PadRight(values.mid(at, end - at), widths[static_cast<size_t>(c)] + 2);
      at = end + 1;
    }
    piece += "\r\n";
    if (piece.size() >= kPieceBytes || n == kRecords) {
      if (file.write(piece) != piece.size()) return false;
      piece.clear();
    }
  }
  return file.flush();
}

}  // namespace

bool MeasureArchiveFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("archive.daf"));
  TNGAS ngas(nullptr);
  if (!dir.isValid() || !WriteArchiveFile(path, ngas)) {
    std::fprintf(stderr, "qev-bench: cannot write %s\n", qPrintable(path));
    return false;
  }
  const qint64 bytes = QFile(path).size();

  TDeviceArchiveView view;
  view.resize(633, 400);
  view.show();
  QApplication::processEvents();
  const bool peakReset = ResetPeak();
  const qint64 before = StatusBytes("VmRSS:");

  QElapsedTimer timer;
  timer.start();
  TDeviceArchive& archive = ngas.Archive();
  const bool loaded = archive.LoadFile(path);
  view.SetVarLists(archive.Columns(), archive.Captions());
  view.SetArchive(archive);
  view.ArchiveGrid()->repaint();
  const double ms = timer.nsecsElapsed() / 1e6;

  const qint64 peak = StatusBytes("VmHWM:") - before;
  const qint64 kept = StatusBytes("VmRSS:") - before;
  const int records = view.ArchiveGrid()->model()->rowCount();
  if (!peakReset) std::fprintf(stderr, "qev-bench: the peak could not be reset; peak_ratio counts from the start\n");
  std::printf("archive-file records=%d bytes=%lld peak_ratio=%.2f kept_ratio=%.2f ms=%.0f\n", records,
              static_cast<long long>(bytes), double(peak) / double(bytes), double(kept) / double(bytes), ms);
  std::fflush(stdout);
  return loaded && records == kRecords && bytes >= kMinimumBytes;
}
