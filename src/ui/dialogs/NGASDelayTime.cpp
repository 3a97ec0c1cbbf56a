#include "NGASDelayTime.h"

#include "NumberEditText.h"
#include "WindowPlacement.h"
#include "ui_NGASDelayTime.h"

TDelayTimeWindow::TDelayTimeWindow(QWidget* owner)
    : QDialog(owner, kDialogWithoutButtons), FUi(std::make_unique<Ui::TDelayTimeWindow>()) {
  FUi->setupUi(this);
  setFixedSize(size());
}

TDelayTimeWindow::~TDelayTimeWindow() = default;

void TDelayTimeWindow::SetValue(int n) {
  if (n >= kMinValue && n <= kMaxValue)
    FUi->NumME->setText(QString::number(n));
  else
    ClearValue();
}

void TDelayTimeWindow::ClearValue() { FUi->NumME->clear(); }

int TDelayTimeWindow::GetValue() const {
  const std::optional<int> value = NumberEditText::Value(FUi->NumME->text());
  return value && *value >= kMinValue && *value <= kMaxValue ? *value : -1;
}

QLineEdit* TDelayTimeWindow::NumME() const { return FUi->NumME; }

void TDelayTimeWindow::FormActivate() { NumberEditText::FocusAndSelectAll(FUi->NumME); }

void TDelayTimeWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  FormActivate();
}

bool TDelayTimeWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}
