#include "ListBoxLog.h"

#include "Win1251.h"

#include <QListWidget>
#include <QScrollBar>

int TListBoxLog::LineCount() const { return FList->count(); }

void TListBoxLog::DeleteFirstLine() {
  if (FList->count() > 0) delete FList->takeItem(0);
}

void TListBoxLog::AppendLine(const QByteArray& line) {
  const QScrollBar* bar = FList->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  FList->addItem(Win1251::ToUnicode(line));
  if (atEnd) FList->scrollToBottom();
}

void TListBoxLog::Clear() { FList->clear(); }

QByteArray TListBoxLog::Text() const {
  QByteArray text;
  for (int i = 0; i < FList->count(); ++i) text += Win1251::FromUnicode(FList->item(i)->text()) + "\r\n";
  return text;
}
