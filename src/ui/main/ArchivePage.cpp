#include "ArchivePage.h"

#include "AccessRights.h"
#include "ArchiveChartWindow.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "DeviceArchiveParamSelector.h"
#include "DeviceArchiveView.h"
#include "HistoryFile.h"
#include "HistoryStore.h"
#include "HistorySync.h"
#include "HistoryWindow.h"
#include "NGAS.h"
#include "OperatorDialogs.h"
#include "PageFill.h"
#include "ProgressSink.h"
#include "TransferWaitWindow2.h"
#include "Win1251.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
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
const QString kArchiveFileSaving = QStringLiteral("запись архива в файл");
const QString kArchiveFileReadFailed = QStringLiteral("Чтение архива из файла не удалось!");
const QString kArchiveFileWriteFailed = QStringLiteral("Запись архива из файла не удалось!");

const QString kHistorySyncing = QStringLiteral("синхронизация истории");
const QString kHistorySyncFailed = QStringLiteral(
    "Синхронизация не закончена: связь с прибором прервана. Записей добавлено: %1, в базе истории: %2. "
    "Следующая синхронизация продолжит с этого места.");
const QString kHistorySyncCancelled =
    QStringLiteral("Синхронизация прервана. Записей добавлено: %1, в базе истории: %2.");
const QString kHistorySynced = QStringLiteral("Синхронизация закончена. Записей добавлено: %1, в базе истории: %2.");
const QString kHistoryStoreFailed = QStringLiteral("Базу истории открыть не удалось: %1");

const TOperatorDialogs::TFileRequest kArchiveFilesToOpen{QStringLiteral("Файлы архивов (*.daf);;Все файлы (*.*)"),
                                                         QStringLiteral("daf")};
const TOperatorDialogs::TFileRequest kArchiveFilesToSave{
    QStringLiteral("Файлы архивов (*.daf);;Все файлы (*.*);;Таблица CSV (*.csv)"), QStringLiteral("daf")};

}  // namespace

TArchivePage::TArchivePage(TMainController& controller, TOperatorDialogs& dialogs, QWidget& window, QWidget& sheet,
                           QPushButton& chartButton, QPushButton& historyButton)
    : FController(controller),
      FDialogs(dialogs),
      FWindow(window),
      FChartButton(chartButton),
      FHistoryButton(historyButton),
      FHistoryDatabase(HistoryFile::DefaultDatabase()),
      FView(new TDeviceArchiveView(&sheet)),
      FParamSelector(std::make_unique<TArchiveParamSelector>(dialogs, &window)) {
  FillPage(&sheet, FView);
  TNGAS& ngas = *controller.NGAS();
  FParamSelector->SetVarLists(ngas.ArchVarList(), ngas.ArchCaptionVarList(), ngas.ArchDefaultMaskVarList());
  connect(&FChartButton, &QPushButton::clicked, this, &TArchivePage::ChartButtonClick);
  connect(&FHistoryButton, &QPushButton::clicked, this, &TArchivePage::HistoryButtonClick);
  connect(FView, &TDeviceArchiveView::ArchiveChanged, this, &TArchivePage::ArchiveViewArchiveChanged);
}

TArchivePage::~TArchivePage() = default;

void TArchivePage::ReadArchiveCommand(TBusyToken token) {
  FController.Exchange(
      TMainController::TWait::Plain, kArchiveLoading, [](TNGAS& ngas) { return ngas.ReadArchSize(); },
      [this, token](bool read) {
        if (!read) {
          Warning(kArchiveReadFailed);
          FController.NGAS()->Archive().ClearRecords();
          FView->Clear();
          return;
        }
        // Nothing to choose from: the selection dialog and the record requests
        // would end in an empty table without a word; the table shown stays.
        if (FController.NGAS()->ArchSize() == 0) {
          FDialogs.Message(TMessageKind::Information, kArchiveEmpty, QMessageBox::Ok);
          return;
        }
        FParamSelector->SetTotalArchSize(FController.NGAS()->ArchSize());
        if (!FParamSelector->Execute()) return;
        FController.NGAS()->SetArchSelectVarList(*FParamSelector->ResultVarList());
        ReadArchiveRecords(token);
      });
}

void TArchivePage::ReadArchiveRecords(TBusyToken token) {
  const TArchiveParamSelector& choice = *FParamSelector;
  const int step = choice.Step();
  const int first = choice.LowRange();
  const int last = choice.HighRange();
  FController.Exchange(
      TMainController::TWait::Archive, kArchiveLoading,
      [step, first, last](TNGAS& ngas) { return ngas.ReadArchive(step, first, last, ngas.ArchSelectVarList()); },
      [this, token](bool read) { ArchiveRecordsRead(read); });
}

void TArchivePage::ArchiveRecordsRead(bool read) {
  const int records = FController.NGAS()->Archive().RecordCount();
  if (read) {
    ShowReadArchive();
    return;
  }
  // A long read on a slow line is not thrown away when it is stopped or
  // broken off: the records read so far are shown and can be saved.
  if (FController.WaitWindow2Btn()->CancelFlag()->Cancelled()) {
    ShowReadArchive();
    FDialogs.Message(TMessageKind::Information, kArchiveReadCancelled.arg(records), QMessageBox::Ok);
    return;
  }
  if (records == 0) {
    Warning(kArchiveReadFailed);
    FView->Clear();
    return;
  }
  // One box tells both: the read failed, and what it brought is kept.
  ShowReadArchive();
  Warning(kArchiveReadFailed + QLatin1Char('\n') + kRecordsBeforeFailure.arg(records));
}

void TArchivePage::ShowReadArchive() {
  TNGAS& ngas = *FController.NGAS();
  ngas.Archive().SetCaptions(ngas.ArchCaptionVarList());
  FView->SetVarLists(&ngas.ArchVarList(), &ngas.ArchCaptionVarList());
  FView->SetArchive(ngas.Archive());
}

void TArchivePage::ReadArchiveFileCommand(TBusyToken token) {
  const QString fileName = FDialogs.OpenFileName(kArchiveFilesToOpen);
  if (fileName.isEmpty()) return;
  // A file of years of records takes a moment to read: on the link thread,
  // which alone fills the device model's archive, with the wait window up.
  FController.Exchange(
      TMainController::TWait::Plain, kArchiveFileLoading,
      [fileName](TNGAS& ngas) { return ngas.Archive().LoadFile(fileName); },
      [this, token](bool loaded) {
        // The archive refused the file and is as it was: so is the table.
        if (!loaded) {
          Warning(kArchiveFileReadFailed);
          return;
        }
        const TDeviceArchive& archive = FController.NGAS()->Archive();
        FView->SetVarLists(archive.Columns(), archive.Captions());
        FView->SetArchive(archive);
      });
}

void TArchivePage::SaveArchiveFileCommand(TBusyToken token) {
  const QString fileName = FDialogs.SaveFileName(kArchiveFilesToSave);
  if (fileName.isEmpty()) return;
  // Years of records take a moment to write: on the link thread with the
  // wait window up, like the load. The table is not changed meanwhile: the
  // wait window keeps the operator away and no exchange runs.
  const TDeviceArchive* shown = &FView->ArchiveData();
  const bool csv = IsCsvFileName(fileName);
  if (!csv)
    if (const TOPVarList* captions = FView->ColumnCaptions()) FView->ArchiveData().SetCaptions(*captions);
  const TCsvFormat format = TCsvFormat::ForLocale(QLocale::system());
  FController.Exchange(
      TMainController::TWait::Plain, kArchiveFileSaving,
      [shown, csv, format, fileName](TNGAS&) {
        return csv ? SaveFileAtomically(fileName, ArchiveToCsv(*shown, format)) : shown->SaveFile(fileName);
      },
      [this, token](bool saved) {
        if (!saved) Warning(kArchiveFileWriteFailed);
      });
}

void TArchivePage::LevelChanged(const TAccessRights& level) {
  // The archive is the third page of the tree.
  if (level.MainPages[2]) return;
  if (FChartWindow) FChartWindow->close();
  CloseHistory();
}

void TArchivePage::ChartButtonClick() {
  if (!FChartWindow) {
    FChartWindow = std::make_unique<TArchiveChartWindow>(FDialogs, &FWindow);
  }
  ShowArchiveChart();
  FChartWindow->show();
  FChartWindow->raise();
  FChartWindow->activateWindow();
}

void TArchivePage::ArchiveViewArchiveChanged() {
  FChartButton.setEnabled(FView->ArchiveGrid()->model()->rowCount() > 0);
  // An open chart shows what the table shows, also an emptied table.
  if (FChartWindow && FChartWindow->isVisible()) ShowArchiveChart();
}

void TArchivePage::ShowArchiveChart() {
  const TDeviceArchive& shown = FView->ArchiveData();
  QStringList captions;
  const int columns = shown.Columns() ? shown.Columns()->Count() : 0;
  for (int c = 0; c < columns; ++c) captions << FView->ColumnCaption(c);
  FChartWindow->SetArchive(shown, captions);
}

void TArchivePage::SetHistoryDatabase(const QString& databaseName) {
  FHistoryDatabase = databaseName;
  if (FHistoryWindow) FHistoryWindow->SetDatabase(databaseName);
}

void TArchivePage::CloseHistory() {
  if (FHistoryWindow) FHistoryWindow->close();
}

void TArchivePage::HistoryButtonClick() {
  if (!FHistoryWindow) {
    const TNGAS& ngas = *FController.NGAS();
    QHash<QByteArray, QString> captions;
    for (int c = 0; c < ngas.ArchVarList().Count() && c < ngas.ArchCaptionVarList().Count(); ++c)
      captions.insert(ngas.ArchVarList().GetItem(c)->Name,
                      Win1251::ToUnicode(ngas.ArchCaptionVarList().GetItem(c)->Name));
    FHistoryWindow = std::make_unique<THistoryWindow>(FDialogs, std::move(captions), &FWindow);
    FHistoryWindow->SetDatabase(FHistoryDatabase);
  } else if (!FHistoryWindow->isVisible()) {
    FHistoryWindow->Refresh();
  }
  FHistoryWindow->show();
  FHistoryWindow->raise();
  FHistoryWindow->activateWindow();
}

void TArchivePage::SyncHistoryCommand(TBusyToken token) {
  const QString database = FHistoryDatabase;
  if (!THistoryStore::IsPostgresName(database)) QDir().mkpath(QFileInfo(database).absolutePath());
  // Filled on the link thread, read after its job is done.
  auto result = std::make_shared<THistorySyncResult>();
  auto storeFailure = std::make_shared<QString>();
  TProgressSink* bar = FController.ArchiveProgress();
  const TCancelFlag* cancel = FController.WaitWindow2Btn()->CancelFlag();
  FController.Exchange(
      TMainController::TWait::Archive, kHistorySyncing,
      [database, result, storeFailure, bar, cancel](TNGAS& ngas) {
        // A store of the link thread's own: a store object stays on the
        // thread that opened it.
        THistoryStore store(database);
        if (!store.Open()) {
          *storeFailure = store.ErrorText();
          return false;
        }
        const auto progress = [bar](int done, int total) {
          ShowProgress(bar, total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 100);
        };
        *result = THistorySync::Run(ngas, store, progress, cancel);
        return result->Ok;
      },
      [this, token, result, storeFailure](bool) { HistorySynced(*result, *storeFailure); });
}

void TArchivePage::HistorySynced(const THistorySyncResult& result, const QString& storeFailure) {
  if (FHistoryWindow && FHistoryWindow->isVisible()) FHistoryWindow->Refresh();
  if (!storeFailure.isEmpty()) {
    Warning(kHistoryStoreFailed.arg(storeFailure));
    return;
  }
  const QString added = QString::number(result.New);
  const QString stored = QString::number(result.Stored);
  if (result.Cancelled)
    FDialogs.Message(TMessageKind::Information, kHistorySyncCancelled.arg(added, stored), QMessageBox::Ok);
  else if (!result.Ok)
    Warning(kHistorySyncFailed.arg(added, stored));
  else
    FDialogs.Message(TMessageKind::Information, kHistorySynced.arg(added, stored), QMessageBox::Ok);
}

void TArchivePage::Warning(const QString& text) { FDialogs.Message(TMessageKind::Warning, text, QMessageBox::Yes); }
