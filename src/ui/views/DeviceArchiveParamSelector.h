#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TArchiveParamSelector;
}
class QTableWidget;
class TOPVarList;
class TOperatorDialogs;

// The dialog "Параметры архива": before an archive read the operator marks
// the variables to read (" V" in the second column) and chooses every
// Step-th record from LowRange to HighRange. The choice can be reset to the
// default marks, and saved to and loaded from a selection template (.ash).
// Marks, step and range stay from one read to the next; a new record count
// resets the range to the whole archive.
class TArchiveParamSelector : public QDialog {
  Q_OBJECT

 public:
  static const QByteArray kMark;

  TArchiveParamSelector(TOperatorDialogs& dialogs, QWidget* owner = nullptr);
  ~TArchiveParamSelector() override;

  // Copies of the catalogue of archive variables, their captions (in each
  // item's Name) and the names marked by default; one grid row per name,
  // the default names marked. ResultVarList becomes every variable.
  void SetVarLists(const TOPVarList& names, const TOPVarList& captions, const TOPVarList& defaultMask);
  // Shows the dialog. On OK ResultVarList becomes the marked variables in
  // row order (possibly none) and the result is true; otherwise it stays.
  bool Execute();

  // Null until SetVarLists.
  const TOPVarList* ResultVarList() const { return FResultVarList.get(); }
  const TOPVarList* DEfaultMaskVarList() const { return FDefaultMaskVarList.get(); }
  int Step() const { return FStep; }
  int LowRange() const { return FLowRange; }
  int HighRange() const { return FHighRange; }
  int TotalArchSize() const { return FTotalArchSize; }
  // Values of 0 and below become 1; the fields keep them within
  // 1..TotalArchSize, and the property is what the field then shows.
  void SetStep(int value);
  void SetLowRange(int value);
  void SetHighRange(int value);
  // The number of records the installation holds: bounds the fields, resets
  // the range to 1..count and shows the count in the group box caption. The
  // same count again changes nothing.
  void SetTotalArchSize(int count);

  void SetMark(int row, bool on);
  bool IsMarked(int row) const;
  void ToggleMark();
  // Marks exactly the rows whose names the list holds (any letter case).
  void ApplyMask(const TOPVarList& list);
  void ShowVarCaption(int row);

  QTableWidget* VarListGrid() const;
  QString OptionsCaption() const;
  QString VarCaptionText() const;

  void BitBtn3Click();
  void BitBtn1Click();
  void BitBtn2Click();
  // Reading and writing a selection template; false when the file cannot be
  // read or written. A template read leaves the dialog unchanged on failure.
  bool LoadTemplate(const QString& fileName);
  bool SaveTemplate(const QString& fileName) const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormActivate();
  void VarListGridMouseMove(const QPoint& at);
  void VarListGridMouseDown(int row, int column);
  void VarListGridDblClick(int row, int column);

  std::unique_ptr<Ui::TArchiveParamSelector> FUi;
  TOperatorDialogs& FDialogs;
  std::unique_ptr<TOPVarList> FResultVarList;
  std::unique_ptr<TOPVarList> FDefaultMaskVarList;
  std::unique_ptr<TOPVarList> FVarNames;
  std::unique_ptr<TOPVarList> FVarCaptions;
  int FStep = 1;
  int FLowRange = 1;
  int FHighRange = 1;
  int FTotalArchSize = 0;
  Qt::MouseButton FPressedButton = Qt::NoButton;
};
