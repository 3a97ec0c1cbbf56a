#pragma once

#include "ProgressSink.h"

class QProgressBar;

// A progress bar of a wait window as the driver and the device model see it
// (through the link thread's relay). A position beyond the range shows as an
// empty or a full bar.
class TProgressBarSink : public TProgressSink {
 public:
  explicit TProgressBarSink(QProgressBar* bar) : FBar(bar) {}

  int Minimum() const override;
  int Maximum() const override;
  void SetPosition(int position) override;

 private:
  QProgressBar* FBar;
};
