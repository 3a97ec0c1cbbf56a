#include "ComSettingsDialogEditor.h"

#include "ComResourceSetupEng.h"
#include "OperatorDialogs.h"
#include "WindowPlacement.h"

bool TComSettingsDialogEditor::Edit(TComSettings& settings) {
  FDialog.ShowValues(settings);
  CenterOnScreen(&FDialog);
  if (FDialogs.RunModal(FDialog) != QDialog::Accepted) return false;
  FDialog.TakeValues(settings);
  return true;
}
