#pragma once

#include "LinkThread.h"
#include "LogSink.h"

#include <QStringList>

#include <atomic>
#include <mutex>

class TListBoxLog;

// A log page as the driver on the link thread writes to it. The lines wait
// here and go to the page in batches, at most one hand-over each turn of
// the window's event loop however fast they come: a page at its limit and a
// screen reader attached cost one model change a batch, not one a line. The
// line count it reports is the page's once every line sent has arrived, so
// the driver's limit on the page holds. Made on the page's thread; the
// hand-over goes through a queue of this program, so that a race detector
// sees the batch pass from one thread to the other.
class TCrossThreadLog : public TLogSink {
 public:
  // The page is borrowed.
  explicit TCrossThreadLog(TListBoxLog& page, int lines = 0) : FPage(page), FLines(lines) {}

  int LineCount() const override { return FLines.load(); }
  void DeleteFirstLine() override;
  void AppendLine(const QByteArray& line) override;

  // The operator cleared the page: called on the page's thread.
  void Clear();

 private:
  // Called with the lock held.
  void PostHandOver();
  // On the page's thread: what came since the last hand-over.
  void HandOver();

  TListBoxLog& FPage;
  TLinkQueue FHandOvers;
  std::atomic<int> FLines;
  std::mutex FLock;
  // Waiting for the hand-over: the oldest lines to drop (of the page first,
  // then of the waiting lines) and the lines to append.
  int FDeletes = 0;
  QStringList FWaiting;
  bool FPosted = false;
};
