#include "CrossThreadLog.h"

#include "ListBoxLog.h"

void TCrossThreadLog::DeleteFirstLine() {
  if (FLines.load() == 0) return;
  --FLines;
  QMetaObject::invokeMethod(
      FContext, [this] { FPage.DeleteFirstLine(); }, Qt::QueuedConnection);
}

void TCrossThreadLog::AppendLine(const QByteArray& line) {
  ++FLines;
  QMetaObject::invokeMethod(
      FContext, [this, line] { FPage.AppendLine(line); }, Qt::QueuedConnection);
}

void TCrossThreadLog::Clear() {
  // Lines still on their way are not on the page yet: they stay counted.
  FLines -= FPage.LineCount();
  FPage.Clear();
}
