#pragma once

#include "OpenProtocolVarList.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <memory>
#include <optional>

// The settings an archive record repeats: the installation's name and the
// alarm setpoints in force when it was measured.
struct TArchiveSettings {
  QByteArray SerialNumber;
  QByteArray AlphaAlarm1;
  QByteArray AlphaAlarm2;
  QByteArray BetaAlarm1;
  QByteArray BetaAlarm2;
};

// The controller's archive: one record per measurement interval, record N
// the newest (taken at the last whole interval before the emulator started),
// record 1 the oldest. The measured values follow the same air as the live
// ones, with a short test session, an opened door contact and a flow-meter
// hiccup now and then, so a table of it looks like a real one.
class TArchiveGenerator {
 public:
  TArchiveGenerator(int records, const QDateTime& started, int intervalSeconds, TArchiveSettings settings);

  int Records() const { return FRecords; }
  int IntervalSeconds() const { return FIntervalSeconds; }
  QDateTime RecordTime(int record) const;
  QDateTime NewestTime() const { return FNewest; }

  // The ring a real controller keeps: a capacity (0 for none), the records
  // it takes one interval after the newest, the oldest dropped when full,
  // and the order of its numbers (record 1 the newest when newestFirst).
  // A record keeps its values when its number moves.
  void SetCapacity(int capacity);
  int Capacity() const { return FCapacity; }
  void SetNewestFirst(bool newestFirst) { FNewestFirst = newestFirst; }
  bool NewestFirst() const { return FNewestFirst; }
  void Append(int records);

  static bool IsArchiveVariable(const QByteArray& name);
  // The record number of an index "A" followed by at least three digits
  // (A001, A1000); no value for any other text.
  static std::optional<int> ParseIndex(const QByteArray& index);
  static QByteArray IndexOf(int record);

  // The value of an archive variable in a record; no value for a variable
  // that records do not hold or a record outside 1..Records().
  std::optional<QByteArray> Value(const QByteArray& name, int record) const;
  // A record as a read of the given columns brings it: each variable with the
  // record's index and its value, empty where records hold none.
  std::unique_ptr<TOPVarList> Record(const TOPVarList& columns, int record) const;

 private:
  QByteArray AlarmState(double activity, const QByteArray& setpoint) const;
  // The record's number in time order (1 the oldest) and the number of the
  // measurement it holds, counted from the first the archive ever took.
  int InTimeOrder(int record) const { return FNewestFirst ? FRecords - record + 1 : record; }
  int64_t Measurement(int record) const { return FDropped + InTimeOrder(record); }

  int FRecords;
  QDateTime FNewest;
  int FIntervalSeconds;
  TArchiveSettings FSettings;
  int FCapacity = 0;
  bool FNewestFirst = false;
  int64_t FDropped = 0;
};
