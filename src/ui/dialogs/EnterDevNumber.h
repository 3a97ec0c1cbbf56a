#pragma once

#include "NumberEntryDialog.h"

#include <memory>

namespace Ui {
class TEnterDevNumberWindow;
}

// Asks for the device number: the address byte sent with every request.
// GetValue tells whether the entry is valid.
class TEnterDevNumberWindow : public TNumberEntryDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxValue = 255;

  explicit TEnterDevNumberWindow(QWidget* owner = nullptr);
  ~TEnterDevNumberWindow() override;

  // Shows n when it is a valid number (0 to 255); otherwise the field keeps
  // what it showed.
  void SetValue(int n);
  // The number typed, or -1 when the field does not hold one of 0 to 255.
  int GetValue() const { return ValueIn(0, kMaxValue); }

 private:
  std::unique_ptr<Ui::TEnterDevNumberWindow> FUi;
};
