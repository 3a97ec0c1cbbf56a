#pragma once

#include "LogSink.h"

#include <QAbstractListModel>
#include <QStringList>

#include <vector>

// The lines of a log page, one row each, in a ring that holds at most its
// capacity: a page at its limit drops its oldest lines as new ones come,
// without moving the thousands in between. Lines come in batches, so that a
// view and an assistive tool hear of one insertion (and at most one
// removal) a batch instead of one a line.
class TLogLinesModel : public QAbstractListModel {
 public:
  explicit TLogLinesModel(int capacity = TLogSink::kMaxLines, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Appends the lines; the oldest go first when the ring would overflow.
  void Append(const QStringList& lines);
  void RemoveFirst(int count);
  void Clear();

  int Count() const { return FCount; }
  const QString& Line(int row) const { return FRing[Slot(row)]; }

 private:
  size_t Slot(int row) const { return static_cast<size_t>((FHead + row) % FCapacity); }

  int FCapacity;
  std::vector<QString> FRing;
  int FHead = 0;
  int FCount = 0;
};
