#pragma once

#include <QByteArray>

// A list of log lines: the terminal and dump pages of the main window, a
// stream of the command-line client, or a plain list in tests. The driver
// keeps it short by deleting the oldest line itself.
class TLogSink {
 public:
  virtual ~TLogSink() = default;
  virtual int LineCount() const = 0;
  virtual void DeleteFirstLine() = 0;
  virtual void AppendLine(const QByteArray& line) = 0;
};
