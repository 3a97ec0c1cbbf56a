#include "NGASDelayTime.h"

#include "ui_NGASDelayTime.h"

TDelayTimeWindow::TDelayTimeWindow(QWidget* owner)
    : TNumberEntryDialog(owner), FUi(std::make_unique<Ui::TDelayTimeWindow>()) {
  FUi->setupUi(this);
  TakeForm(FUi->NumME);
}

TDelayTimeWindow::~TDelayTimeWindow() = default;

void TDelayTimeWindow::SetValue(int n) {
  if (n >= kMinValue && n <= kMaxValue)
    FUi->NumME->setText(QString::number(n));
  else
    ClearValue();
}

void TDelayTimeWindow::ClearValue() { FUi->NumME->clear(); }
