#include "ListBoxLog.h"

#include "LogLinesModel.h"
#include "Win1251.h"

#include <QListView>
#include <QScrollBar>

TListBoxLog::TListBoxLog(QListView* view, int capacity) : FView(view), FModel(new TLogLinesModel(capacity, view)) {
  FView->setModel(FModel);
}

int TListBoxLog::LineCount() const { return FModel->Count(); }

void TListBoxLog::DeleteFirstLine() { RemoveFirstLines(1); }

void TListBoxLog::AppendLine(const QByteArray& line) { AppendLines({Win1251::ToUnicode(line)}); }

void TListBoxLog::AppendLines(const QStringList& lines) {
  const QScrollBar* bar = FView->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  FModel->Append(lines);
  if (atEnd) FView->scrollToBottom();
}

void TListBoxLog::RemoveFirstLines(int count) { FModel->RemoveFirst(count); }

void TListBoxLog::Clear() { FModel->Clear(); }

QByteArray TListBoxLog::Text() const {
  QByteArray text;
  for (int row = 0; row < FModel->Count(); ++row) text += Win1251::FromUnicode(FModel->Line(row)) + "\r\n";
  return text;
}
