#include "CliHistory.h"

#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "HistoryStore.h"
#include "HistorySync.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <csignal>

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnStopSignal(int) { gStop = 1; }

// SIGTERM and SIGINT only ask the collector to end; it ends after the
// transaction in flight.
void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

QString LocalNow() {
  const QDateTime now = QDateTime::currentDateTime();
  return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

bool OpenStore(THistoryStore& store, QTextStream& err) {
  if (store.Open()) return true;
  err << "qev-cli: cannot open the history store " << store.DatabaseName() << ": " << store.ErrorText() << Qt::endl;
  return false;
}

// The archive variables' captions, for the caption section of a .daf file.
std::unique_ptr<TOPVarList> ArchiveCaptions() {
  TNGAS catalogue(nullptr);
  return catalogue.ArchCaptionVarList().Clone();
}

THistorySyncResult Sync(TNGAS& device, THistoryStore& store, QTextStream& err, bool showProgress) {
  int shown = -1;
  const auto progress = [&](int done, int total) {
    if (!showProgress || total <= 0) return;
    const int percent = done * 100 / total;
    if (percent / 10 == shown / 10) return;
    shown = percent;
    err << "syncing archive: " << done << " of " << total << " new records" << Qt::endl;
  };
  return THistorySync::Run(device, store, progress, nullptr);
}

void PrintSyncLine(QTextStream& out, const THistorySyncResult& result) {
  out << "sync new=" << result.New << " stored=" << result.Stored << " requests=" << result.Requests << Qt::endl;
}

}  // namespace

int RunHistoryExport(const TCliOptions& options, QTextStream& out, QTextStream& err) {
  THistoryStore store(options.Db);
  if (!OpenStore(store, err)) return 1;
  TDeviceArchive table;
  bool first = true;
  for (const THistoryInstallation& installation : store.Installations()) {
    if (options.AddressGiven && installation.Address != options.Address) continue;
    TDeviceArchive part;
    const THistoryPeriod period{options.HistoryFrom, options.HistoryTo};
    const bool read = options.Polls ? store.ReadPolls(installation.Id, period, part)
                                    : store.ReadRecords(installation.Id, period, part);
    if (!read) {
      err << "qev-cli: reading the history store failed: " << store.ErrorText() << Qt::endl;
      return 1;
    }
    if (first) {
      table.SetColumns(*part.Columns());
      first = false;
    }
    for (int r = 0; r < part.RecordCount(); ++r) table.AppendRecord(*part.Record(r));
  }
  if (first) {
    // No installation: the header alone.
    if (options.Polls)
      store.ReadPolls(0, {}, table);
    else
      store.ReadRecords(0, {}, table);
  }
  if (!options.Polls) table.SetCaptions(*ArchiveCaptions());
  const bool saved =
      options.CsvFile.isEmpty()
          ? table.SaveFile(options.OutFile)
          : SaveFileAtomically(options.CsvFile, ArchiveToCsv(table, {options.CsvSeparator, options.CsvDecimalComma}));
  if (!saved) {
    err << "qev-cli: cannot write " << (options.CsvFile.isEmpty() ? options.OutFile : options.CsvFile) << Qt::endl;
    return 1;
  }
  out << "records=" << table.RecordCount() << Qt::endl;
  return 0;
}

int RunHistorySync(const TCliOptions& options, TNGAS& device, const TCliLine& line, QTextStream& out,
                   QTextStream& err) {
  THistoryStore store(options.Db);
  THistorySyncResult result;
  if (!OpenStore(store, err)) {
    PrintSyncLine(out, result);
    return 1;
  }
  if (!line.Open(false)) {
    const auto serials = store.Installations();
    for (const THistoryInstallation& known : serials)
      if (known.Address == options.Address) result.Stored += store.CountRecords(known.Id);
    PrintSyncLine(out, result);
    return 1;
  }
  result = Sync(device, store, err, true);
  if (!result.Ok)
    err << "qev-cli: the sync stopped after " << result.New << " new records: "
        << (device.DriverInUse() && device.DriverInUse()->LastFailure() != TOpenProtocolDriver::TFailure::None
                ? "the line failed"
                : store.ErrorText())
        << Qt::endl;
  PrintSyncLine(out, result);
  return result.Ok ? 0 : 1;
}

int RunWatch(const TCliOptions& options, TNGAS& device, const TCliLine& line, QTextStream& out, QTextStream& err) {
  THistoryStore store(options.Db);
  if (!OpenStore(store, err)) return 1;
  InstallStopHandlers();
  TOpenProtocolDriver& driver = *device.DriverInUse();
  // A stop asked in the middle of a sync ends it before the next request.
  driver.SetBetweenRequests([] { return gStop == 0; });

  const QDateTime started = QDateTime::currentDateTimeUtc();
  const auto elapsed = [&] { return started.msecsTo(QDateTime::currentDateTimeUtc()); };
  const qint64 endMs = options.ForSeconds > 0 ? qint64(options.ForSeconds) * 1000 : -1;
  const auto over = [&] { return gStop != 0 || (endMs >= 0 && elapsed() >= endMs); };
  // Sleeps until that moment of the run, waking for a stop.
  const auto sleepUntil = [&](qint64 ms) {
    if (endMs >= 0) ms = std::min(ms, endMs);
    while (!over() && elapsed() < ms)
      QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(ms - elapsed(), 1, 100)));
  };

  QString state;
  const auto report = [&](const QString& now) {
    if (now == state) return;
    state = now;
    err << LocalNow() << ' ' << state << Qt::endl;
  };

  TOPVarList measured;
  for (const QByteArray& name : THistoryStore::PollColumns()) measured.Add(name);
  TOPVarList serial;
  serial.Add("SERIALN");
  bool lineOpen = false;
  qint64 installation = 0;
  qint64 nextPollMs = 0;
  qint64 nextSyncMs = 0;
  qint64 pauseMs = 1000;
  const qint64 periodMs = qint64(options.PeriodSeconds) * 1000;
  int polls = 0;
  int synced = 0;

  report("watching: polls every " + QString::number(options.PeriodSeconds) + " s, archive sync every " +
         QString::number(options.SyncEverySeconds) + " s, store " + options.Db);
  while (!over()) {
    QString fault;
    if (!lineOpen) {
      lineOpen = line.Open(true);
      if (!lineOpen) fault = "line: the serial port cannot be opened";
    }
    if (fault.isEmpty() && !installation) {
      if (driver.ReadVars(device.DevAddress(), serial))
        installation = store.InstallationId(device.DevAddress(), serial.GetItem(0)->Value);
      else
        fault = "line: the installation does not answer";
    }
    if (fault.isEmpty() && elapsed() >= nextSyncMs) {
      const THistorySyncResult result = Sync(device, store, err, false);
      if (over()) break;
      if (result.Ok) {
        synced += result.New;
        nextSyncMs = elapsed() + qint64(options.SyncEverySeconds) * 1000;
      } else {
        fault = "line: the archive sync failed after " + QString::number(result.New) + " new records";
      }
    }
    if (fault.isEmpty() && elapsed() >= nextPollMs) {
      const QDateTime taken = QDateTime::currentDateTimeUtc();
      if (!driver.ReadVars(device.DevAddress(), measured)) {
        fault = "line: the installation does not answer";
      } else if (!store.StorePoll(installation, taken, measured)) {
        fault = "store: the poll cannot be stored: " + store.ErrorText();
      } else {
        ++polls;
        // Behind after a fault: the next poll a period from now, not a burst.
        nextPollMs += periodMs;
        if (nextPollMs <= elapsed()) nextPollMs = elapsed() + periodMs;
      }
    }
    if (over()) break;
    if (!fault.isEmpty()) {
      report(fault + "; retrying");
      // A port that went away is opened again under its name.
      line.Close();
      lineOpen = false;
      installation = 0;
      const qint64 wait = pauseMs;
      pauseMs = std::min(pauseMs * 2, std::max<qint64>(periodMs, 1000));
      sleepUntil(elapsed() + wait);
      continue;
    }
    report("line: the installation answers");
    pauseMs = 1000;
    sleepUntil(std::min(nextPollMs, nextSyncMs));
  }
  report(QString("stopped: %1 polls, %2 new archive records stored").arg(polls).arg(synced));
  out << "watch polls=" << polls << " synced=" << synced << Qt::endl;
  return 0;
}
