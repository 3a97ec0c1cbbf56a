#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QSharedData>

#include <cstdint>
#include <vector>

// The records of an archive, held compactly: every value text once in one
// byte block, each text preceded by its length, and for every cell the
// offset of its text in the block. An archive of a year of measurements
// repeats most values record after record (the setpoints, the flags, the
// mode), so a value equal to the same column's value in the record before
// points at that record's text instead of taking room again; an empty text
// is shared by every empty cell.
//
// Shared between archives until one of them changes (the device model's
// archive and the archive view's copy hold the same records); appending to
// records held by one archive only is cheap.
class TArchiveRecords : public QSharedData {
 public:
  TArchiveRecords();

  int Count() const { return static_cast<int>(FFirstCell.size()); }
  // The number of values the record holds; 0 outside the records.
  int ValueCount(int record) const;
  // Empty outside the records or beyond the record's values. The view lives
  // as long as these records are not changed.
  QByteArrayView Value(int record, int column) const;
  // The archive index the record was read with (A007); empty for records
  // from a file.
  QByteArrayView Index(int record) const;
  // The names of the first record's variables, for an archive without a
  // column list.
  const QByteArrayList& Names() const { return FNames; }
  void SetNames(const QByteArrayList& names) { FNames = names; }

  // Room for that many records, cells and bytes of text, for a loader that
  // knows them beforehand.
  void Reserve(qsizetype records, qsizetype cells, qsizetype textBytes);
  // Gives back the room reserved beyond what the records took.
  void Squeeze();
  // Starts the next record; the values added after it are its own (values
  // added before any record start one with an empty index). Throws
  // std::length_error beyond 4 GiB of texts or 2^32 cells, which no
  // installation's archive comes near.
  void BeginRecord(QByteArrayView index);
  void AddValue(QByteArrayView value);

 private:
  uint32_t AddText(QByteArrayView text);
  QByteArrayView Text(uint32_t offset) const;
  // The offset of that cell's text, or none outside the record.
  const uint32_t* Cell(int record, int column) const;

  QByteArray FText;
  std::vector<uint32_t> FCells;
  std::vector<uint32_t> FFirstCell;  // of each record, into FCells
  std::vector<uint32_t> FIndexes;    // each record's index text
  QByteArrayList FNames;
};
