#pragma once

#include <QHash>
#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class TArchiveChartWindow;
}
class QCheckBox;
class QLabel;
class QPushButton;
class TArchiveChartData;
class TArchiveChartPlot;
class TDeviceArchive;
class TOperatorDialogs;

// The window "График архива": the archive shown on the page "Архив" as a
// trend chart over the records' time, a legend whose entries switch the
// columns on and off and read out the values of the record under the
// pointer, a linear or logarithmic value axis, and the picture and the
// records in sight saved to files. It is not modal: the operator keeps
// working in the main window while it is open.
class TArchiveChartWindow : public QWidget {
  Q_OBJECT

 public:
  // File names and failures go through dialogs.
  explicit TArchiveChartWindow(TOperatorDialogs& dialogs, QWidget* owner = nullptr);
  ~TArchiveChartWindow() override;

  // Copies the archive; captions are one per column, position for position.
  // The columns the operator switched keep his choice; every record comes
  // into sight.
  void SetArchive(const TDeviceArchive& archive, const QStringList& captions);
  const TArchiveChartData& Data() const { return *FData; }

  TArchiveChartPlot* ChartPlot() const;
  QCheckBox* LogScaleBox() const;
  QPushButton* ShowAllButton() const;
  QPushButton* SavePictureButton() const;
  QPushButton* SaveRecordsButton() const;
  QLabel* NoticeLabel() const;
  QLabel* RecordReadOut() const;
  QLabel* TimeReadOut() const;
  // The legend entry and the read-out of a series of Data().
  QCheckBox* LegendEntry(int series) const { return FEntries.at(static_cast<size_t>(series)); }
  QLabel* ValueReadOut(int series) const { return FValues.at(static_cast<size_t>(series)); }

 private:
  void BuildLegend();
  void ShowNotice();
  void LegendEntryToggled(int series, bool shown);
  void ChartPlotCursorMoved(int record);
  void SavePictureButtonClick();
  void SaveRecordsButtonClick();
  // DATETIME and the shown columns of the records in sight, in time order.
  std::unique_ptr<TDeviceArchive> RecordsInSight() const;
  void Warning(const QString& text);

  std::unique_ptr<Ui::TArchiveChartWindow> FUi;
  TOperatorDialogs& FDialogs;
  std::unique_ptr<TDeviceArchive> FArchive;
  std::unique_ptr<TArchiveChartData> FData;
  std::vector<QCheckBox*> FEntries;
  std::vector<QLabel*> FValues;
  // What the operator switched, by column name, for the next archive too.
  QHash<QByteArray, bool> FChosen;
};
