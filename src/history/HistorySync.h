#pragma once

#include <cstdint>
#include <functional>

class TCancelFlag;
class THistoryStore;
class TNGAS;

// What a sync came to.
struct THistorySyncResult {
  bool Ok = false;         // every new record the installation holds is stored
  bool Cancelled = false;  // the operator stopped it (what was read stays stored)
  int New = 0;             // records added to the store
  int64_t Stored = 0;      // records the store now holds for the installation
  int64_t Requests = 0;    // request frames sent, every attempt counted
  int ArchiveSize = 0;     // records the installation held
};

// Brings the store up to the installation's archive, reading only what the
// store does not hold yet.
//
// The controller's archive is a ring: when it is full the oldest record goes.
// Whether record 1 is the oldest or the newest is not fixed, so the DATETIME
// of the first and the last record tells. The boundary between the stored
// and the new records is found by a binary search over DATETIME alone (one
// variable a probe); then the new records are read whole, oldest first,
// packed when the driver packs, and each one is committed before the next
// request. A cut line therefore leaves every record read stored, and the next
// sync goes on from the newest one stored.
//
// Records whose DATETIME is no valid time cannot be placed by the search:
// those among the new ones are stored by their content, which the store's
// unique key keeps from being stored twice.
class THistorySync {
 public:
  // Called with the records read and the records to read.
  using TProgress = std::function<void(int done, int total)>;

  THistorySync(TNGAS& device, THistoryStore& store);

  void SetProgress(TProgress progress) { FProgress = std::move(progress); }
  void SetCancel(const TCancelFlag* cancel) { FCancel = cancel; }

  THistorySyncResult Run();

  // The one-call form for the window and qev-cli.
  static THistorySyncResult Run(TNGAS& device, THistoryStore& store, TProgress progress, const TCancelFlag* cancel);

 private:
  TNGAS& FDevice;
  THistoryStore& FStore;
  TProgress FProgress;
  const TCancelFlag* FCancel = nullptr;
};
