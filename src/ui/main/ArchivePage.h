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
class THistoryWindow;
class TOperatorDialogs;
struct THistorySyncResult;

// The page "Архив": the table of the archive shown, its read from the
// installation through the selection dialog, the archive files, the chart
// that "График" opens, the history store's window that "История" opens and
// the sync that brings the installation's new records into that store.
class TArchivePage : public QObject {
  Q_OBJECT

 public:
  using TBusyToken = TMainController::TBusyToken;

  // The view fills the sheet above its bar with "График"; the window owns
  // the selection dialog and the chart.
  TArchivePage(TMainController& controller, TOperatorDialogs& dialogs, QWidget& window, QWidget& sheet,
               QPushButton& chartButton, QPushButton& historyButton);
  ~TArchivePage() override;

  TDeviceArchiveView* View() const { return FView; }
  TArchiveParamSelector* ParamSelector() const { return FParamSelector.get(); }
  // Null until "График" was first pressed.
  TArchiveChartWindow* ChartWindow() const { return FChartWindow.get(); }
  // Null until "История" was first pressed.
  THistoryWindow* HistoryWindow() const { return FHistoryWindow.get(); }
  // The history store the window shows and the sync fills (an SQLite path
  // or a PostgreSQL address); an open window turns to the new one.
  const QString& HistoryDatabase() const { return FHistoryDatabase; }
  void SetHistoryDatabase(const QString& databaseName);
  // A level without this page: the history window goes with it.
  void CloseHistory();

  void ReadArchiveCommand(TBusyToken token);
  void ReadArchiveFileCommand(TBusyToken token);
  void SaveArchiveFileCommand(TBusyToken token);
  // "Синхронизировать": the installation's archive records the store does
  // not hold yet, read on the link thread under the archive read's wait
  // window; what was read before "Отменить" or a line fault stays stored.
  void SyncHistoryCommand(TBusyToken token);
  // The chart and the history show the archive's data: they close with a
  // level that hides the page.
  void LevelChanged(const TAccessRights& level);

 private:
  void ReadArchiveRecords(TBusyToken token);
  void ArchiveRecordsRead(bool read);
  void ShowReadArchive();
  // The chart follows the table while it is open.
  void ChartButtonClick();
  void ArchiveViewArchiveChanged();
  void ShowArchiveChart();
  void HistoryButtonClick();
  void HistorySynced(const THistorySyncResult& result, const QString& storeFailure);
  void Warning(const QString& text);

  TMainController& FController;
  TOperatorDialogs& FDialogs;
  QWidget& FWindow;
  QPushButton& FChartButton;
  QPushButton& FHistoryButton;
  QString FHistoryDatabase;
  // Owned by its sheet.
  TDeviceArchiveView* FView;
  std::unique_ptr<TArchiveParamSelector> FParamSelector;
  std::unique_ptr<TArchiveChartWindow> FChartWindow;
  std::unique_ptr<THistoryWindow> FHistoryWindow;
};
