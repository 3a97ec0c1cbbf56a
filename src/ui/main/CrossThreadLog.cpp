#include "CrossThreadLog.h"

#include "ListBoxLog.h"
#include "Win1251.h"

#include <algorithm>
#include <utility>

void TCrossThreadLog::DeleteFirstLine() {
  const std::lock_guard<std::mutex> lock(FLock);
  if (FLines.load() == 0) return;
  --FLines;
  ++FDeletes;
  PostHandOver();
}

void TCrossThreadLog::AppendLine(const QByteArray& line) {
  // Decoded here, off the window's thread.
  const QString text = Win1251::ToUnicode(line);
  const std::lock_guard<std::mutex> lock(FLock);
  ++FLines;
  FWaiting.append(text);
  PostHandOver();
}

void TCrossThreadLog::PostHandOver() {
  if (FPosted) return;
  FPosted = true;
  FHandOvers.Push([this] { HandOver(); });
}

void TCrossThreadLog::HandOver() {
  QStringList lines;
  int deletes = 0;
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FPosted = false;
    lines.swap(FWaiting);
    deletes = std::exchange(FDeletes, 0);
  }
  const int fromPage = std::min(deletes, FPage.LineCount());
  FPage.RemoveFirstLines(fromPage);
  lines.remove(0, std::min<qsizetype>(deletes - fromPage, lines.size()));
  FPage.AppendLines(lines);
}

void TCrossThreadLog::Clear() {
  const std::lock_guard<std::mutex> lock(FLock);
  // Lines still on their way are not on the page yet: they stay counted.
  // The drops meant for the page's lines went with them.
  FDeletes = std::max(FDeletes - FPage.LineCount(), 0);
  FPage.Clear();
  FLines = static_cast<int>(FWaiting.size()) - FDeletes;
}
