// The archive commands of the main window: the device archive read through
// the selection dialog, the archive files, and the chart of the shown
// archive.

#include "AerosolMain.h"
#include "ArchiveChartWindow.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "DeviceArchiveParamSelector.h"
#include "DeviceArchiveView.h"
#include "NGAS.h"
#include "OperatorDialogs.h"
#include "TransferWaitWindow2.h"
#include "ui_AerosolMain.h"

#include <QLocale>
#include <QPushButton>
#include <QTableView>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

const QString kArchiveLoading = QStringLiteral("загрузка архива");
const QString kArchiveReadFailed = QStringLiteral("Загрузка архива не удалась!");
const QString kArchiveReadCancelled = QStringLiteral("Загрузка архива прервана. Прочитано записей: %1.");
const QString kArchiveEmpty = QStringLiteral("Архив прибора пуст.");
const QString kRecordsBeforeFailure =
    QStringLiteral("Записи, прочитанные до сбоя (%1), показаны в таблице. Их можно сохранить в файле.");
const QString kArchiveFileLoading = QStringLiteral("чтение архива из файла");
const QString kArchiveFileReadFailed = QStringLiteral("Чтение архива из файла не удалось!");
const QString kArchiveFileWriteFailed = QStringLiteral("Запись архива из файла не удалось!");

const TOperatorDialogs::TFileRequest kArchiveFilesToOpen{QStringLiteral("Файлы архивов (*.daf);;Все файлы (*.*)"),
                                                         QStringLiteral("daf")};
const TOperatorDialogs::TFileRequest kArchiveFilesToSave{
    QStringLiteral("Файлы архивов (*.daf);;Все файлы (*.*);;Таблица CSV (*.csv)"), QStringLiteral("daf")};

}  // namespace

void TMainForm::ReadArchiveCommand(TBusyToken token) {
  Exchange(TWait::Plain, kArchiveLoading, &TNGAS::ReadArchSize, [this, token](bool read) {
    if (!read) {
      Warning(kArchiveReadFailed);
      NGAS()->Archive().ClearRecords();
      FArchiveView->Clear();
      return;
    }
    // Nothing to choose from: the selection dialog and the record requests
    // would end in an empty table without a word; the table shown stays.
    if (NGAS()->ArchSize() == 0) {
      FDialogs.Message(TMessageKind::Information, kArchiveEmpty, QMessageBox::Ok);
      return;
    }
    FArchiveParamSelector->SetTotalArchSize(NGAS()->ArchSize());
    if (!FArchiveParamSelector->Execute()) return;
    NGAS()->SetArchSelectVarList(*FArchiveParamSelector->ResultVarList());
    ReadArchiveRecords(token);
  });
}

void TMainForm::ReadArchiveRecords(TBusyToken token) {
  const TArchiveParamSelector& choice = *FArchiveParamSelector;
  const int step = choice.Step();
  const int first = choice.LowRange();
  const int last = choice.HighRange();
  FController->Exchange(
      TWait::Archive, kArchiveLoading,
      [step, first, last](TNGAS& ngas) { return ngas.ReadArchive(step, first, last, ngas.ArchSelectVarList()); },
      [this, token](bool read) { ArchiveRecordsRead(read); });
}

void TMainForm::ArchiveRecordsRead(bool read) {
  const int records = NGAS()->Archive().RecordCount();
  if (read) {
    ShowReadArchive();
    return;
  }
  // A long read on a slow line is not thrown away when it is stopped or
  // broken off: the records read so far are shown and can be saved.
  if (WaitWindow2Btn()->CancelFlag()->Cancelled()) {
    ShowReadArchive();
    FDialogs.Message(TMessageKind::Information, kArchiveReadCancelled.arg(records), QMessageBox::Ok);
    return;
  }
  if (records == 0) {
    Warning(kArchiveReadFailed);
    FArchiveView->Clear();
    return;
  }
  // One box tells both: the read failed, and what it brought is kept.
  ShowReadArchive();
  Warning(kArchiveReadFailed + QLatin1Char('\n') + kRecordsBeforeFailure.arg(records));
}

void TMainForm::ShowReadArchive() {
  TNGAS& ngas = *NGAS();
  ngas.Archive().SetCaptions(ngas.ArchCaptionVarList());
  FArchiveView->SetVarLists(&ngas.ArchVarList(), &ngas.ArchCaptionVarList());
  FArchiveView->SetArchive(ngas.Archive());
}

void TMainForm::ReadArchiveFileCommand(TBusyToken token) {
  const QString fileName = FDialogs.OpenFileName(kArchiveFilesToOpen);
  if (fileName.isEmpty()) return;
  // A file of years of records takes a moment to read: on the link thread,
  // which alone fills the device model's archive, with the wait window up.
  FController->Exchange(
      TWait::Plain, kArchiveFileLoading, [fileName](TNGAS& ngas) { return ngas.Archive().LoadFile(fileName); },
      [this, token](bool loaded) {
        if (!loaded) {
          Warning(kArchiveFileReadFailed);
          FArchiveView->Clear();
          return;
        }
        const TDeviceArchive& archive = NGAS()->Archive();
        FArchiveView->SetVarLists(archive.Columns(), archive.Captions());
        FArchiveView->SetArchive(archive);
      });
}

void TMainForm::SaveArchiveFileCommand() {
  const QString fileName = FDialogs.SaveFileName(kArchiveFilesToSave);
  if (fileName.isEmpty()) return;
  TDeviceArchive& shown = FArchiveView->ArchiveData();
  bool saved = false;
  if (IsCsvFileName(fileName)) {
    saved = SaveFileAtomically(fileName, ArchiveToCsv(shown, TCsvFormat::ForLocale(QLocale::system())));
  } else {
    if (const TOPVarList* captions = FArchiveView->ColumnCaptions()) shown.SetCaptions(*captions);
    saved = shown.SaveFile(fileName);
  }
  if (!saved) Warning(kArchiveFileWriteFailed);
}

void TMainForm::ConnectArchiveChart() {
  connect(FUi->ChartButton, &QPushButton::clicked, this, &TMainForm::ChartButtonClick);
  connect(FArchiveView, &TDeviceArchiveView::ArchiveChanged, this, &TMainForm::ArchiveViewArchiveChanged);
}

void TMainForm::ChartButtonClick() {
  if (!FArchiveChartWindow) {
    FArchiveChartWindow = std::make_unique<TArchiveChartWindow>(FDialogs, this);
  }
  ShowArchiveChart();
  FArchiveChartWindow->show();
  FArchiveChartWindow->raise();
  FArchiveChartWindow->activateWindow();
}

void TMainForm::ArchiveViewArchiveChanged() {
  FUi->ChartButton->setEnabled(FArchiveView->ArchiveGrid()->model()->rowCount() > 0);
  // An open chart shows what the table shows, also an emptied table.
  if (FArchiveChartWindow && FArchiveChartWindow->isVisible()) ShowArchiveChart();
}

void TMainForm::ShowArchiveChart() {
  const TDeviceArchive& shown = FArchiveView->ArchiveData();
  QStringList captions;
  const int columns = shown.Columns() ? shown.Columns()->Count() : 0;
  for (int c = 0; c < columns; ++c) captions << FArchiveView->ColumnCaption(c);
  FArchiveChartWindow->SetArchive(shown, captions);
}
