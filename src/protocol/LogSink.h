#pragma once

#include <QByteArray>

// A list of log lines: the terminal and dump pages of the main window, a
// stream of the command-line client, or a plain list in tests. The driver
// keeps it short by deleting the oldest line itself.
class TLogSink {
 public:
  // The most lines a log page holds.
  static constexpr int kMaxLines = 8097;

  virtual ~TLogSink() = default;
  virtual int LineCount() const = 0;
  virtual void DeleteFirstLine() = 0;
  virtual void AppendLine(const QByteArray& line) = 0;
};

// Appends a line to a log that may be missing; one at its limit loses its
// oldest line first.
inline void AppendLogLine(TLogSink* log, const QByteArray& line) {
  if (!log) return;
  if (log->LineCount() > TLogSink::kMaxLines - 1) log->DeleteFirstLine();
  log->AppendLine(line);
}
