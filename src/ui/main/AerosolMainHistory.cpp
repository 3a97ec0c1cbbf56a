// The main window's part in the history store: qev.hst at start and the
// command "База истории...".
#include "AerosolMain.h"
#include "ArchivePage.h"
#include "HistoryDatabaseDialog.h"
#include "HistoryFile.h"
#include "OperatorDialogs.h"
#include "StartupPaths.h"

namespace {

// qev.hst lives beside qev.dtf.
constexpr TFileLocations::TKind kWorkingData = TFileLocations::TKind::WorkingData;
const QString kHistoryFileWriteFailed = QStringLiteral("Записать выбор базы истории в файл не удалось!");

}  // namespace

void TMainForm::LoadHistoryFile() {
  FArchivePage->SetHistoryDatabase(HistoryFile::Load(FileLocations().ReadPath(kWorkingData, HistoryFile::kFileName)));
}

void TMainForm::HistoryDatabaseCommand() {
  THistoryDatabaseDialog dialog(this);
  dialog.SetDatabaseName(FArchivePage->HistoryDatabase());
  if (FDialogs.RunModal(dialog) != QDialog::Accepted || dialog.DatabaseName().isEmpty()) return;
  if (!HistoryFile::Save(FileLocations().WritePath(kWorkingData, HistoryFile::kFileName), dialog.DatabaseName()))
    Warning(kHistoryFileWriteFailed);
  FArchivePage->SetHistoryDatabase(dialog.DatabaseName());
}
