#pragma once

#include "LogSink.h"

#include <QStringList>

class QListView;
class TLogLinesModel;

// A log page of the main window (terminal or dump): a list view over the
// model of its lines, which it sets up. Lines arrive as Windows-1251 bytes,
// one at a time or in batches. A list scrolled to its end follows the new
// lines; one the operator scrolled back stays where it is.
class TListBoxLog : public TLogSink {
 public:
  // The view is borrowed; the model is the view's child.
  explicit TListBoxLog(QListView* view, int capacity = kMaxLines);

  int LineCount() const override;
  void DeleteFirstLine() override;
  void AppendLine(const QByteArray& line) override;
  void AppendLines(const QStringList& lines);
  void RemoveFirstLines(int count);
  void Clear();

  const TLogLinesModel& Model() const { return *FModel; }
  // The whole page as a text file: Windows-1251, every line ended by CR LF.
  QByteArray Text() const;

 private:
  QListView* FView;
  TLogLinesModel* FModel;
};
