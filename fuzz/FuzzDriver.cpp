#include "CommChannel.h"
#include "OpenProtocolDriver.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The line as the fuzzer plays it: each read delivers the next piece of the
// input, a length byte and that many bytes; a spent input is a silent line.
class TFuzzLine : public TCommChannel {
 public:
  TFuzzLine(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

  bool Write(const uint8_t*, uint32_t& count) override {
    ++FWrites;
    return count > 0;
  }

  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength) override {
    count = 0;
    if (FAt >= FSize) return true;
    const size_t piece = std::min<size_t>({FData[FAt++], FSize - FAt, size});
    std::memcpy(buffer, FData + FAt, piece);
    FAt += piece;
    count = static_cast<uint32_t>(piece);
    return true;
  }

  void DiscardInput() override {}

  int FWrites = 0;

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FAt = 0;
};

}  // namespace

// The driver against whatever comes back on the line: no transaction may
// crash, send without bound, or report success for what was not answered.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzLine line(data, size);
  TOpenProtocolDriver driver(&line);
  driver.SetPauseBeforeAttemptMs(0);

  TOPVarList read;
  read.Add("SUMALPHA");
  read.Add("SUMBETA", "A001");
  read.Add("RADON");
  if (driver.ReadVars(1, read) && line.FWrites < 3) std::abort();

  TOPVarList write;
  write.Add("ALPHAALARM1", {}, "250");
  write.Add("SERIALN", {}, "1;2");
  const int before = line.FWrites;
  if (driver.WriteVars(1, write) || line.FWrites != before) std::abort();

  TOPVarList spectrum;
  spectrum.Add("SPECTRUM1");
  uint32_t blocks = 0;
  QByteArray content;
  const bool fetched = driver.ReadBlocks(1, spectrum, blocks, content);
  if (fetched ? blocks != static_cast<uint32_t>(content.size()) || blocks > TOpenProtocolDriver::kBlockBufferSize
              : blocks != 0)
    std::abort();

  driver.SetPacking(true);
  driver.ReadVars(1, read);
  return 0;
}
