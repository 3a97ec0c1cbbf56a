#pragma once

#include "PasswordDialogs.h"

#include <functional>
#include <memory>

class QDialog;
class QWidget;
class TEnterPasswordForm;
class TPasswordIsIncorrectForm;

// The password store's two windows as the program shows them: the entry
// form and the wrong-password form, centred on the screen.
class TPasswordForms : public TPasswordDialogs {
 public:
  // Shows a form modally and gives its result (QDialog::Accepted or
  // Rejected); the program passes its operator-dialogs seam.
  using TRunModal = std::function<int(QDialog&)>;

  // The forms open over owner; without runModal they run with exec().
  explicit TPasswordForms(QWidget* owner = nullptr, TRunModal runModal = {});
  ~TPasswordForms() override;

  bool AskPassword(QString& password) override;
  void ShowPasswordIsIncorrect() override;

  TEnterPasswordForm& EnterPasswordForm() const { return *FEnterPasswordForm; }
  TPasswordIsIncorrectForm& BadPasswordForm() const { return *FBadPasswordForm; }

 private:
  int Run(QDialog& form);

  TRunModal FRunModal;
  std::unique_ptr<TEnterPasswordForm> FEnterPasswordForm;
  std::unique_ptr<TPasswordIsIncorrectForm> FBadPasswordForm;
};
