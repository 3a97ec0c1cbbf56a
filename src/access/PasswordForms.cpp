#include "PasswordForms.h"

#include "EnterPasswordWindow.h"
#include "PasswordIsIncorrectWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

TPasswordForms::TPasswordForms(QWidget* owner, TRunModal runModal)
    : FRunModal(std::move(runModal)),
      FEnterPasswordForm(std::make_unique<TEnterPasswordForm>(owner)),
      FBadPasswordForm(std::make_unique<TPasswordIsIncorrectForm>(owner)) {}

TPasswordForms::~TPasswordForms() = default;

bool TPasswordForms::AskPassword(QString& password) {
  // What was typed and cancelled last time must not be offered again.
  FEnterPasswordForm->SetPassword({});
  if (Run(*FEnterPasswordForm) != QDialog::Accepted) return false;
  password = FEnterPasswordForm->Password();
  return true;
}

void TPasswordForms::ShowPasswordIsIncorrect() { Run(*FBadPasswordForm); }

int TPasswordForms::Run(QDialog& form) {
  const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
  if (screen)
    form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(), screen->availableGeometry()));
  return FRunModal ? FRunModal(form) : form.exec();
}
