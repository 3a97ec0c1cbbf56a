#include "HistorySync.h"

#include "CancelFlag.h"
#include "DeviceCatalogue.h"
#include "HistoryRecordCodec.h"
#include "HistoryStore.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"

#include <QHash>

#include <memory>
#include <optional>

namespace {

// Reads and remembers the DATETIME of records by their position in time
// order (0 the oldest), one variable a request.
class TTimeProbe {
 public:
  TTimeProbe(TNGAS& device, int size) : FDevice(device), FSize(size) {
    FTemplate.Add(HistoryRecordCodec::ArchiveColumns()[HistoryRecordCodec::kDateTimeColumn]);
  }

  void SetNewestFirst(bool newestFirst) { FNewestFirst = newestFirst; }
  int RecordNumber(int position) const { return FNewestFirst ? FSize - position : position + 1; }

  // The moment of the record with that number; false when the line failed.
  // A text that is no valid time gives no moment.
  bool ReadNumber(int number, std::optional<qint64>& moment) {
    if (const auto known = FKnown.constFind(number); known != FKnown.cend()) {
      moment = *known;
      return true;
    }
    if (!FDevice.ReadArchRecord(FTemplate, number, FSlot)) return false;
    moment = HistoryRecordCodec::Moment(FSlot->GetItem(0)->Value);
    FKnown.insert(number, moment);
    return true;
  }
  bool Read(int position, std::optional<qint64>& moment) { return ReadNumber(RecordNumber(position), moment); }

 private:
  TNGAS& FDevice;
  int FSize;
  bool FNewestFirst = false;
  TOPVarList FTemplate;
  std::unique_ptr<TOPVarList> FSlot;
  QHash<int, std::optional<qint64>> FKnown;
};

// The first position in [low, high) whose record is newer than the stored
// moment, found by halving; a probe that meets a record without a valid time
// moves to the nearest timed one in the range. high when there is none.
bool FindBoundary(TTimeProbe& probe, int low, int high, qint64 stored, int& boundary) {
  while (low < high) {
    const int middle = low + (high - low) / 2;
    int at = middle;
    std::optional<qint64> moment;
    if (!probe.Read(at, moment)) return false;
    for (int step = 1; !moment && (middle - step >= low || middle + step < high); ++step) {
      for (int candidate : {middle + step, middle - step}) {
        if (candidate < low || candidate >= high) continue;
        if (!probe.Read(candidate, moment)) return false;
        if (moment) {
          at = candidate;
          break;
        }
      }
    }
    if (!moment) {
      // No timed record left in the range: read all of it by content.
      boundary = low;
      return true;
    }
    if (*moment > stored)
      high = at;
    else
      low = at + 1;
  }
  boundary = low;
  return true;
}

}  // namespace

THistorySync::THistorySync(TNGAS& device, THistoryStore& store) : FDevice(device), FStore(store) {}

THistorySyncResult THistorySync::Run(TNGAS& device, THistoryStore& store, TProgress progress,
                                     const TCancelFlag* cancel) {
  THistorySync sync(device, store);
  sync.SetProgress(std::move(progress));
  sync.SetCancel(cancel);
  return sync.Run();
}

THistorySyncResult THistorySync::Run() {
  THistorySyncResult result;
  TOpenProtocolDriver* driver = FDevice.DriverInUse();
  const uint64_t framesBefore = driver ? driver->FramesSent() : 0;
  const uint8_t address = FDevice.DevAddress();
  QByteArray serial;
  const auto finish = [&](bool ok) {
    result.Ok = ok && !result.Cancelled;
    if (driver) result.Requests = static_cast<int64_t>(driver->FramesSent() - framesBefore);
    if (const qint64 installation = FStore.FindInstallation(address, serial))
      result.Stored = FStore.CountRecords(installation);
    return result;
  };
  const auto cancelled = [&] {
    result.Cancelled = FCancel && FCancel->Cancelled();
    return result.Cancelled;
  };
  if (!driver || !FStore.IsOpen() || !FDevice.ReadArchSize()) return finish(false);
  const int size = FDevice.ArchSize();
  result.ArchiveSize = size;
  if (size == 0) return finish(true);

  // Which end is the newest: the later DATETIME of the two ends, or record N
  // when either end has no valid time.
  TTimeProbe probe(FDevice, size);
  std::optional<qint64> first;
  std::optional<qint64> last;
  if (!probe.ReadNumber(1, first) || !probe.ReadNumber(size, last)) return finish(false);
  probe.SetNewestFirst(first && last && *first > *last);

  // The installation is the newest record's: its serial number.
  {
    TOPVarList serialTemplate;
    serialTemplate.Add(HistoryRecordCodec::ArchiveColumns()[HistoryRecordCodec::kSerialColumn]);
    std::unique_ptr<TOPVarList> slot;
    if (!FDevice.ReadArchRecord(serialTemplate, probe.RecordNumber(size - 1), slot)) return finish(false);
    serial = slot->GetItem(0)->Value;
  }
  int boundary = 0;
  const qint64 installation = FStore.FindInstallation(address, serial);
  const QDateTime newest = installation ? FStore.NewestMoment(installation) : QDateTime();
  if (newest.isValid() && !FindBoundary(probe, 0, size, newest.toSecsSinceEpoch(), boundary)) return finish(false);

  const int total = size - boundary;
  if (FProgress) FProgress(0, total);
  std::unique_ptr<TOPVarList> record;
  for (int position = boundary; position < size; ++position) {
    if (cancelled()) return finish(false);
    if (!FDevice.ReadArchRecord(FDevice.ArchVarList(), probe.RecordNumber(position), record)) return finish(false);
    // Committed before the next request: a cut line keeps it.
    switch (FStore.StoreRecord(address, *record)) {
      case THistoryStoreResult::Added:
        ++result.New;
        break;
      case THistoryStoreResult::Present:
        break;
      case THistoryStoreResult::Failed:
        return finish(false);
    }
    if (FProgress) FProgress(position - boundary + 1, total);
  }
  return finish(true);
}
