#include "EnterDevNumber.h"

#include "NumberEditText.h"
#include "WindowPlacement.h"
#include "ui_EnterDevNumber.h"

TEnterDevNumberWindow::TEnterDevNumberWindow(QWidget* owner)
    : QDialog(owner, kDialogWithoutButtons), FUi(std::make_unique<Ui::TEnterDevNumberWindow>()) {
  FUi->setupUi(this);
  setFixedSize(size());
  // The dialog has no caption, but the window system shows the program's
  // name in an empty title bar; a blank title keeps the bar empty.
  setWindowTitle(QStringLiteral(" "));
}

TEnterDevNumberWindow::~TEnterDevNumberWindow() = default;

void TEnterDevNumberWindow::SetValue(int n) {
  if (n >= 0 && n <= kMaxValue) FUi->NumME->setText(QString::number(n));
}

int TEnterDevNumberWindow::GetValue() const {
  const std::optional<int> value = NumberEditText::Value(FUi->NumME->text());
  return value && *value >= 0 && *value <= kMaxValue ? *value : -1;
}

QLineEdit* TEnterDevNumberWindow::NumME() const { return FUi->NumME; }

void TEnterDevNumberWindow::FormActivate() { NumberEditText::FocusAndSelectAll(FUi->NumME); }

void TEnterDevNumberWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  FormActivate();
}

bool TEnterDevNumberWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}
