#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TPasswordIsIncorrectForm;
}

// Tells the operator that the password typed is not known.
class TPasswordIsIncorrectForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPasswordIsIncorrectForm(QWidget* owner = nullptr);
  ~TPasswordIsIncorrectForm() override;

 private:
  std::unique_ptr<Ui::TPasswordIsIncorrectForm> FUi;
};
