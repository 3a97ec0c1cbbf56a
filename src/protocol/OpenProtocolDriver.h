#pragma once

#include "CancelFlag.h"
#include "CommChannel.h"
#include "LogSink.h"
#include "OpenProtocolFrame.h"
#include "OpenProtocolVarList.h"
#include "ProgressSink.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <functional>
#include <optional>

// Runs request/answer transactions with the installation over one channel:
// read a list of variables, write them, or fetch one variable's content in
// numbered blocks. Every request gets up to three attempts. The exchange log
// gets the request and answer texts, the dump log every frame in hexadecimal
// and characters; a progress bar follows the transaction.
//
// The driver owns nothing it is handed. It does not know the windows: the
// logs, the bar and the cancel button reach it through small interfaces.
class TOpenProtocolDriver {
 public:
  // When a received frame counts as complete: when the line falls silent for
  // the interval time-out (the classic rule), or as soon as the length its
  // header announces has arrived.
  enum class TEndOfFrame { Silence, Length };

  static constexpr int kAttempts = 3;
  static constexpr int kPauseBeforeAttemptMs = 10;
  static constexpr int kMaxLogLines = TLogSink::kMaxLines;
  static constexpr int kBlockBufferSize = 32768;

  explicit TOpenProtocolDriver(TCommChannel* channel);

  // Attaching a channel (the same one after the port was set up again, too)
  // begins a new packing session.
  void SetChannel(TCommChannel* channel);
  void SetCommLog(TLogSink* log) { FCommLog = log; }
  void SetDebugLog(TLogSink* log) { FDebugLog = log; }
  void SetProgressBar(TProgressSink* bar) { FProgressBar = bar; }
  void SetCancelButton(const TCancelFlag* cancel) { FCancel = cancel; }
  // Called before every attempt of every request: the caller may answer
  // false to stop the transaction (the program on its way out), which then
  // fails.
  void SetBetweenRequests(std::function<bool()> hook) { FBetweenRequests = std::move(hook); }
  // Told the outcome of every request once its attempts are over.
  void SetRequestFinished(std::function<void(bool answered)> observer) { FRequestFinished = std::move(observer); }

  // Why the last failed transaction failed.
  enum class TFailure {
    None,
    NoChannel,    // no channel attached
    LineFailed,   // the port refused to write or read: unplugged, gone
    Silent,       // no answer within the time-outs
    BadFrame,     // a damaged or short frame, or one from another address
    NotAnswered,  // answers came, none of them the answer to the request
    Refused,      // a value or a request the line cannot carry: nothing sent
    BadContent,   // a block count or block content that makes no transfer
    Stopped,      // the operator or the caller stopped it
  };

  // True when every variable was answered; stops at the first failed request.
  // An answer counts only when it answers every variable its request asked
  // for (by name and index; "@@" is an answer); any other answer is a failed
  // attempt and the request is repeated. A read answered "@@" empties the
  // value; a write answered "@@" keeps it.
  bool ReadVars(uint8_t address, TOPVarList& list);
  // Sends nothing at all when one of the values cannot travel on the line.
  bool WriteVars(uint8_t address, TOPVarList& list);
  // True when every value of the list can travel as a write; otherwise logs
  // which one cannot. For callers that write several lists as one step.
  bool CanWrite(const TOPVarList& list);
  // Fetches the content of the list's first variable block by block. On
  // success data holds the size bytes of content; on failure size is 0 and
  // data is left as it was. A block answer with another block number is a
  // failed attempt of that block.
  bool ReadBlocks(uint8_t address, const TOPVarList& list, uint32_t& size, QByteArray& data);

  // The last failed transaction's cause and the request text that failed
  // (empty when it failed before a request).
  TFailure LastFailure() const { return FLastFailure; }
  const QByteArray& FailedRequest() const { return FFailedRequest; }

  // Packed reads, the operator's choice, off at start. While packing is on
  // a read asks for several variables a request (PackedReadRequest in
  // OpenProtocolText.h); writes and block transfers carry one variable a
  // request all the same.
  //
  // Not every installation answers packed requests, so packing is tried
  // once a session. A session begins when packing is turned on, when a
  // channel is attached and when a read goes to another device address. Its
  // first packed request (one of two variables or more) decides:
  // - every variable answered: reads stay packed for the rest of the session;
  // - answers in all three attempts, none of them with every variable: the
  //   installation does not pack. That request's variables are asked again
  //   one a request, and so is every read for the rest of the session; one
  //   line in the exchange log says so;
  // - no sound answer at all: its first variable is asked alone. Answered,
  //   the installation does not pack, as above; unanswered too, the line or
  //   the installation is down, the read fails and the next packed request
  //   decides instead.
  // Once a packed request was answered in full, a packed request left
  // without any sound answer is a line fault like any other: the read fails
  // and reads stay packed. Answers that miss variables still mean the
  // installation does not pack.
  void SetPacking(bool on);
  bool Packing() const { return FPacking; }
  // 0 while reads are packed; 1 while they carry one variable a request:
  // packing is off, or the installation refused it in this session.
  uint8_t PackMode() const;
  // The installation needs the pause before each attempt; an in-memory
  // line (the fuzzer's) does not.
  void SetPauseBeforeAttemptMs(int ms) { FPauseBeforeAttemptMs = ms; }
  void SetEndOfFrame(TEndOfFrame rule) { FEndOfFrame = rule; }
  bool BadCRC() const { return FBadCRC; }
  // Request frames handed to the line since the driver was made, every
  // attempt counted: what a sync's cost is measured in.
  uint64_t FramesSent() const { return FFramesSent; }

  // The hexadecimal and character dump lines of a frame.
  static QByteArrayList HexDump(const QByteArray& bytes, const QByteArray& prefix);
  static QByteArrayList CharDump(const QByteArray& bytes);

 private:
  enum class TTransaction { Read, Write };
  enum class TPackingVerdict { Untried, Answered, Refused };

  // Why a sound answer frame is not the answer to the request (for the log);
  // empty when it is.
  using TAnswerCheck = std::function<QByteArray(const OpenProtocolFrame::TPacket& answer)>;

  struct TAttempt {
    bool Ok = false;
    bool Received = false;  // a sound frame from the device came back
    TFailure Failure = TFailure::None;
    QByteArray Refusal;  // why that frame is not the answer
    OpenProtocolFrame::TPacket Answer;
  };

  bool TransferVars(uint8_t address, TOPVarList& list, TTransaction kind);
  // After a packed request failed: whether its variables are to be asked
  // again one a request, and whether the first of them decides the verdict.
  bool PackedRequestFailed(bool& probe);
  void RefusePacking();
  // One request with its attempts; logs each attempt. Block answers are
  // logged in hexadecimal.
  std::optional<OpenProtocolFrame::TPacket> Request(uint8_t address, const QByteArray& text, bool blockAnswer,
                                                    const TAnswerCheck& check);
  TAttempt Exchange(const OpenProtocolFrame::TPacket& request);
  bool Fail(TFailure failure, const QByteArray& request = {});
  bool SendFrame(const OpenProtocolFrame::TPacket& packet);
  TFailure ReceiveFrame(OpenProtocolFrame::TPacket& packet);
  bool MayGoOn();

  void Log(TLogSink* log, const QByteArray& line);
  void LogAttempt(const TAttempt& attempt, bool blockAnswer);
  void ResetProgress();

  TCommChannel* FChannel = nullptr;
  TLogSink* FCommLog = nullptr;
  TLogSink* FDebugLog = nullptr;
  TProgressSink* FProgressBar = nullptr;
  const TCancelFlag* FCancel = nullptr;
  std::function<bool()> FBetweenRequests;
  std::function<void(bool)> FRequestFinished;

  uint8_t FLocalAddress = OpenProtocolFrame::kLocalAddress;
  bool FPacking = false;
  uint64_t FFramesSent = 0;
  TPackingVerdict FPackingVerdict = TPackingVerdict::Untried;
  int FPackingAddress = -1;  // the device of the session; -1 before its first read
  OpenProtocolFrame::TChecksumKind FChecksumKind = OpenProtocolFrame::TChecksumKind::Shift;
  TEndOfFrame FEndOfFrame = TEndOfFrame::Length;
  int FPauseBeforeAttemptMs = kPauseBeforeAttemptMs;
  bool FBadCRC = false;
  uint32_t FBytesReceived = 0;
  TFailure FLastFailure = TFailure::None;
  QByteArray FFailedRequest;
};
