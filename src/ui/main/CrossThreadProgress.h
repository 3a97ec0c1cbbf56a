#pragma once

#include "LinkThread.h"
#include "ProgressSink.h"

// A wait window's bar as the driver and the device model on the link thread
// move it: the range is read once, on the window's thread, and each new
// position goes to the bar through the window's event loop, handed over in
// a queue of this program that a race detector sees. Made on the bar's
// thread.
class TCrossThreadProgress : public TProgressSink {
 public:
  // The bar is borrowed.
  explicit TCrossThreadProgress(TProgressSink& bar);

  int Minimum() const override { return FMinimum; }
  int Maximum() const override { return FMaximum; }
  void SetPosition(int position) override;

 private:
  TProgressSink& FBar;
  TLinkQueue FPositions;
  const int FMinimum;
  const int FMaximum;
};
