#pragma once

#include "ArchiveRecords.h"
#include "OpenProtocolVarList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSharedDataPointer>
#include <QString>

#include <cstdint>
#include <memory>

// A table of archive records: the columns (the variables every record
// holds), one caption per column, and the records, each the values of the
// columns' variables, position for position, with the archive index it was
// read with. The records are held compactly (TArchiveRecords) and shared by
// copies of the archive until one of them changes.
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

  int RecordCount() const { return FRecords->Count(); }
  // The text of a record's value in a column; empty outside the table.
  QByteArray Value(int record, int column) const { return FRecords->Value(record, column).toByteArray(); }
  // The same without a copy, valid while the archive is not changed.
  QByteArrayView ValueView(int record, int column) const { return FRecords->Value(record, column); }
  // The number of values the record holds: as many as there are columns for
  // a record of a file, as many as the appended list held otherwise.
  int ValueCount(int record) const { return FRecords->ValueCount(record); }
  // The record at that position (0 for the first appended) as a variable
  // list of its own, or null: its variables are named after the columns
  // (beyond them after the first record's variables) and carry the record's
  // archive index.
  std::unique_ptr<TOPVarList> Record(int position) const;
  // Appends the values of the list's variables and the index of its first
  // one (the index of every variable read for a record).
  void AppendRecord(const TOPVarList& record);
  // The columns and the captions stay.
  void ClearRecords() { FRecords.reset(new TArchiveRecords); }

  // Makes the archive in the slot (created when the slot is empty) a copy of
  // this one: the same columns, captions and records, the records shared
  // until either archive changes them.
  void CopyTo(std::unique_ptr<TDeviceArchive>& target) const;

  // False, with the archive unchanged, when the file cannot be read, is not
  // a regular file, is larger than kMaxFileBytes or is refused by
  // LoadFromBytes.
  bool LoadFile(const QString& fileName);
  // A failed write leaves an existing file as it was.
  bool SaveFile(const QString& fileName) const;

  // Reads the contents of an archive file. False, the archive unchanged,
  // for bytes that are not text (a NUL or a control character other than
  // tab, CR and LF), for a header row that names no column (an empty file
  // too) and for rows that would make more cells than one per two bytes
  // (and some spare). A row
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
  QSharedDataPointer<TArchiveRecords> FRecords{new TArchiveRecords};
};
