#pragma once

#include "ComSettingsEditor.h"

class TComPropertiesDialog;
class TOperatorDialogs;

// Lets the channel's Configure show the serial settings dialog through the
// operator seam, so that the settings command can be answered in tests like
// every other modal window.
class TComSettingsDialogEditor : public TComSettingsEditor {
 public:
  TComSettingsDialogEditor(TComPropertiesDialog& dialog, TOperatorDialogs& dialogs)
      : FDialog(dialog), FDialogs(dialogs) {}

  bool Edit(TComSettings& settings) override;

 private:
  TComPropertiesDialog& FDialog;
  TOperatorDialogs& FDialogs;
};
