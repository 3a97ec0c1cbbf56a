#pragma once

#include <QFrame>

#include <memory>

class QLabel;
class QTableView;
class TArchiveTableModel;
class TDeviceArchive;
class TOPVarList;

// The panel of page "Архив": the device archive as a table, one column per
// archive variable headed by its name and one row per record, and under it
// the caption of the variable whose column holds the cursor. The current
// cell follows the mouse without a click and never lands on the header.
//
// The view keeps its own copy of what it shows: the archive (whose records
// it shares with the archive handed over until either of them changes), the
// catalogue of variable names with their captions, and the captions of the
// shown columns gathered from that catalogue.
class TDeviceArchiveView : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 18;
  static constexpr int kReferenceHeight = 22;

  explicit TDeviceArchiveView(QWidget* owner = nullptr);
  ~TDeviceArchiveView() override;

  // Copies of the catalogue: names and, position for position, their
  // captions (the caption text stands in each item's Name). A null list is
  // absent. Then rebuilds ColumnCaptions.
  void SetVarLists(const TOPVarList* names, const TOPVarList* captions);
  // Copies the archive, rebuilds ColumnCaptions and shows it.
  void SetArchive(const TDeviceArchive& archive);
  // The archive shown; the main window sets its captions before saving it.
  TDeviceArchive& ArchiveData() { return *FArchiveData; }
  const TDeviceArchive& ArchiveData() const { return *FArchiveData; }
  // The captions of the shown columns whose names the catalogue knows, in
  // column order; null until first built.
  const TOPVarList* ColumnCaptions() const { return FColumnCaptions.get(); }

  // Fills the table from ArchiveData, each column as wide as its widest
  // text plus 7 pixels; an archive without columns or records gives an
  // empty table without a header.
  void DrawArchive();
  // Empties the table and drops the records of ArchiveData (its columns
  // and captions stay); the caption panel keeps its text.
  void Clear();
  void BuildColumnCaptions();
  // The caption panel shows the caption of that column, or nothing.
  void ShowColumnCaption(int column);
  // The caption of a shown column, or nothing: from the catalogue when there
  // is one, else from the archive's own captions by position.
  QString ColumnCaption(int column) const;

  QTableView* ArchiveGrid() const { return FArchiveGrid; }
  QLabel* ReferencePanel() const { return FReferencePanel; }

 signals:
  // The table was filled or emptied.
  void ArchiveChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ArchiveResize();
  void VarListGridMouseMove(const QPoint& at);
  void ArchiveGridCurrentChanged();

  QTableView* FArchiveGrid;
  QLabel* FReferencePanel;
  std::unique_ptr<TArchiveTableModel> FModel;
  std::unique_ptr<TDeviceArchive> FArchiveData;
  std::unique_ptr<TOPVarList> FVarNames;
  std::unique_ptr<TOPVarList> FVarCaptions;
  std::unique_ptr<TOPVarList> FColumnCaptions;
};
