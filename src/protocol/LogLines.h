#pragma once

#include "LogSink.h"

#include <QByteArrayList>

// A log held in memory.
class TLogLines : public TLogSink {
 public:
  int LineCount() const override { return static_cast<int>(FLines.size()); }
  void DeleteFirstLine() override {
    if (!FLines.isEmpty()) FLines.removeFirst();
  }
  void AppendLine(const QByteArray& line) override { FLines.append(line); }

  const QByteArrayList& Lines() const { return FLines; }
  void Clear() { FLines.clear(); }

 private:
  QByteArrayList FLines;
};
