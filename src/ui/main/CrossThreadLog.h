#pragma once

#include "LogSink.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <mutex>

class TListBoxLog;

// A log page as the driver on the link thread writes to it. The lines wait
// here and go to the page in batches, at most one hand-over each turn of
// the window's event loop however fast they come: a page at its limit and a
// screen reader attached cost one model change a batch, not one a line. The
// line count it reports is the page's once every line sent has arrived, so
// the driver's limit on the page holds.
class TCrossThreadLog : public TLogSink {
 public:
  // The page and the context (a window of the page's thread) are borrowed.
  TCrossThreadLog(TListBoxLog& page, QObject* context, int lines = 0) : FPage(page), FContext(context), FLines(lines) {}

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
  QObject* FContext;
  std::atomic<int> FLines;
  std::mutex FLock;
  // Waiting for the hand-over: the oldest lines to drop (of the page first,
  // then of the waiting lines) and the lines to append.
  int FDeletes = 0;
  QStringList FWaiting;
  bool FPosted = false;
};
