#include "ArchiveTableModel.h"

#include "DeviceArchive.h"
#include "Win1251.h"

void TArchiveTableModel::Show(const TDeviceArchive* archive) {
  beginResetModel();
  FArchive = archive;
  endResetModel();
}

QByteArray TArchiveTableModel::ColumnName(int column) const {
  if (!FArchive || !FArchive->Columns()) return {};
  const TOPVarListItem* item = FArchive->Columns()->GetItem(column);
  return item ? item->Name : QByteArray();
}

int TArchiveTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !FArchive) return 0;
  return FArchive->RecordCount();
}

int TArchiveTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !FArchive || !FArchive->Columns()) return 0;
  return FArchive->Columns()->Count();
}

QVariant TArchiveTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !FArchive || !index.isValid()) return {};
  return Win1251::ToUnicode(FArchive->Value(index.row(), index.column()));
}

QVariant TArchiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return Win1251::ToUnicode(ColumnName(section));
}

Qt::ItemFlags TArchiveTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
