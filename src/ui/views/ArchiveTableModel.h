#pragma once

#include <QAbstractTableModel>
#include <QByteArray>

class TDeviceArchive;

// An archive as a table: one column per archive variable, headed by its
// name, and one row per record with the values as the installation sent
// them. The model reads the archive in place and converts only the cells a
// view asks for, so ten thousand records cost nothing until they are shown.
class TArchiveTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // The archive to show, borrowed; null for an empty table. A record with
  // fewer values than there are columns shows the missing ones empty.
  void Show(const TDeviceArchive* archive);
  const TDeviceArchive* Shown() const { return FArchive; }
  // The name heading the column; empty outside the table.
  QByteArray ColumnName(int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TDeviceArchive* FArchive = nullptr;
};
