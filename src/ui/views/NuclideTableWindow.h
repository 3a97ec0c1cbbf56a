#pragma once

#include "SpectrPeaks.h"

#include <QString>
#include <QWidget>

class QPushButton;
class QTableWidget;
class TOperatorDialogs;

// "Таблица нуклидов": the regions of interest of a spectrum, one row each,
// with their energy windows, gross, background and net counts. A window of
// its own beside the main window, not modal; the spectrum view refills it.
class TNuclideTableWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TNuclideTableWindow(TOperatorDialogs& dialogs);

  void SetAnalysis(const SpectrPeaks::TAnalysis& analysis);

  // The table as text: a header row, then a row per region, cells split by
  // the separator, numbers with ".".
  QString TableText(QChar separator) const;

  QTableWidget* Table() const { return FTable; }

  void CopyBtnClick();
  void CsvBtnClick();

 private:
  TOperatorDialogs& FDialogs;
  QTableWidget* FTable;
  QPushButton* FCopyBtn;
  QPushButton* FCsvBtn;
};
