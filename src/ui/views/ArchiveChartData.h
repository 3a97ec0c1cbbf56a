#pragma once

#include "ChartAxis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

class TDeviceArchive;

// An archive as the trend chart draws it: where each record lies on the
// time axis and the numbers of every numeric column (a column of names such
// as the serial number is none), read once so that the
// chart redraws without parsing texts again.
//
// A record lies at the moment its DATETIME names. A record without a valid
// time is placed by its position: between the neighbours that have one in
// proportion to the records between them, before the first or after the
// last at the mean interval of the timed records (a minute when that cannot
// be told). When no record has a valid time, the axis counts records: record
// i lies at i.
class TArchiveChartData {
 public:
  struct TSeries {
    int Column = 0;  // in the archive
    QByteArray Name;
    QString Caption;
    // The unit the caption names in its closing brackets ("Бк/м³" for
    // "(Бк/м**3)"); empty without one.
    QString Unit;
    std::vector<double> Values;  // one per record; NaN where it is no number
    bool ShownByDefault = true;
    // The series holding the two alarm levels of this one (ALPHAALARM1/2 for
    // SUMALPHA, BETAALARM1/2 for SUMBETA), or -1.
    int Level1 = -1;
    int Level2 = -1;
  };

  TArchiveChartData() = default;
  // captions: one per column of the archive, position for position (fewer
  // leave the rest without one).
  TArchiveChartData(const TDeviceArchive& archive, const QStringList& captions);

  // The rule above, for the moments of the records in order (seconds, no
  // value for a record without a valid time).
  static std::vector<double> Place(const std::vector<std::optional<double>>& moments);
  // Status-like columns (the mode, the status, the dry contacts, the alarm
  // flags) and the alarm settings (drawn as levels on their columns) start
  // hidden; the measured values start shown.
  static bool ShownByDefault(const QByteArray& name);
  // Columns that hold names, never quantities (the serial number), get no
  // band; nor does a column with a value written as a name is, with a
  // leading zero ("00107").
  static bool IsTextColumn(const QByteArray& name);
  static QString UnitOf(const QString& caption);

  int RecordCount() const { return static_cast<int>(FX.size()); }
  // True when the axis is one of time, false when it counts records.
  bool Timed() const { return FTimed; }
  int UntimedCount() const { return FUntimed; }
  bool HasTime(int record) const { return FHasTime[static_cast<size_t>(record)]; }
  double X(int record) const { return FX[static_cast<size_t>(record)]; }
  // The records in the order of their places.
  const std::vector<int>& Order() const { return FOrder; }
  // From the first place to the last; a single place gets room around it.
  ChartAxis::TRange Extent() const { return FExtent; }
  // The positions in Order of the records inside the range, as [first, end).
  std::pair<int, int> Within(const ChartAxis::TRange& range) const;
  // The record whose place is nearest, or -1 without records.
  int Nearest(double x) const;
  // The DATETIME text of a record as the installation sent it; empty
  // without that column.
  QByteArray DateTimeText(int record) const;
  // The archive column of DATETIME, or -1.
  int DateTimeColumn() const { return FDateTimeColumn; }

  const std::vector<TSeries>& Series() const { return FSeries; }

 private:
  std::vector<double> FX;
  std::vector<bool> FHasTime;
  std::vector<int> FOrder;
  std::vector<QByteArray> FDateTimes;
  std::vector<TSeries> FSeries;
  ChartAxis::TRange FExtent;
  int FDateTimeColumn = -1;
  int FUntimed = 0;
  bool FTimed = false;
};
