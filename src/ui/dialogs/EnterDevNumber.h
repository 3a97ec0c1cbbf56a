#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TEnterDevNumberWindow;
}
class QLineEdit;

// Asks for the device number: the address byte sent with every request.
// The dialog does not check the entry on OK; GetValue tells whether it is
// valid.
class TEnterDevNumberWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxValue = 255;

  explicit TEnterDevNumberWindow(QWidget* owner = nullptr);
  ~TEnterDevNumberWindow() override;

  // Shows n when it is a valid number (0 to 255); otherwise the field keeps
  // what it showed.
  void SetValue(int n);
  // The number typed, or -1 when the field does not hold one of 0 to 255.
  int GetValue() const;

  QLineEdit* NumME() const;
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::unique_ptr<Ui::TEnterDevNumberWindow> FUi;
};
