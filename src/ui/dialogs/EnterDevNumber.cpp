#include "EnterDevNumber.h"

#include "ui_EnterDevNumber.h"

TEnterDevNumberWindow::TEnterDevNumberWindow(QWidget* owner)
    : TNumberEntryDialog(owner), FUi(std::make_unique<Ui::TEnterDevNumberWindow>()) {
  FUi->setupUi(this);
  TakeForm(FUi->NumME);
  // The dialog has no caption, but the window system shows the program's
  // name in an empty title bar; a blank title keeps the bar empty.
  setWindowTitle(QStringLiteral(" "));
}

TEnterDevNumberWindow::~TEnterDevNumberWindow() = default;

void TEnterDevNumberWindow::SetValue(int n) {
  if (n >= 0 && n <= kMaxValue) FUi->NumME->setText(QString::number(n));
}
