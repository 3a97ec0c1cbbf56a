#include "ArchiveReadBench.h"

#include "DeviceArchive.h"
#include "InstallationEmulator.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "PacedLine.h"

#include <QElapsedTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRecords = 20;

// Every value read is the one the emulated installation holds.
bool SameAsTheInstallation(const TDeviceArchive& archive, const TArchiveGenerator& source) {
  if (archive.RecordCount() != kRecords) return false;
  for (int r = 0; r < kRecords; ++r) {
    const std::unique_ptr<TOPVarList> owned = archive.Record(r);
    const TOPVarList& record = *owned;
    for (int v = 0; v < record.Count(); ++v) {
      const TOPVarListItem& item = *record.GetItem(v);
      if (item.Value != source.Value(item.Name, r + 1)) return false;
    }
  }
  return true;
}

bool Measure(int baud, bool packing) {
  TEmulatorConfig config;
  config.Records = kRecords;
  TInstallationEmulator emulator(config);
  TPacedLine line(emulator, baud);
  // The default latency: it bounds the wait for an answer to begin, and a
  // frame ends as soon as its announced length has arrived.
  if (!line.Open()) return false;
  TOpenProtocolDriver driver(&line.Channel());
  driver.SetPacking(packing);
  TNGAS ngas(&driver);
  ngas.SetDevAddress(emulator.Address());
  if (!ngas.ReadArchSize()) return false;  // warm-up

  line.Channel().Bytes = 0;
  emulator.ClearLog();
  QElapsedTimer clock;
  clock.start();
  const bool read = ngas.ReadArchive(1, 1, kRecords, ngas.ArchVarList());
  const double elapsedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  if (!read || !SameAsTheInstallation(ngas.Archive(), emulator.Archive())) {
    std::fprintf(stderr, "qev-bench: the archive read at %d baud, packing %s, failed or differs\n", baud,
                 packing ? "on" : "off");
    return false;
  }
  const double floorMs =
      (line.LineMs() + double(emulator.RequestCount()) * TOpenProtocolDriver::kPauseBeforeAttemptMs) / kRecords;
  const double msPerRecord = elapsedMs / kRecords;
  std::printf("archive-read baud=%d packing=%s ms_per_record=%.1f floor_ms=%.1f ratio=%.2f\n", baud,
              packing ? "on" : "off", msPerRecord, floorMs, msPerRecord / floorMs);
  std::fflush(stdout);
  return true;
}

}  // namespace

bool MeasureArchiveRead() {
  bool ok = true;
  for (int baud : {9600, 115200})
    for (bool packing : {false, true}) ok = Measure(baud, packing) && ok;
  return ok;
}
