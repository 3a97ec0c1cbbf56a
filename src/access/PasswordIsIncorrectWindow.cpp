#include "PasswordIsIncorrectWindow.h"

#include "ui_PasswordIsIncorrectWindow.h"

TPasswordIsIncorrectForm::TPasswordIsIncorrectForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      FUi(std::make_unique<Ui::TPasswordIsIncorrectForm>()) {
  Q_INIT_RESOURCE(access);
  FUi->setupUi(this);
  setFixedSize(size());
}

TPasswordIsIncorrectForm::~TPasswordIsIncorrectForm() = default;
