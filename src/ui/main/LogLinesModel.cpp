#include "LogLinesModel.h"

#include <algorithm>

TLogLinesModel::TLogLinesModel(int capacity, QObject* parent)
    : QAbstractListModel(parent), FCapacity(std::max(capacity, 1)), FRing(static_cast<size_t>(FCapacity)) {}

int TLogLinesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FCount; }

QVariant TLogLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FCount) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  return Line(index.row());
}

void TLogLinesModel::Append(const QStringList& lines) {
  // Of more lines than the ring holds only the newest would stay.
  const qsizetype skipped = std::max<qsizetype>(lines.size() - FCapacity, 0);
  const int added = static_cast<int>(lines.size() - skipped);
  if (added == 0) return;
  RemoveFirst(FCount + added - FCapacity);
  beginInsertRows({}, FCount, FCount + added - 1);
  for (qsizetype i = skipped; i < lines.size(); ++i) FRing[Slot(FCount++)] = lines[i];
  endInsertRows();
}

void TLogLinesModel::RemoveFirst(int count) {
  count = std::min(count, FCount);
  if (count <= 0) return;
  beginRemoveRows({}, 0, count - 1);
  for (int row = 0; row < count; ++row) FRing[Slot(row)].clear();
  FHead = static_cast<int>(Slot(count));
  FCount -= count;
  endRemoveRows();
}

void TLogLinesModel::Clear() {
  beginResetModel();
  for (int row = 0; row < FCount; ++row) FRing[Slot(row)].clear();
  FHead = 0;
  FCount = 0;
  endResetModel();
}
