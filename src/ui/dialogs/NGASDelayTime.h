#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TDelayTimeWindow;
}
class QLineEdit;

// Asks for the period, in seconds, between the requests of the test mode.
// The dialog does not check the entry on OK; GetValue tells whether it is
// valid.
class TDelayTimeWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinValue = 1;
  static constexpr int kMaxValue = 255;

  explicit TDelayTimeWindow(QWidget* owner = nullptr);
  ~TDelayTimeWindow() override;

  // Shows n when it is a valid period, otherwise empties the field.
  void SetValue(int n);
  void ClearValue();
  // The period typed, or -1 when the field does not hold one of 1 to 255.
  int GetValue() const;

  QLineEdit* NumME() const;
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::unique_ptr<Ui::TDelayTimeWindow> FUi;
};
