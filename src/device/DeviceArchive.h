#pragma once

#include "OpenProtocolVarList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A table of archive records: the columns (the variables every record
// holds), one caption per column, and the records, each a variable list
// whose variables are, position for position, the columns with this
// record's values.
//
// The archive file is column-aligned Windows-1251 text with CR LF line ends:
//
//   DATETIME  Дата и время измерения         caption section (only when
//   SUMALPHA  Измеренная объемная ...         there is a caption per column)
//                                             two empty lines
//                                             (with the caption section)
//   DATETIME             SUMALPHA             header row
//   07/03/2005 14.05.09  12.5                 one row per record
//
// Every field of the header and the rows is padded to its column's width
// plus 2, so a field always ends in at least two spaces.
class TDeviceArchive {
 public:
  // No archive file of an installation comes near: years of hourly records
  // of every variable take a few megabytes.
  static constexpr qint64 kMaxFileBytes = 64 << 20;
  // Cells allowed beyond one per two bytes of the file (each cell of a file
  // the program writes takes at least two), for short hand-made rows.
  static constexpr int64_t kSpareCells = 65536;

  TDeviceArchive() = default;
  TDeviceArchive(const TDeviceArchive&) = delete;
  TDeviceArchive& operator=(const TDeviceArchive&) = delete;

  // Null until set or loaded.
  const TOPVarList* Columns() const { return FColumns.get(); }
  const TOPVarList* Captions() const { return FCaptions.get(); }
  void SetColumns(const TOPVarList& columns) { FColumns = columns.Clone(); }
  void SetCaptions(const TOPVarList& captions) { FCaptions = captions.Clone(); }

  int RecordCount() const { return static_cast<int>(FRecords.size()); }
  // The record at that position (0 for the first appended), or null.
  const TOPVarList* Record(int position) const;
  // The value of a record in a column; empty outside the table.
  QByteArray Value(int record, int column) const;
  void AppendRecord(const TOPVarList& record) { FRecords.push_back(record.Clone()); }
  // The columns and the captions stay.
  void ClearRecords() { FRecords.clear(); }

  // Makes the archive in the slot (created when the slot is empty) a copy of
  // this one: the same columns, captions and records.
  void CopyTo(std::unique_ptr<TDeviceArchive>& target) const;

  // False, with the archive unchanged, when the file cannot be read, is not
  // a regular file, is larger than kMaxFileBytes or is refused by
  // LoadFromBytes.
  bool LoadFile(const QString& fileName);
  // A failed write leaves an existing file as it was.
  bool SaveFile(const QString& fileName) const;

  // Reads the contents of an archive file; any bytes give an archive unless
  // their rows would make more cells than one per two bytes (and some spare):
  // then false, the archive unchanged. A row
  // whose fields start where the header's columns start is read by position,
  // so empty values and values holding two spaces keep their columns; other
  // rows are split at runs of two spaces. Either way the last column takes
  // whatever the row holds beyond it. A file without its caption section
  // is recognised by its first empty line not being followed by another,
  // unless the lines before it name the header's columns.
  bool LoadFromBytes(const QByteArray& bytes);
  // The contents of the archive file. Without a column list the header is
  // made of the names of the first record's variables (empty when there is
  // no record); a record's variables beyond the columns are written after
  // them, so that no value is lost. Values lose trailing spaces on loading.
  QByteArray SaveToBytes() const;

 private:
  std::unique_ptr<TOPVarList> FColumns;
  std::unique_ptr<TOPVarList> FCaptions;
  std::vector<std::unique_ptr<TOPVarList>> FRecords;
};
