#include "HistoryBench.h"

#include "DeviceArchive.h"
#include "EmulatorChannel.h"
#include "HistoryStore.h"
#include "HistorySync.h"
#include "HistoryWindow.h"
#include "InstallationEmulator.h"
#include "NGAS.h"
#include "NoDialogs.h"
#include "OpenProtocolDriver.h"
#include "OperatorDialogs.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kYear = 525600;
constexpr int kDay = 1440;
constexpr int kChartWidth = 1000;

double Ms(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// A year of minute records as the emulator's archive makes them.
void FillYear(TDeviceArchive& archive) {
  TArchiveGenerator year(kYear, QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(60LL * kYear), 60,
                         {"00107", "12", "40", "25", "80"});
  TOPVarList columns;
  for (const QByteArray& name : THistoryStore::ArchiveColumns()) columns.Add(name);
  archive.SetColumns(columns);
  for (int n = 1; n <= kYear; ++n) archive.AppendRecord(*year.Record(columns, n));
}

// The same rows as plain CSV for sqlite3's .import.
bool WriteCsv(const TDeviceArchive& archive, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray chunk;
  for (int r = 0; r < archive.RecordCount(); ++r) {
    for (int c = 0; c < archive.ValueCount(r); ++c) {
      if (c) chunk += ',';
      chunk += archive.ValueView(r, c);
    }
    chunk += '\n';
    if (chunk.size() > (1 << 20)) {
      if (file.write(chunk) != chunk.size()) return false;
      chunk.clear();
    }
  }
  return file.write(chunk) == chunk.size() && file.flush();
}

// sqlite3 importing the rows into a table of the same 19 columns; negative
// when sqlite3 is missing or fails.
double ImportMs(const QString& csv, const QString& database) {
  const QString sqlite3 = QStandardPaths::findExecutable("sqlite3");
  if (sqlite3.isEmpty()) return -1;
  QStringList columns;
  for (const QByteArray& name : THistoryStore::ArchiveColumns())
    columns << QString::fromLatin1(name.toLower()) + (name == "DATETIME" || name == "SERIALN" ? " TEXT" : " REAL");
  QProcess process;
  process.start(sqlite3, {database});
  if (!process.waitForStarted()) return -1;
  const QByteArray script = QString(
                                "PRAGMA journal_mode=WAL;\nCREATE TABLE records (%1);\n.mode csv\n"
                                ".import %2 records\n")
                                .arg(columns.join(", "), csv)
                                .toUtf8();
  QElapsedTimer clock;
  clock.start();
  process.write(script);
  process.closeWriteChannel();
  if (!process.waitForFinished(600000) || process.exitCode() != 0) return -1;
  return Ms(clock);
}

bool MeasureInsertChartSize(const QTemporaryDir& folder) {
  TDeviceArchive year;
  FillYear(year);
  const QString path = folder.filePath("year.sqlite");
  double insertMs = 0;
  {
    THistoryStore store(path);
    if (!store.Open()) {
      std::fprintf(stderr, "qev-bench: %s\n", qPrintable(store.ErrorText()));
      return false;
    }
    QElapsedTimer clock;
    clock.start();
    const auto added = store.StoreArchive(1, year);
    insertMs = Ms(clock);
    if (added != kYear) {
      std::fprintf(stderr, "qev-bench: the year was not stored whole: %s\n", qPrintable(store.ErrorText()));
      return false;
    }
  }
  const QString csv = folder.filePath("year.csv");
  const double importMs = WriteCsv(year, csv) ? ImportMs(csv, folder.filePath("import.sqlite")) : -1;
  if (importMs < 0)
    std::printf("history-insert records=%d ms=%.0f (sqlite3 missing or failed: no comparison)\n", kYear, insertMs);
  else
    std::printf("history-insert records=%d ms=%.0f sqlite3_import_ms=%.0f ratio=%.2f\n", kYear, insertMs, importMs,
                insertMs / importMs);
  std::fflush(stdout);

  THistoryStore store(path);
  if (!store.Open()) return false;
  const qint64 installation = store.FindInstallation(1, "00107");
  const QByteArrayList columns = {"SUMALPHA", "SUMBETA", "RADON", "FLOW", "VOLUME", "STATUS"};
  const QDateTime newest = store.NewestMoment(installation);
  bool ok = true;
  for (const auto& [records, from] :
       {std::pair{kYear, store.OldestMoment(installation)}, std::pair{kDay, newest.addSecs(-60LL * (kDay - 1))}}) {
    QElapsedTimer clock;
    clock.start();
    const THistoryEnvelope envelope = store.Envelope(installation, {from, newest}, columns, kChartWidth);
    const double ms = Ms(clock);
    int drawn = 0;
    for (const auto& bucket : envelope.Buckets[0]) drawn += bucket.Records;
    ok = ok && drawn == records;
    std::printf("history-chart records=%d columns=%d width=%d ms=%.1f\n", drawn, int(columns.size()), kChartWidth, ms);
    std::fflush(stdout);
  }
  store.Close();
  {
    // The operator's "Год": the count, the envelope, the gaps and the
    // chart painted once.
    TNoDialogs dialogs;
    THistoryWindow window(dialogs, {});
    window.SetDatabase(path);
    QElapsedTimer clock;
    clock.start();
    window.ShowPeriod(THistoryWindow::TPeriodKind::Year);
    const QPixmap painted = window.grab();
    const double ms = Ms(clock);
    ok = ok && window.PeriodRecords() > 0 && !painted.isNull();
    std::printf("history-window records=%lld ms=%.0f\n", static_cast<long long>(window.PeriodRecords()), ms);
    std::fflush(stdout);
  }
  // The WAL is folded into the file when the last connection closes.
  const double bytes = static_cast<double>(QFileInfo(path).size()) / kYear;
  const double dafBytes = static_cast<double>(year.SaveToBytes().size()) / kYear;
  std::printf("history-size bytes_per_record=%.1f daf_bytes_per_record=%.1f\n", bytes, dafBytes);
  std::fflush(stdout);
  return ok;
}

bool MeasureSync(const QTemporaryDir& folder) {
  constexpr int kRecords = 2000;
  constexpr int kNew = 50;
  TEmulatorConfig config;
  config.Records = kRecords;
  config.ArchiveCapacity = kRecords;
  config.ArchiveIntervalSeconds = 60;
  TInstallationEmulator emulator(config);
  TEmulatorChannel channel(emulator);
  TOpenProtocolDriver driver(&channel);
  driver.SetPauseBeforeAttemptMs(0);
  TNGAS ngas(&driver);
  ngas.SetDevAddress(emulator.Address());
  THistoryStore store(folder.filePath("sync.sqlite"));
  if (!store.Open() || !THistorySync::Run(ngas, store, nullptr, nullptr).Ok) return false;
  emulator.AppendArchiveRecords(kNew);
  const THistorySyncResult result = THistorySync::Run(ngas, store, nullptr, nullptr);
  const int64_t floor = int64_t(kNew) * 19 + 2 * static_cast<int64_t>(std::ceil(std::log2(double(kRecords)))) + 10;
  std::printf("history-sync records=%d new=%d requests=%lld floor=%lld\n", kRecords, result.New,
              static_cast<long long>(result.Requests), static_cast<long long>(floor));
  std::fflush(stdout);
  return result.Ok && result.New == kNew && result.Requests <= floor;
}

}  // namespace

bool MeasureHistory() {
  QTemporaryDir folder;
  if (!folder.isValid()) return false;
  const bool stored = MeasureInsertChartSize(folder);
  return MeasureSync(folder) && stored;
}
