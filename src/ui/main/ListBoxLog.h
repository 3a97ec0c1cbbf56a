#pragma once

#include "LogSink.h"

class QListWidget;

// A log page of the main window (terminal or dump) as the driver writes to
// it. Lines arrive as Windows-1251 bytes. A list scrolled to its end follows
// the new lines; one the operator scrolled back stays where it is.
class TListBoxLog : public TLogSink {
 public:
  explicit TListBoxLog(QListWidget* list) : FList(list) {}

  int LineCount() const override;
  void DeleteFirstLine() override;
  void AppendLine(const QByteArray& line) override;
  void Clear();

  // The whole page as a text file: Windows-1251, every line ended by CR LF.
  QByteArray Text() const;

 private:
  QListWidget* FList;
};
