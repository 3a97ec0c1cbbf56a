#pragma once

#include "LogSink.h"

#include <QObject>

#include <atomic>

class TListBoxLog;

// A log page as the driver on the link thread writes to it: the lines go to
// the page through the window's event loop. The line count it reports is
// the page's once every line sent has arrived, so the driver's limit on the
// page holds.
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
  TListBoxLog& FPage;
  QObject* FContext;
  std::atomic<int> FLines;
};
