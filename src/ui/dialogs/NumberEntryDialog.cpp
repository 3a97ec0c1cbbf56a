#include "NumberEntryDialog.h"

#include "NumberEditText.h"
#include "WindowPlacement.h"

#include <QEvent>
#include <QLineEdit>

TNumberEntryDialog::TNumberEntryDialog(QWidget* owner) : QDialog(owner, kDialogWithoutButtons) {}

void TNumberEntryDialog::TakeForm(QLineEdit* numberEdit) {
  FNumberEdit = numberEdit;
  setFixedSize(size());
}

int TNumberEntryDialog::ValueIn(int minimum, int maximum) const {
  const std::optional<int> value = NumberEditText::Value(FNumberEdit->text());
  return value && *value >= minimum && *value <= maximum ? *value : -1;
}

void TNumberEntryDialog::FormActivate() { NumberEditText::FocusAndSelectAll(FNumberEdit); }

void TNumberEntryDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  FormActivate();
}

bool TNumberEntryDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}
