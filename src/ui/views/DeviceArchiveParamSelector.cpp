#include "DeviceArchiveParamSelector.h"

#include "ArchiveTemplate.h"
#include "OpenProtocolVarList.h"
#include "OperatorDialogs.h"
#include "Win1251.h"
#include "WindowPlacement.h"
#include "ui_DeviceArchiveParamSelector.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

const QByteArray TArchiveParamSelector::kMark = " V";

namespace {

constexpr int kRowHeight = 18;
constexpr int kMarkColumnWidth = 18;
constexpr QColor kCaptionColor(0, 0, 128);
const QString kOptionsCaption = QStringLiteral(" Настройки выборки ");
const TOperatorDialogs::TFileRequest kTemplateFiles{QStringLiteral("Файлы шаблонов выборки (*.ash);;Все файлы (*.*)"),
                                                    QStringLiteral("ash")};

}  // namespace

TArchiveParamSelector::TArchiveParamSelector(TOperatorDialogs& dialogs, QWidget* owner)
    : QDialog(owner), FUi(std::make_unique<Ui::TArchiveParamSelector>()), FDialogs(dialogs) {
  FUi->setupUi(this);
  setFixedSize(size());

  QStyle* look = style();
  FUi->BitBtn3->setIcon(look->standardIcon(QStyle::SP_BrowserReload));
  FUi->BitBtn1->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
  FUi->BitBtn2->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
  FUi->OKBtn->setIcon(look->standardIcon(QStyle::SP_DialogOkButton));
  FUi->CancelBtn->setIcon(look->standardIcon(QStyle::SP_DialogCancelButton));
  QPalette palette = FUi->VarRefPanel->palette();
  palette.setColor(QPalette::WindowText, kCaptionColor);
  FUi->VarRefPanel->setPalette(palette);

  for (QSpinBox* edit : {FUi->StepEdit, FUi->FromNumEdit, FUi->ToNumEdit}) edit->setRange(1, 1);
  connect(FUi->StepEdit, &QSpinBox::valueChanged, this, [this](int value) { FStep = value; });
  connect(FUi->FromNumEdit, &QSpinBox::valueChanged, this, [this](int value) { FLowRange = value; });
  connect(FUi->ToNumEdit, &QSpinBox::valueChanged, this, [this](int value) { FHighRange = value; });
  SetStep(1);
  SetLowRange(1);
  SetHighRange(1);

  QTableWidget* grid = FUi->VarListGrid;
  grid->verticalHeader()->setMinimumSectionSize(1);
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->horizontalHeader()->setMinimumSectionSize(1);
  grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
  grid->setColumnWidth(1, kMarkColumnWidth);
  grid->setMouseTracking(true);
  grid->installEventFilter(this);
  grid->viewport()->installEventFilter(this);
  connect(grid, &QTableWidget::cellPressed, this, &TArchiveParamSelector::VarListGridMouseDown);
  connect(grid, &QTableWidget::cellDoubleClicked, this, &TArchiveParamSelector::VarListGridDblClick);
  connect(grid, &QTableWidget::currentCellChanged, this, [this](int row) { ShowVarCaption(row); });

  connect(FUi->BitBtn3, &QPushButton::clicked, this, &TArchiveParamSelector::BitBtn3Click);
  connect(FUi->BitBtn1, &QPushButton::clicked, this, &TArchiveParamSelector::BitBtn1Click);
  connect(FUi->BitBtn2, &QPushButton::clicked, this, &TArchiveParamSelector::BitBtn2Click);
}

TArchiveParamSelector::~TArchiveParamSelector() = default;

void TArchiveParamSelector::SetVarLists(const TOPVarList& names, const TOPVarList& captions,
                                        const TOPVarList& defaultMask) {
  FVarNames = names.Clone();
  FVarCaptions = captions.Clone();
  FDefaultMaskVarList = defaultMask.Clone();
  FResultVarList = names.Clone();
  QTableWidget* grid = FUi->VarListGrid;
  grid->setRowCount(names.Count());
  for (int row = 0; row < names.Count(); ++row) {
    grid->setItem(row, 0, new QTableWidgetItem(Win1251::ToUnicode(names.GetItem(row)->Name)));
    // The mark column is narrow: the mark is centred and never elided.
    auto* mark = new QTableWidgetItem();
    mark->setTextAlignment(Qt::AlignCenter);
    grid->setItem(row, 1, mark);
  }
  ApplyMask(*FDefaultMaskVarList);
}

bool TArchiveParamSelector::Execute() {
  if (FDialogs.RunModal(*this) != QDialog::Accepted) return false;
  auto result = std::make_unique<TOPVarList>();
  for (int row = 0; FVarNames && row < FVarNames->Count(); ++row) {
    if (!IsMarked(row)) continue;
    const TOPVarListItem* item = FVarNames->GetItem(row);
    result->Add(item->Name, item->Index, item->Value);
  }
  FResultVarList = std::move(result);
  return true;
}

void TArchiveParamSelector::SetStep(int value) {
  FUi->StepEdit->setValue(std::max(value, 1));
  FStep = FUi->StepEdit->value();
}

void TArchiveParamSelector::SetLowRange(int value) {
  FUi->FromNumEdit->setValue(std::max(value, 1));
  FLowRange = FUi->FromNumEdit->value();
}

void TArchiveParamSelector::SetHighRange(int value) {
  FUi->ToNumEdit->setValue(std::max(value, 1));
  FHighRange = FUi->ToNumEdit->value();
}

void TArchiveParamSelector::SetTotalArchSize(int count) {
  count = std::max(count, 0);
  if (count == FTotalArchSize) return;
  FTotalArchSize = count;
  // An empty archive still keeps the fields at 1: a spin field cannot go
  // below its lower bound.
  for (QSpinBox* edit : {FUi->StepEdit, FUi->FromNumEdit, FUi->ToNumEdit}) edit->setMaximum(std::max(count, 1));
  SetLowRange(1);
  SetHighRange(count);
  FUi->OptionsGB->setTitle(QStringLiteral(" Настройки выборки  (архив содержит %1 записей) ").arg(count));
}

void TArchiveParamSelector::SetMark(int row, bool on) {
  QTableWidgetItem* mark = FUi->VarListGrid->item(row, 1);
  if (mark) mark->setText(on ? QString::fromLatin1(kMark) : QString());
}

bool TArchiveParamSelector::IsMarked(int row) const {
  const QTableWidgetItem* mark = FUi->VarListGrid->item(row, 1);
  return mark && !mark->text().isEmpty();
}

void TArchiveParamSelector::ToggleMark() {
  const int row = FUi->VarListGrid->currentRow();
  SetMark(row, !IsMarked(row));
}

void TArchiveParamSelector::ApplyMask(const TOPVarList& list) {
  for (int row = 0; row < FUi->VarListGrid->rowCount(); ++row) SetMark(row, false);
  if (!FVarNames) return;
  for (int i = 0; i < list.Count(); ++i) SetMark(FVarNames->IndexOfName(list.GetItem(i)->Name), true);
}

void TArchiveParamSelector::ShowVarCaption(int row) {
  const TOPVarListItem* caption = FVarCaptions ? FVarCaptions->GetItem(row) : nullptr;
  FUi->VarRefPanel->setText(caption ? Win1251::ToUnicode(caption->Name) : QString());
}

QTableWidget* TArchiveParamSelector::VarListGrid() const { return FUi->VarListGrid; }

QString TArchiveParamSelector::OptionsCaption() const { return FUi->OptionsGB->title(); }

QString TArchiveParamSelector::VarCaptionText() const { return FUi->VarRefPanel->text(); }

void TArchiveParamSelector::BitBtn3Click() {
  if (FDefaultMaskVarList) ApplyMask(*FDefaultMaskVarList);
  SetStep(1);
  SetLowRange(1);
  SetHighRange(FTotalArchSize);
}

void TArchiveParamSelector::BitBtn1Click() {
  const QString fileName = FDialogs.OpenFileName(kTemplateFiles);
  if (!fileName.isEmpty()) LoadTemplate(fileName);
}

void TArchiveParamSelector::BitBtn2Click() {
  QString fileName = FDialogs.SaveFileName(kTemplateFiles);
  if (fileName.isEmpty()) return;
  if (QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".ash");
  SaveTemplate(fileName);
}

bool TArchiveParamSelector::LoadTemplate(const QString& fileName) {
  const std::optional<TArchiveTemplate> loaded = TArchiveTemplate::Load(fileName, FTotalArchSize);
  if (!loaded) return false;
  TOPVarList names;
  for (const QByteArray& name : loaded->Names) names.Add(name);
  ApplyMask(names);
  SetStep(loaded->Step);
  SetLowRange(loaded->LowRange);
  SetHighRange(loaded->HighRange);
  return true;
}

bool TArchiveParamSelector::SaveTemplate(const QString& fileName) const {
  TArchiveTemplate choice{FStep, FLowRange, FHighRange, {}};
  for (int row = 0; FVarNames && row < FVarNames->Count(); ++row)
    if (IsMarked(row)) choice.Names << FVarNames->GetItem(row)->Name;
  return choice.Save(fileName);
}

void TArchiveParamSelector::FormActivate() { FUi->VarListGrid->setFocus(); }

bool TArchiveParamSelector::event(QEvent* event) {
  if (event->type() == QEvent::Show) CenterOnScreen(this);
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}

bool TArchiveParamSelector::eventFilter(QObject* watched, QEvent* event) {
  QTableWidget* grid = FUi->VarListGrid;
  if (watched == grid->viewport() && event->type() == QEvent::MouseMove)
    VarListGridMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
  if (watched == grid->viewport() && event->type() == QEvent::MouseButtonPress)
    FPressedButton = static_cast<QMouseEvent*>(event)->button();
  if (watched == grid && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space &&
        (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0) {
      ToggleMark();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TArchiveParamSelector::VarListGridMouseMove(const QPoint& at) {
  QTableWidget* grid = FUi->VarListGrid;
  const int row = grid->rowAt(at.y());
  if (row >= 0 && (row != grid->currentRow() || grid->currentColumn() != 0)) grid->setCurrentCell(row, 0);
  ShowVarCaption(grid->currentRow());
}

void TArchiveParamSelector::VarListGridMouseDown(int row, int column) {
  // The grid has made the pressed cell the current one.
  if (column == 1 && FPressedButton == Qt::LeftButton) ToggleMark();
  ShowVarCaption(row);
}

void TArchiveParamSelector::VarListGridDblClick(int row, int column) {
  if (column == 0) ToggleMark();
  ShowVarCaption(row);
}
