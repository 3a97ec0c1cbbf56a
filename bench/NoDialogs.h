#pragma once

#include "OperatorDialogs.h"

// A bench's windows ask nothing of the operator while they draw.
class TNoDialogs : public TOperatorDialogs {
 public:
  QMessageBox::StandardButton Message(TMessageKind, const QString&, QMessageBox::StandardButtons) override {
    return QMessageBox::NoButton;
  }
  int RunModal(QDialog&) override { return 0; }
  QString OpenFileName(const TFileRequest&) override { return {}; }
  QString SaveFileName(const TFileRequest&) override { return {}; }
};
