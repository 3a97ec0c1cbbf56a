#pragma once

class TComSettings;

// Shows the serial settings to the operator and lets them be changed. The
// program implements it with its settings dialog (TComSettingsDialogEditor);
// the channel, which lives below the windows, only knows this interface.
class TComSettingsEditor {
 public:
  virtual ~TComSettingsEditor() = default;
  // Blocks until the operator is done. True when confirmed: the settings
  // then hold the edited values. False leaves them as they were.
  virtual bool Edit(TComSettings& settings) = 0;
};
