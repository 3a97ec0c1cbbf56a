#pragma once

#include "ProgressSink.h"

#include <QObject>

// A wait window's bar as the driver and the device model on the link thread
// move it: the range is read once, on the window's thread, and each new
// position goes to the bar through the window's event loop.
class TCrossThreadProgress : public TProgressSink {
 public:
  // The bar and the context (a window of the bar's thread) are borrowed.
  TCrossThreadProgress(TProgressSink& bar, QObject* context);

  int Minimum() const override { return FMinimum; }
  int Maximum() const override { return FMaximum; }
  void SetPosition(int position) override;

 private:
  TProgressSink& FBar;
  QObject* FContext;
  const int FMinimum;
  const int FMaximum;
};
