#pragma once

#include "MainController.h"

#include <QObject>

#include <memory>

struct TAccessRights;
class QPushButton;
class QWidget;
class TArchiveChartWindow;
class TArchiveParamSelector;
class TDeviceArchiveView;
class TOperatorDialogs;

// The page "Архив": the table of the archive shown, its read from the
// installation through the selection dialog, the archive files, and the
// chart that "График" opens.
class TArchivePage : public QObject {
  Q_OBJECT

 public:
  using TBusyToken = TMainController::TBusyToken;

  // The view fills the sheet above its bar with "График"; the window owns
  // the selection dialog and the chart.
  TArchivePage(TMainController& controller, TOperatorDialogs& dialogs, QWidget& window, QWidget& sheet,
               QPushButton& chartButton);
  ~TArchivePage() override;

  TDeviceArchiveView* View() const { return FView; }
  TArchiveParamSelector* ParamSelector() const { return FParamSelector.get(); }
  // Null until "График" was first pressed.
  TArchiveChartWindow* ChartWindow() const { return FChartWindow.get(); }

  void ReadArchiveCommand(TBusyToken token);
  void ReadArchiveFileCommand(TBusyToken token);
  void SaveArchiveFileCommand(TBusyToken token);
  // The chart shows the archive's data: it closes with a level that hides
  // the page.
  void LevelChanged(const TAccessRights& level);

 private:
  void ReadArchiveRecords(TBusyToken token);
  void ArchiveRecordsRead(bool read);
  void ShowReadArchive();
  // The chart follows the table while it is open.
  void ChartButtonClick();
  void ArchiveViewArchiveChanged();
  void ShowArchiveChart();
  void Warning(const QString& text);

  TMainController& FController;
  TOperatorDialogs& FDialogs;
  QWidget& FWindow;
  QPushButton& FChartButton;
  // Owned by its sheet.
  TDeviceArchiveView* FView;
  std::unique_ptr<TArchiveParamSelector> FParamSelector;
  std::unique_ptr<TArchiveChartWindow> FChartWindow;
};
