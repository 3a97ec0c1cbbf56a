// The context menus of the terminal and dump pages: the page cleared, or
// saved to a text file as the operator sees it.

#include "AerosolMain.h"
#include "AtomicFile.h"
#include "CrossThreadLog.h"
#include "ListBoxLog.h"
#include "OperatorDialogs.h"
#include "ui_AerosolMain.h"

namespace {

const QString kLogSaveFailed = QStringLiteral("Записать журнал в файл не удалось!");
const TOperatorDialogs::TFileRequest kLogFiles{QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*.*)"),
                                               QStringLiteral("txt")};

QAction* Separator(QObject* parent) {
  auto* separator = new QAction(parent);
  separator->setSeparator(true);
  return separator;
}

}  // namespace

void TMainForm::ConnectLogMenus() {
  // One clearing item a page, where it always was; the save follows it.
  FUi->CommTerminalLB->addActions({FUi->ClearCommTerminalItem, Separator(FUi->CommTerminalLB), FUi->SaveCommLogItem});
  FUi->DebugLineTerminalLB->addActions(
      {FUi->ClearDebugTerminalItem, Separator(FUi->DebugLineTerminalLB), FUi->SaveDebugLogItem});
  // Through the driver's view of the pages, which counts their lines.
  connect(FUi->ClearCommTerminalItem, &QAction::triggered, this, [this] { FController->CommLog().Clear(); });
  connect(FUi->ClearDebugTerminalItem, &QAction::triggered, this, [this] { FController->DebugLog().Clear(); });
  // Queued: the menu has closed before the file dialog waits for the
  // operator.
  connect(
      FUi->SaveCommLogItem, &QAction::triggered, this, [this] { SaveLogItemClick(*FCommLog); }, Qt::QueuedConnection);
  connect(
      FUi->SaveDebugLogItem, &QAction::triggered, this, [this] { SaveLogItemClick(*FDebugLog); }, Qt::QueuedConnection);
}

void TMainForm::SaveLogItemClick(const TListBoxLog& log) {
  const QString fileName = FDialogs.SaveFileName(kLogFiles);
  if (fileName.isEmpty()) return;
  if (!SaveFileAtomically(fileName, log.Text())) Warning(kLogSaveFailed);
}
