#include "LineFitBench.h"

#include "InstallationEmulator.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "PacedLine.h"

#include <cstdio>

namespace {

constexpr int kRecords = 5;

// A packed archive read of every archive variable, whose answers are full
// frames, and both spectra, whose block answers are as long, against the
// emulator pacing its side at the speed; the latency is the one a fresh
// settings dialog shows.
bool Fits(int baud) {
  TEmulatorConfig config;
  config.Records = kRecords;
  TInstallationEmulator emulator(config);
  TPacedLine line(emulator, baud);
  if (!line.Open()) return false;
  TOpenProtocolDriver driver(&line.Channel());
  driver.SetPacking(true);
  TNGAS ngas(&driver);
  ngas.SetDevAddress(emulator.Address());
  const bool archive = ngas.ReadArchSize() && ngas.ReadArchive(1, 1, kRecords, ngas.ArchVarList()) &&
                       ngas.Archive().RecordCount() == kRecords && driver.PackMode() == 0;
  const bool spectra = ngas.ReadMainSpectr() && ngas.ReadBkSpectr();
  if (!archive || !spectra)
    std::fprintf(stderr, "qev-bench: at %d baud the %s failed\n", baud,
                 archive ? "spectrum read" : "packed archive read");
  std::printf("line-fit baud=%d latency=0.25 packed=on ok=%d\n", baud, archive && spectra ? 1 : 0);
  std::fflush(stdout);
  return archive && spectra;
}

}  // namespace

bool MeasureLineFit() {
  bool ok = true;
  for (const int baud : {9600, 19200, 57600, 115200}) ok = Fits(baud) && ok;
  return ok;
}
