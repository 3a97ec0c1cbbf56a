#pragma once

#include "OperatorDialogs.h"

// The real windows. Message boxes carry the application's name (the title,
// set at start-up) as their title and open over the active window.
class TQtOperatorDialogs : public TOperatorDialogs {
 public:
  QMessageBox::StandardButton Message(TMessageKind kind, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  int RunModal(QDialog& dialog) override;
  QString OpenFileName(const TFileRequest& request) override;
  QString SaveFileName(const TFileRequest& request) override;
};
