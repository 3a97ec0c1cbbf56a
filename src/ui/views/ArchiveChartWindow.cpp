#include "ArchiveChartWindow.h"

#include "ArchiveChartData.h"
#include "ArchiveChartPlot.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "OperatorDialogs.h"
#include "Win1251.h"
#include "ui_ArchiveChartWindow.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace {

const QString kPictureSaveFailed = QStringLiteral("Записать рисунок в файл не удалось!");
const QString kRecordsSaveFailed = QStringLiteral("Записать записи в файл не удалось!");
const QString kNoTimes = QStringLiteral("Ни у одной записи нет верного времени: записи размещены по порядку номеров.");
const QString kSomeUntimed =
    QStringLiteral("Записей без верного времени: %1. Они размещены по порядку между соседними записями.");
const QString kNoTime = QStringLiteral("нет верного времени");

const TOperatorDialogs::TFileRequest kPictureFiles{QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("png")};
const TOperatorDialogs::TFileRequest kRecordFiles{QStringLiteral("Таблица CSV (*.csv)"), QStringLiteral("csv")};

constexpr int kFirstSeriesRow = 3;
constexpr int kSwatchSize = 12;

QPixmap Swatch(const QColor& colour) {
  QPixmap swatch(kSwatchSize, kSwatchSize);
  swatch.fill(colour);
  QPainter painter(&swatch);
  painter.setPen(colour.darker(150));
  painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
  return swatch;
}

}  // namespace

TArchiveChartWindow::TArchiveChartWindow(TOperatorDialogs& dialogs, QWidget* owner)
    : QWidget(owner, Qt::Window),
      FUi(std::make_unique<Ui::TArchiveChartWindow>()),
      FDialogs(dialogs),
      FArchive(std::make_unique<TDeviceArchive>()),
      FData(std::make_unique<TArchiveChartData>()) {
  FUi->setupUi(this);
  FUi->NoticeLabel->hide();
  connect(FUi->LogScaleBox, &QCheckBox::toggled, FUi->ChartPlot, &TArchiveChartPlot::SetLogarithmic);
  connect(FUi->ShowAllButton, &QPushButton::clicked, FUi->ChartPlot, &TArchiveChartPlot::ShowAll);
  connect(FUi->SavePictureButton, &QPushButton::clicked, this, &TArchiveChartWindow::SavePictureButtonClick);
  connect(FUi->SaveRecordsButton, &QPushButton::clicked, this, &TArchiveChartWindow::SaveRecordsButtonClick);
  connect(FUi->ChartPlot, &TArchiveChartPlot::CursorMoved, this, &TArchiveChartWindow::ChartPlotCursorMoved);
  FUi->ChartPlot->SetData(FData.get());
}

TArchiveChartWindow::~TArchiveChartWindow() = default;

TArchiveChartPlot* TArchiveChartWindow::ChartPlot() const { return FUi->ChartPlot; }
QCheckBox* TArchiveChartWindow::LogScaleBox() const { return FUi->LogScaleBox; }
QPushButton* TArchiveChartWindow::ShowAllButton() const { return FUi->ShowAllButton; }
QPushButton* TArchiveChartWindow::SavePictureButton() const { return FUi->SavePictureButton; }
QPushButton* TArchiveChartWindow::SaveRecordsButton() const { return FUi->SaveRecordsButton; }
QLabel* TArchiveChartWindow::NoticeLabel() const { return FUi->NoticeLabel; }
QLabel* TArchiveChartWindow::RecordReadOut() const { return FUi->RecordReadOut; }
QLabel* TArchiveChartWindow::TimeReadOut() const { return FUi->TimeReadOut; }

void TArchiveChartWindow::SetArchive(const TDeviceArchive& archive, const QStringList& captions) {
  archive.CopyTo(FArchive);
  auto data = std::make_unique<TArchiveChartData>(*FArchive, captions);
  // The plot lets go of the old data before it goes.
  FUi->ChartPlot->SetData(data.get());
  FData = std::move(data);
  for (size_t i = 0; i < FData->Series().size(); ++i) {
    const TArchiveChartData::TSeries& series = FData->Series()[i];
    const bool shown = FChosen.value(series.Name, series.ShownByDefault);
    if (shown != series.ShownByDefault) FUi->ChartPlot->SetShown(static_cast<int>(i), shown);
  }
  BuildLegend();
  ShowNotice();
  ChartPlotCursorMoved(-1);
}

void TArchiveChartWindow::BuildLegend() {
  for (QWidget* widget : FEntries) delete widget;
  for (QWidget* widget : FValues) delete widget;
  FEntries.clear();
  FValues.clear();
  QGridLayout* layout = FUi->LegendLayout;
  for (int row = 0; row < layout->rowCount(); ++row) layout->setRowStretch(row, 0);
  const std::vector<TArchiveChartData::TSeries>& all = FData->Series();
  for (size_t i = 0; i < all.size(); ++i) {
    const int series = static_cast<int>(i);
    auto* entry = new QCheckBox(QString::fromLatin1(all[i].Name), FUi->LegendPanel);
    entry->setObjectName(QStringLiteral("LegendEntry%1").arg(series));
    entry->setIcon(Swatch(FUi->ChartPlot->Colour(series)));
    entry->setChecked(FUi->ChartPlot->Shown(series));
    entry->setToolTip(all[i].Caption);
    entry->setAccessibleDescription(all[i].Caption);
    connect(entry, &QCheckBox::toggled, this, [this, series](bool shown) { LegendEntryToggled(series, shown); });
    // Its name is the value it shows; the description tells whose.
    auto* value = new QLabel(FUi->LegendPanel);
    value->setObjectName(QStringLiteral("ValueReadOut%1").arg(series));
    value->setAccessibleDescription(QString::fromLatin1(all[i].Name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setVisible(entry->isChecked());
    layout->addWidget(entry, kFirstSeriesRow + series, 0);
    layout->addWidget(value, kFirstSeriesRow + series, 1);
    FEntries.push_back(entry);
    FValues.push_back(value);
  }
  layout->setRowStretch(kFirstSeriesRow + static_cast<int>(all.size()), 1);
}

void TArchiveChartWindow::ShowNotice() {
  QString notice;
  if (FData->RecordCount() > 0 && !FData->Timed())
    notice = kNoTimes;
  else if (FData->UntimedCount() > 0)
    notice = kSomeUntimed.arg(FData->UntimedCount());
  FUi->NoticeLabel->setText(notice);
  FUi->NoticeLabel->setVisible(!notice.isEmpty());
}

void TArchiveChartWindow::LegendEntryToggled(int series, bool shown) {
  FChosen.insert(FData->Series()[static_cast<size_t>(series)].Name, shown);
  FUi->ChartPlot->SetShown(series, shown);
  FValues[static_cast<size_t>(series)]->setVisible(shown);
}

void TArchiveChartWindow::ChartPlotCursorMoved(int record) {
  if (record < 0) {
    FUi->RecordReadOut->clear();
    FUi->TimeReadOut->clear();
    for (QLabel* value : FValues) value->clear();
    return;
  }
  // The record as the table numbers its rows, and its texts as the table
  // shows them.
  FUi->RecordReadOut->setText(QString::number(record + 1));
  const QString time = Win1251::ToUnicode(FData->DateTimeText(record));
  if (FData->HasTime(record))
    FUi->TimeReadOut->setText(time);
  else
    FUi->TimeReadOut->setText(time.trimmed().isEmpty() ? kNoTime : kNoTime + QStringLiteral(" (") + time + ')');
  for (size_t i = 0; i < FValues.size(); ++i)
    FValues[i]->setText(Win1251::ToUnicode(FArchive->Value(record, FData->Series()[i].Column)));
}

void TArchiveChartWindow::SavePictureButtonClick() {
  const QString fileName = FDialogs.SaveFileName(kPictureFiles);
  if (fileName.isEmpty()) return;
  QByteArray png;
  QBuffer buffer(&png);
  const bool saved = buffer.open(QIODevice::WriteOnly) && FUi->ChartPlot->Picture(windowTitle()).save(&buffer, "PNG") &&
                     SaveFileAtomically(fileName, png);
  if (!saved) Warning(kPictureSaveFailed);
}

void TArchiveChartWindow::SaveRecordsButtonClick() {
  const QString fileName = FDialogs.SaveFileName(kRecordFiles);
  if (fileName.isEmpty()) return;
  const QByteArray csv = ArchiveToCsv(*RecordsInSight(), TCsvFormat::ForLocale(QLocale::system()));
  if (!SaveFileAtomically(fileName, csv)) Warning(kRecordsSaveFailed);
}

std::unique_ptr<TDeviceArchive> TArchiveChartWindow::RecordsInSight() const {
  std::vector<int> columns;
  if (FData->DateTimeColumn() >= 0) columns.push_back(FData->DateTimeColumn());
  for (size_t i = 0; i < FData->Series().size(); ++i)
    if (FUi->ChartPlot->Shown(static_cast<int>(i))) columns.push_back(FData->Series()[i].Column);
  std::sort(columns.begin(), columns.end());

  auto records = std::make_unique<TDeviceArchive>();
  TOPVarList names;
  for (const int column : columns) names.Add(FArchive->Columns()->GetItem(column)->Name);
  records->SetColumns(names);
  const auto [first, end] = FData->Within(FUi->ChartPlot->TimeRange());
  for (int p = first; p < end; ++p) {
    const int record = FData->Order()[static_cast<size_t>(p)];
    TOPVarList values;
    for (size_t c = 0; c < columns.size(); ++c)
      values.Add(names.GetItem(static_cast<int>(c))->Name, {}, FArchive->Value(record, columns[c]));
    records->AppendRecord(values);
  }
  return records;
}

void TArchiveChartWindow::Warning(const QString& text) {
  FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, text, QMessageBox::Yes);
}
