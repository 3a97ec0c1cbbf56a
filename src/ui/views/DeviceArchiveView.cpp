#include "DeviceArchiveView.h"

#include "ArchiveColumnWidths.h"
#include "ArchiveTableModel.h"
#include "DeviceArchive.h"
#include "OpenProtocolVarList.h"
#include "Win1251.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>

namespace {

constexpr int kMargin = 3;
constexpr QColor kCaptionColor(0, 0, 128);

std::unique_ptr<TOPVarList> CopyOrNothing(const TOPVarList* list) { return list ? list->Clone() : nullptr; }

}  // namespace

TDeviceArchiveView::TDeviceArchiveView(QWidget* owner)
    : QFrame(owner),
      FArchiveGrid(new QTableView(this)),
      FReferencePanel(new QLabel(this)),
      FModel(std::make_unique<TArchiveTableModel>()),
      FArchiveData(std::make_unique<TDeviceArchive>()) {
  setObjectName(QStringLiteral("FArchiveView"));
  resize(250, 200);

  FArchiveGrid->setObjectName(QStringLiteral("ArchiveGrid"));
  FArchiveGrid->setAccessibleName(QStringLiteral("Архив"));
  FArchiveGrid->setModel(FModel.get());
  FArchiveGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FArchiveGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  FArchiveGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
  FArchiveGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FArchiveGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FArchiveGrid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  FArchiveGrid->setWordWrap(false);
  FArchiveGrid->setMouseTracking(true);
  FArchiveGrid->viewport()->installEventFilter(this);
  QHeaderView* rows = FArchiveGrid->verticalHeader();
  rows->hide();
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(kRowHeight);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* header = FArchiveGrid->horizontalHeader();
  header->setMinimumSectionSize(1);
  header->setDefaultSectionSize(ArchiveColumnWidths::kMinimumWidth);
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setTextElideMode(Qt::ElideNone);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(FArchiveGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TDeviceArchiveView::ArchiveGridCurrentChanged);

  FReferencePanel->setObjectName(QStringLiteral("ReferencePanel"));
  FReferencePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FReferencePanel->setIndent(4);
  FReferencePanel->setAccessibleDescription(QStringLiteral("Описание переменной"));
  QPalette palette = FReferencePanel->palette();
  palette.setColor(QPalette::WindowText, kCaptionColor);
  FReferencePanel->setPalette(palette);

  ArchiveResize();
}

TDeviceArchiveView::~TDeviceArchiveView() {
  // The grid goes with the frame; it must not ask the model on the way.
  FArchiveGrid->setModel(nullptr);
}

void TDeviceArchiveView::SetVarLists(const TOPVarList* names, const TOPVarList* captions) {
  FVarNames = CopyOrNothing(names);
  FVarCaptions = CopyOrNothing(captions);
  BuildColumnCaptions();
}

void TDeviceArchiveView::SetArchive(const TDeviceArchive& archive) {
  // The table reads the archive in place, so it lets go before the copy.
  FModel->Show(nullptr);
  archive.CopyTo(FArchiveData);
  BuildColumnCaptions();
  DrawArchive();
}

void TDeviceArchiveView::DrawArchive() {
  if (!FArchiveData->Columns() || FArchiveData->RecordCount() == 0) {
    Clear();
    return;
  }
  FModel->Show(FArchiveData.get());
  const std::vector<int> widths = ArchiveColumnWidths::Fit(*FArchiveData, FArchiveGrid->font());
  for (size_t c = 0; c < widths.size(); ++c) FArchiveGrid->setColumnWidth(static_cast<int>(c), widths[c]);
  emit ArchiveChanged();
}

void TDeviceArchiveView::Clear() {
  FModel->Show(nullptr);
  // The archive saved is the one shown: after a failed read an emptied
  // table must not save the records of the archive before it.
  FArchiveData->ClearRecords();
  emit ArchiveChanged();
}

void TDeviceArchiveView::BuildColumnCaptions() {
  const TOPVarList* columns = FArchiveData->Columns();
  if (!FVarNames || !FVarCaptions || !columns) return;
  FColumnCaptions = std::make_unique<TOPVarList>();
  for (int c = 0; c < columns->Count(); ++c) {
    const int i = FVarNames->IndexOfName(columns->GetItem(c)->Name);
    if (i == -1) continue;
    const TOPVarListItem* caption = FVarCaptions->GetItem(i);
    // A catalogue with fewer captions than names ends the list here.
    if (!caption) return;
    FColumnCaptions->Add(caption->Name);
  }
}

void TDeviceArchiveView::ShowColumnCaption(int column) { FReferencePanel->setText(ColumnCaption(column)); }

QString TDeviceArchiveView::ColumnCaption(int column) const {
  const TOPVarListItem* caption = nullptr;
  if (FVarNames && FVarCaptions) {
    const int i = FVarNames->IndexOfName(FModel->ColumnName(column));
    caption = i == -1 ? nullptr : FVarCaptions->GetItem(i);
  } else if (const TOPVarList* captions = FArchiveData->Captions()) {
    caption = captions->GetItem(column);
  }
  return caption ? Win1251::ToUnicode(caption->Name) : QString();
}

void TDeviceArchiveView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ArchiveResize();
}

void TDeviceArchiveView::ArchiveResize() {
  const int gridWidth = width() - 2 * kMargin;
  const int gridHeight = height() - kReferenceHeight - 2 * kMargin;
  FArchiveGrid->setGeometry(kMargin, kMargin, gridWidth, gridHeight);
  FReferencePanel->setGeometry(kMargin, kMargin + gridHeight, gridWidth, kReferenceHeight);
}

bool TDeviceArchiveView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FArchiveGrid->viewport() && event->type() == QEvent::MouseMove)
    VarListGridMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
  return QFrame::eventFilter(watched, event);
}

void TDeviceArchiveView::VarListGridMouseMove(const QPoint& at) {
  // The header lies outside the viewport, so the cursor never lands on it.
  const QModelIndex cell = FArchiveGrid->indexAt(at);
  if (!cell.isValid() || cell == FArchiveGrid->currentIndex()) return;
  FArchiveGrid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
}

void TDeviceArchiveView::ArchiveGridCurrentChanged() {
  const QModelIndex current = FArchiveGrid->currentIndex();
  if (current.isValid() && FArchiveData->Columns()) ShowColumnCaption(current.column());
}
