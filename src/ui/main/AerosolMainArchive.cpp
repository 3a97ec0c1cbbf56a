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
#include "InputBlocker.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "OperatorDialogs.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"
#include "ui_AerosolMain.h"

#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>
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

// The extension of the name chosen tells the format: a spreadsheet table or
// the archive file.
bool IsCsvFileName(const QString& fileName) {
  return QFileInfo(fileName).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void TMainForm::ReadArchiveCommand() {
  FBusyState = kReading;
  FDriver->SetProgressBar(FWaitWindow2Btn->WaitProgress());
  FNGAS->SetProgressBar(FWaitWindow2Btn->GlobalWaitProgress());
  const auto handBack = qScopeGuard([this] {
    FBusyState = kIdle;
    FDriver->SetProgressBar(FWaitWindow->WaitProgress());
  });

  if (!ExchangeWithWaitWindow(kArchiveLoading, &TNGAS::ReadArchSize)) {
    Warning(kArchiveReadFailed);
    FNGAS->Archive().ClearRecords();
    FArchiveView->Clear();
    return;
  }
  // Nothing to choose from: the selection dialog and the record requests
  // would end in an empty table without a word; the table shown stays.
  if (FNGAS->ArchSize() == 0) {
    FDialogs.Message(TMessageKind::Information, kArchiveEmpty, QMessageBox::Ok);
    return;
  }
  FArchiveParamSelector->SetTotalArchSize(FNGAS->ArchSize());
  if (!FArchiveParamSelector->Execute()) return;
  FNGAS->SetArchSelectVarList(*FArchiveParamSelector->ResultVarList());
  repaint();

  const bool read = ReadArchiveRecords();
  const int records = FNGAS->Archive().RecordCount();
  if (read) {
    ShowReadArchive();
    return;
  }
  // A long read on a slow line is not thrown away when it is stopped or
  // broken off: the records read so far are shown and can be saved.
  if (FWaitWindow2Btn->CancelFlag()->Cancelled()) {
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

bool TMainForm::ReadArchiveRecords() {
  const TInputBlocker::TScope closed(*FInputBlocker);
  FWaitWindow2Btn->ShowWait(kArchiveLoading);
  // The button is only heard while it is shown: a press left from the last
  // read does not stop this one.
  FWaitWindow2Btn->ShowCancel(true);
  FDriver->SetCancelButton(FWaitWindow2Btn->CancelFlag());
  FArchiveReadRunning = true;
  const auto done = qScopeGuard([this] {
    FArchiveReadRunning = false;
    FDriver->SetCancelButton(nullptr);
    FWaitWindow2Btn->ShowCancel(false);
    FWaitWindow2Btn->hide();
    // The wait window took the focus for Esc; it goes back to this window.
    activateWindow();
  });
  const TArchiveParamSelector& choice = *FArchiveParamSelector;
  return FNGAS->ReadArchive(choice.Step(), choice.LowRange(), choice.HighRange(), FNGAS->ArchSelectVarList());
}

void TMainForm::ShowReadArchive() {
  FNGAS->Archive().SetCaptions(FNGAS->ArchCaptionVarList());
  FArchiveView->SetVarLists(&FNGAS->ArchVarList(), &FNGAS->ArchCaptionVarList());
  FArchiveView->SetArchive(FNGAS->Archive());
}

void TMainForm::ReadArchiveFileCommand() {
  const QString fileName = FDialogs.OpenFileName(kArchiveFilesToOpen);
  if (fileName.isEmpty()) return;
  TDeviceArchive& archive = FNGAS->Archive();
  bool loaded = false;
  {
    // A file of years of records takes a moment to read and to show.
    const TInputBlocker::TScope closed(*FInputBlocker);
    FWaitWindow->ShowWait(kArchiveFileLoading);
    const auto hide = qScopeGuard([this] { FWaitWindow->hide(); });
    loaded = archive.LoadFile(fileName);
    if (loaded) {
      FArchiveView->SetVarLists(archive.Columns(), archive.Captions());
      FArchiveView->SetArchive(archive);
    }
  }
  if (!loaded) {
    Warning(kArchiveFileReadFailed);
    FArchiveView->Clear();
  }
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
    // Kept painted during an exchange like this window, and as deaf.
    FInputBlocker->AlsoBlock(FArchiveChartWindow.get());
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
