#include "HistorySync.h"

#include "CancelFlag.h"
#include "DeviceCatalogue.h"
#include "HistoryRecordCodec.h"
#include "HistoryStore.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"

#include <QHash>

#include <limits>
#include <memory>
#include <optional>

namespace {

// Rounds of checking for records that slipped past while the ring moved; a
// ring that takes records faster than they can be read is never caught up.
constexpr int kVerifyRounds = 8;

// Reads and remembers the DATETIME of records by their position in time
// order (0 the oldest), one variable a request.
class TTimeProbe {
 public:
  TTimeProbe(TNGAS& device, int size) : FDevice(device), FSize(size) {
    FTemplate.Add(HistoryRecordCodec::ArchiveColumns()[HistoryRecordCodec::kDateTimeColumn]);
  }

  void SetNewestFirst(bool newestFirst) { FNewestFirst = newestFirst; }
  bool NewestFirst() const { return FNewestFirst; }
  int Size() const { return FSize; }
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

// One sync's reads and stores.
class TSyncPass {
 public:
  TSyncPass(TNGAS& device, THistoryStore& store, const TCancelFlag* cancel, THistorySyncResult& result)
      : FDevice(device), FStore(store), FCancel(cancel), FResult(result) {}

  QByteArray Serial;

  // Reads the whole record and commits it before the next request, so a cut
  // line keeps it.
  bool ReadAndStore(int number, bool replace = false) {
    if (FCancel && FCancel->Cancelled()) {
      FResult.Cancelled = true;
      return false;
    }
    if (!FDevice.ReadArchRecord(FDevice.ArchVarList(), number, FRecord)) return false;
    const uint8_t address = FDevice.DevAddress();
    switch (replace ? FStore.ReplaceRecord(address, *FRecord) : FStore.StoreRecord(address, *FRecord)) {
      case THistoryStoreResult::Added:
        ++FResult.New;
        return true;
      case THistoryStoreResult::Present:
        return true;
      case THistoryStoreResult::Failed:
        break;
    }
    return false;
  }

  // Makes sure every record of the positions low..high is stored: a range
  // whose stored count between its ends' moments matches is whole; another
  // is halved until the missing records are found and read.
  bool Complete(TTimeProbe& probe, int low, int high) {
    if (low > high) return true;
    std::optional<qint64> first;
    std::optional<qint64> last;
    if (!probe.Read(low, first) || !probe.Read(high, last)) return false;
    if (first && last && StoredBetween(*first, *last) >= high - low + 1) return true;
    if (high - low <= 1) {
      if (!(first && StoredBetween(*first, *first) > 0) && !Mend(probe, low)) return false;
      if (high > low && !(last && StoredBetween(*last, *last) > 0) && !Mend(probe, high)) return false;
      return true;
    }
    const int middle = low + (high - low) / 2;
    return Complete(probe, low, middle) && Complete(probe, middle + 1, high);
  }

 private:
  // A record that slipped past while the numbers moved: a read that spanned
  // the move stored one of its neighbours with the other's values, so both
  // neighbours are read again and mended.
  bool Mend(TTimeProbe& probe, int position) {
    if (!ReadAndStore(probe.RecordNumber(position))) return false;
    for (int neighbour : {position - 1, position + 1})
      if (neighbour >= 0 && neighbour < probe.Size() && !ReadAndStore(probe.RecordNumber(neighbour), true))
        return false;
    return true;
  }

  qint64 StoredBetween(qint64 from, qint64 to) {
    const qint64 installation = FStore.FindInstallation(FDevice.DevAddress(), Serial);
    if (!installation) return 0;
    return FStore.CountRecords(
        installation, {QDateTime::fromSecsSinceEpoch(from, Qt::UTC), QDateTime::fromSecsSinceEpoch(to, Qt::UTC)});
  }

  TNGAS& FDevice;
  THistoryStore& FStore;
  const TCancelFlag* FCancel;
  THistorySyncResult& FResult;
  std::unique_ptr<TOPVarList> FRecord;
};

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
  if (!driver || !FStore.IsOpen() || !FDevice.ReadArchSize()) return finish(false);
  int size = FDevice.ArchSize();
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
  TSyncPass pass(FDevice, FStore, FCancel, result);
  pass.Serial = serial;
  int boundary = 0;
  const qint64 installation = FStore.FindInstallation(address, serial);
  const QDateTime newest = installation ? FStore.NewestMoment(installation) : QDateTime();
  if (newest.isValid() && !FindBoundary(probe, 0, size, newest.toSecsSinceEpoch(), boundary)) return finish(false);

  // Before any record of this sync: the search for the first new one.
  const qint64 storedBefore = newest.isValid() ? newest.toSecsSinceEpoch() : std::numeric_limits<qint64>::min();
  const int total = size - boundary;
  if (FProgress) FProgress(0, total);
  int done = 0;
  for (int position = boundary; position < size; ++position) {
    if (!pass.ReadAndStore(probe.RecordNumber(position))) return finish(false);
    if (FProgress) FProgress(++done, total);
  }

  // Records taken while the sync ran move the numbers of a full ring (and of
  // every archive numbered from the newest), so a record may have slipped
  // past the reads. The newest record and the size tell whether any came;
  // then the stored records are checked against the installation's, range
  // by range, and the missing ones read.
  std::optional<qint64> newestRead;
  if (!probe.Read(size - 1, newestRead)) return finish(false);
  for (int round = 0; round < kVerifyRounds; ++round) {
    if (!FDevice.ReadArchSize()) return finish(false);
    const int now = FDevice.ArchSize();
    TTimeProbe fresh(FDevice, now);
    fresh.SetNewestFirst(probe.NewestFirst());
    std::optional<qint64> newestNow;
    if (now < 1 || !fresh.Read(now - 1, newestNow)) return finish(now >= 1 ? false : true);
    if (now == size && newestNow == newestRead) break;
    size = now;
    newestRead = newestNow;
    int from = 0;
    if (newest.isValid() && !FindBoundary(fresh, 0, now, storedBefore, from)) return finish(false);
    if (!pass.Complete(fresh, from, now - 1)) return finish(false);
  }
  return finish(true);
}
