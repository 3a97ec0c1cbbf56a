#pragma once

#include "NumberEntryDialog.h"

#include <memory>

namespace Ui {
class TDelayTimeWindow;
}

// Asks for the period, in seconds, between the requests of the test mode.
// GetValue tells whether the entry is valid.
class TDelayTimeWindow : public TNumberEntryDialog {
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
  int GetValue() const { return ValueIn(kMinValue, kMaxValue); }

 private:
  std::unique_ptr<Ui::TDelayTimeWindow> FUi;
};
