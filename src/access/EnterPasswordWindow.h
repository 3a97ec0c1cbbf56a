#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TEnterPasswordForm;
}
class QLineEdit;

// Asks the operator for a password. The edit shows every character as "*";
// OK (or Enter) confirms, "Отменить" (or Esc) cancels. Password always holds
// what the edit shows.
class TEnterPasswordForm : public QDialog {
  Q_OBJECT
  Q_PROPERTY(QString Password READ Password WRITE SetPassword)

 public:
  explicit TEnterPasswordForm(QWidget* owner = nullptr);
  ~TEnterPasswordForm() override;

  QString Password() const { return FPassword; }
  // Also puts the text into the edit.
  void SetPassword(const QString& password);

  QLineEdit* PasswordEdit() const;

 private:
  void PasswordEditChange(const QString& text);

  std::unique_ptr<Ui::TEnterPasswordForm> FUi;
  QString FPassword;
};
