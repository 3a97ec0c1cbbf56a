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
  // The first item stays where it always was; the others follow it.
  FUi->CommTerminalLB->addActions(
      {FUi->ClearCommTerminalItem, Separator(FUi->CommTerminalLB), FUi->SaveCommLogItem, FUi->ClearCommLogItem});
  FUi->DebugLineTerminalLB->addActions({FUi->ClearDebugTerminalItem, Separator(FUi->DebugLineTerminalLB),
                                        FUi->SaveDebugLogItem, FUi->ClearDebugLogItem});
  // Through the driver's view of the pages, which counts their lines.
  for (QAction* clear : {FUi->ClearCommTerminalItem, FUi->ClearCommLogItem})
    connect(clear, &QAction::triggered, this, [this] { FController->CommLog().Clear(); });
  for (QAction* clear : {FUi->ClearDebugTerminalItem, FUi->ClearDebugLogItem})
    connect(clear, &QAction::triggered, this, [this] { FController->DebugLog().Clear(); });
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
