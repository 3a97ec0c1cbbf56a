#include "NuclideTableWindow.h"

#include "AtomicFile.h"
#include "OperatorDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QStringList kColumns = {QStringLiteral("Нуклид"),    QStringLiteral("Канал"),  QStringLiteral("Энергия, кэВ"),
                              QStringLiteral("Окно, кэВ"), QStringLiteral("Каналы"), QStringLiteral("Валовый счёт"),
                              QStringLiteral("Фон"),       QStringLiteral("Хвосты"), QStringLiteral("Чистый счёт"),
                              QStringLiteral("± 1σ")};

QString Whole(double value) { return QString::number(value, 'f', 0); }

QStringList Cells(const SpectrPeaks::TRegion& r) {
  const QString nuclide = r.Nuclide.isEmpty() ? QStringLiteral("—") : QString::fromLatin1(r.Nuclide);
  // Bi-212 has no counts of its own: it is Po-212's branch, inside Po-218's window.
  const QString fromPo212 = QStringLiteral("из Po-212");
  return {r.Found ? nuclide : nuclide + QStringLiteral(" (пик не найден)"),
          QString::number(r.Channel, 'f', 1),
          QString::number(r.Energy, 'f', 0),
          Whole(r.FromKev) + QStringLiteral("–") + Whole(r.ToKev),
          QString::number(r.Low) + QStringLiteral("–") + QString::number(r.High),
          r.Derived ? fromPo212 : Whole(r.Gross),
          r.Derived ? QString() : Whole(r.Background),
          r.Derived ? QString() : Whole(r.Tail),
          Whole(r.Net),
          Whole(r.Sigma)};
}

}  // namespace

TNuclideTableWindow::TNuclideTableWindow(TOperatorDialogs& dialogs)
    : QWidget(nullptr, Qt::Window),
      FDialogs(dialogs),
      FTable(new QTableWidget(0, static_cast<int>(kColumns.size()), this)),
      FCopyBtn(new QPushButton(QStringLiteral("Копировать"), this)),
      FCsvBtn(new QPushButton(QStringLiteral("Сохранить в CSV..."), this)) {
  setObjectName(QStringLiteral("NuclideTable"));
  setWindowTitle(QStringLiteral("Таблица нуклидов"));
  FTable->setObjectName(QStringLiteral("NuclideTableGrid"));
  FTable->setAccessibleName(QStringLiteral("Таблица нуклидов"));
  FTable->setHorizontalHeaderLabels(kColumns);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->verticalHeader()->setVisible(false);
  FCopyBtn->setObjectName(QStringLiteral("CopyBtn"));
  FCsvBtn->setObjectName(QStringLiteral("CsvBtn"));
  connect(FCopyBtn, &QPushButton::clicked, this, &TNuclideTableWindow::CopyBtnClick);
  connect(FCsvBtn, &QPushButton::clicked, this, &TNuclideTableWindow::CsvBtnClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FCopyBtn);
  buttons->addWidget(FCsvBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTable);
  layout->addLayout(buttons);
  resize(900, 260);
}

void TNuclideTableWindow::SetAnalysis(const SpectrPeaks::TAnalysis& analysis) {
  FTable->setRowCount(static_cast<int>(analysis.Regions.size()));
  for (int row = 0; row < FTable->rowCount(); ++row) {
    const QStringList cells = Cells(analysis.Regions[static_cast<size_t>(row)]);
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      FTable->setItem(row, column, item);
    }
  }
  FTable->resizeColumnsToContents();
}

QString TNuclideTableWindow::TableText(QChar separator) const {
  QString text = kColumns.join(separator) + QLatin1Char('\n');
  for (int row = 0; row < FTable->rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < FTable->columnCount(); ++column) cells << FTable->item(row, column)->text();
    text += cells.join(separator) + QLatin1Char('\n');
  }
  return text;
}

void TNuclideTableWindow::CopyBtnClick() { QApplication::clipboard()->setText(TableText(QLatin1Char('\t'))); }

void TNuclideTableWindow::CsvBtnClick() {
  const QString fileName =
      FDialogs.SaveFileName({QStringLiteral("Таблица CSV (*.csv);;Все файлы (*.*)"), QStringLiteral("csv")});
  if (fileName.isEmpty()) return;
  if (!SaveFileAtomically(fileName, TableText(QLatin1Char(';')).toUtf8()))
    FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, QStringLiteral("Записать таблицу в файл не удалось!"),
                     QMessageBox::Yes);
}
