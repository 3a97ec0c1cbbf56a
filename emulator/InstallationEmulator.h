#pragma once

#include "ArchiveGenerator.h"
#include "EmulatedSpectrum.h"
#include "EmulatorFaults.h"
#include "InstallationVariables.h"
#include "OpenProtocolFrame.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

struct TEmulatorConfig {
  uint8_t Address = 1;
  int Records = 500;
  // Bytes of spectrum per block answer. A block answer carries at most 253
  // and its number is one byte, so 4096 bytes need blocks of at least 17.
  int BlockSize = 253;
  int ArchiveIntervalSeconds = 3600;
  TEmulatorClock Clock;  // empty: the PC clock
  // Artificial emitters in the main spectrum.
  std::vector<TEmulatedSpectrum::TEmitter> Emitters;
  // The ring archive: at most that many records (0: no limit), the oldest
  // dropped when full; a new record every RecordEverySeconds of the clock
  // (0: none), taken one archive interval after the newest; record 1 the
  // newest when NewestFirst.
  int ArchiveCapacity = 0;
  int RecordEverySeconds = 0;
  bool NewestFirst = false;
};

// What became of one frame from the line.
struct TEmulatorAnswer {
  enum class TOutcome {
    Answered,
    Silent,        // a fault kept the answer back
    BadFrame,      // a checksum failed or the frame was short: ignored
    OtherAddress,  // meant for another device on the line: ignored
  };

  TOutcome Outcome = TOutcome::BadFrame;
  QByteArray RequestText;
  // The answer's text; for a block answer a short description of it.
  QByteArray AnswerText;
  TFaultKind Fault = TFaultKind::None;
  QByteArray Bytes;  // what goes back on the line; empty for no answer
  int DelayMs = 0;   // how long a late answer is held back
};

// The controller of the installation as seen from the line: it takes request
// frames and gives the answer frames, as the program's driver expects them.
//
// A request is a list of items "Name[:Index]=value;". A value "??" reads,
// "??##" asks for the number of blocks of SPECTRUM1 or SPECTRUM2, "??#j" for
// block j; any other value writes. Every item is answered, in order, in one
// answer of at most 253 characters; an unknown name, an archive index outside
// the archive and a block that does not exist answer "@@". A block request
// in the first item gets a block answer instead. A controller that does not
// pack answers the first item of a request only.
//
// Safe to call from several threads: the pseudo-terminal server answers on
// its own thread while a test sets faults and reads the log.
class TInstallationEmulator {
 public:
  static constexpr int kMaxLoggedRequests = 10000;
  static constexpr int kMinBlockSize = 17;

  explicit TInstallationEmulator(TEmulatorConfig config = {});

  // One frame as it came from the line; faults are applied here.
  TEmulatorAnswer HandleFrame(const QByteArray& frame);
  // A sound installation's answer to a request, without faults and without
  // counting it; none when the request is for another device.
  std::optional<OpenProtocolFrame::TPacket> AnswerPacket(const OpenProtocolFrame::TPacket& request);

  void SetFaults(const TFaultPlan& plan);
  TFaultPlan Faults() const;
  int FaultsApplied() const;

  uint8_t Address() const;
  void SetAddress(uint8_t address);
  int BlockSize() const;
  void SetBlockSize(int size);
  int BlockCount() const;
  // Whether every item of a request is answered (the default) or the first only.
  void SetPackedAnswers(bool on);

  // Any variable from outside the protocol, read-only and measured ones
  // included (a STATUS fault, an open door contact, a fixed activity).
  bool SetVariable(const QByteArray& name, const QByteArray& value);
  // What a read of the variable would answer now.
  std::optional<QByteArray> Variable(const QByteArray& name);

  const TEmulatedSpectrum& MainSpectrum() const { return FMainSpectrum; }
  const TEmulatedSpectrum& BackgroundSpectrum() const { return FBackgroundSpectrum; }
  // The archive as it stands; not to be held while another thread reads
  // the line (the ring grows on the line's thread).
  const TArchiveGenerator& Archive() const { return FArchive; }
  // An archive of that many records, the newest taken when the archive
  // before it was.
  void SetArchiveRecords(int records);
  // Takes that many new records at once, as the ring does when they are due.
  void AppendArchiveRecords(int records);

  // Requests for this device with sound checksums, and their texts, oldest
  // first (the oldest are dropped beyond kMaxLoggedRequests).
  int RequestCount() const;
  QByteArrayList RequestLog() const;
  void ClearLog();

 private:
  enum class TItemKind { Read, Write, BlockCount, Block };

  struct TRequestItem {
    QByteArray Reference;  // as the request spelled it
    QByteArray Name;
    QByteArray Index;
    QByteArray Value;
    TItemKind Kind = TItemKind::Read;
    int Block = 0;  // for a block request; 0 when the number is not one
  };

  static std::vector<TRequestItem> ParseRequest(const QByteArray& text);
  std::optional<OpenProtocolFrame::TPacket> Answer(const OpenProtocolFrame::TPacket& request, bool& blockAnswer);
  QByteArray AnswerValue(const TRequestItem& item);
  const TEmulatedSpectrum* SpectrumOf(const QByteArray& name) const;
  // The main spectrum for the measuring time DURATIONTIME (minutes) now holds.
  void RefreshMainSpectrum();
  std::optional<OpenProtocolFrame::TPacket> BlockAnswer(const TRequestItem& item);
  void ApplyFault(TFaultKind fault, bool blockAnswer, OpenProtocolFrame::TPacket& packet, TEmulatorAnswer& answer);

  mutable std::mutex FMutex;
  uint8_t FAddress;
  int FBlockSize;
  bool FPackedAnswers = true;
  TInstallationVariables FVariables;
  std::vector<TEmulatedSpectrum::TEmitter> FEmitters;
  double FMainSpectrumMinutes = TEmulatedSpectrum::kNominalMinutes;
  TEmulatedSpectrum FMainSpectrum;
  TEmulatedSpectrum FBackgroundSpectrum;
  TArchiveGenerator FArchive;
  TEmulatorFaults FFaults;
  int FRequestCount = 0;
  QByteArrayList FRequestLog;
  std::optional<OpenProtocolFrame::TPacket> FPreviousAnswer;
  TEmulatorClock FClock;
  int FRecordEverySeconds = 0;
  QDateTime FRingStarted;
  int64_t FRingTaken = 0;  // records the clock has added since the start

  void AdvanceRing();
};
