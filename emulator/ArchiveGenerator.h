#pragma once

#include "OpenProtocolVarList.h"

#include <QByteArray>
#include <QDateTime>

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

  int FRecords;
  QDateTime FNewest;
  int FIntervalSeconds;
  TArchiveSettings FSettings;
};
