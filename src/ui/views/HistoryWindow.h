#pragma once

#include "ChartAxis.h"

#include <QDateTime>
#include <QHash>
#include <QWidget>

#include <cstdint>
#include <memory>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class TArchiveChartWindow;
class TDeviceArchive;
class THistoryStore;
class TOperatorDialogs;
struct THistoryPeriod;

// The window "История": the archive records a history store keeps of an
// installation, over a period the operator picks, drawn by the archive
// chart (bands, log switch, alarm levels, read-out), counted, with the gaps
// in the history marked on the time axis, and exported as CSV or .daf.
//
// A long period is never loaded row by row: above kFullRecords records the
// store gives the least and the greatest value of every column per pixel
// column (kEnvelopeColumns of them), and the chart draws those; a short one
// comes whole, so that the read-out shows the records themselves. Times are
// shown in the PC's local time, as the installation's clock keeps it.
class THistoryWindow : public QWidget {
  Q_OBJECT

 public:
  enum class TPeriodKind { Day, Week, Month, Year, All };
  static constexpr int kFullRecords = 4000;
  static constexpr int kEnvelopeColumns = 1600;

  // captions: the operator's caption of every archive variable by name.
  THistoryWindow(TOperatorDialogs& dialogs, QHash<QByteArray, QString> captions, QWidget* owner = nullptr);
  ~THistoryWindow() override;

  // Opens the store of that name (an SQLite path or a PostgreSQL address)
  // and shows its last day; a store that cannot be opened is said in the
  // window.
  void SetDatabase(const QString& databaseName);
  const QString& DatabaseName() const { return FDatabaseName; }
  // Reads the installations and the period shown again (after a sync).
  void Refresh();
  // The period up to the newest stored record of the installation, or the
  // whole history.
  void ShowPeriod(TPeriodKind kind);
  // The period the two edits name.
  void ShowEditedPeriod();

  // The number of records of the period, and whether the chart shows their
  // envelope rather than the records.
  int64_t PeriodRecords() const { return FPeriodRecords; }
  bool ShowsEnvelope() const { return FEnvelope; }
  // The gaps of the period as the chart marks them.
  const std::vector<ChartAxis::TRange>& GapRanges() const { return FGaps; }

  QComboBox* InstallationBox() const { return FInstallationBox; }
  QDateTimeEdit* FromEdit() const { return FFromEdit; }
  QDateTimeEdit* ToEdit() const { return FToEdit; }
  QPushButton* PeriodButton(TPeriodKind kind) const { return FPeriodButtons[static_cast<int>(kind)]; }
  QPushButton* ShowButton() const { return FShowButton; }
  QPushButton* ExportCsvButton() const { return FExportCsvButton; }
  QPushButton* ExportDafButton() const { return FExportDafButton; }
  QLabel* CountLabel() const { return FCountLabel; }
  QLabel* GapsLabel() const { return FGapsLabel; }
  QLabel* StatusLabel() const { return FStatusLabel; }
  TArchiveChartWindow* Chart() const { return FChart; }

  // The chart's moments: seconds of the local wall clock counted as UTC.
  static double ChartMoment(const QDateTime& moment);

 private:
  void FillInstallations();
  void InstallationBoxChanged();
  void ShowButtonClick();
  void ExportCsvButtonClick();
  void ExportDafButtonClick();
  qint64 Installation() const;
  THistoryPeriod Period() const;
  // Draws the period shown; the count, the gaps and the notice follow.
  void Draw();
  std::unique_ptr<TDeviceArchive> EnvelopeArchive();
  QStringList Captions(const TDeviceArchive& archive) const;
  bool ReadPeriod(TDeviceArchive& archive);
  void Warning(const QString& text);

  TOperatorDialogs& FDialogs;
  QHash<QByteArray, QString> FCaptions;
  QString FDatabaseName;
  std::unique_ptr<THistoryStore> FStore;
  // The whole history rather than the edits' period.
  bool FAll = false;
  int64_t FPeriodRecords = 0;
  bool FEnvelope = false;
  std::vector<ChartAxis::TRange> FGaps;

  // Owned by the window.
  QComboBox* FInstallationBox;
  QDateTimeEdit* FFromEdit;
  QDateTimeEdit* FToEdit;
  QPushButton* FPeriodButtons[5];
  QPushButton* FShowButton;
  QPushButton* FExportCsvButton;
  QPushButton* FExportDafButton;
  QLabel* FCountLabel;
  QLabel* FGapsLabel;
  QLabel* FStatusLabel;
  TArchiveChartWindow* FChart;
};
