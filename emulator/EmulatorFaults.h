#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

// Misbehaviour on demand, so that the program's retries, checks and logs can
// be seen at work without a bad cable.
enum class TFaultKind {
  None,
  NoAnswer,      // the request goes unanswered
  BadCRC,        // the answer's last checksum byte is damaged
  WrongAddress,  // the answer comes from another device address
  Short,         // the answer loses its last bytes
  Late,          // the answer comes after a delay
  Malformed,     // the answer's items lose their "=" (block answers their kind)
  WrongBlock,    // a block answer carries the next block's number
  Behind,        // the answer to the previous request comes instead
};

// Which requests a fault hits. Requests are counted from the moment the plan
// is set; a wrong block number only makes sense for block requests, so that
// fault counts block requests alone.
struct TFaultPlan {
  TFaultKind Kind = TFaultKind::None;
  int Every = 0;  // every N-th request
  int Next = 0;   // the next K requests
  int LateMs = 500;
  // The first N requests are answered soundly; Every and Next count from
  // the request after them. A line that falls silent in the middle of a long
  // archive read is After with NoAnswer.
  int After = 0;
  // With neither Every nor Next the fault hits every request.
};

class TEmulatorFaults {
 public:
  void SetPlan(const TFaultPlan& plan);
  const TFaultPlan& Plan() const { return FPlan; }

  // Decides for one request; counts it when the fault could apply to it.
  TFaultKind Take(bool blockRequest);
  int Applied() const { return FApplied; }

  // The names the command line uses: no-answer, bad-crc, wrong-address,
  // short, late, malformed, wrong-block, behind (and none).
  static std::optional<TFaultKind> Parse(const QByteArray& name);
  static QByteArray Name(TFaultKind kind);
  static QByteArrayList Names();

 private:
  TFaultPlan FPlan;
  int FSeen = 0;
  int FApplied = 0;
};
