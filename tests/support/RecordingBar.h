#pragma once

#include "ProgressSink.h"

#include <vector>

// A progress bar that remembers every position it was given.
class TRecordingBar : public TProgressSink {
 public:
  TRecordingBar(int minimum, int maximum) : FMinimum(minimum), FMaximum(maximum) {}
  int Minimum() const override { return FMinimum; }
  int Maximum() const override { return FMaximum; }
  void SetPosition(int position) override { Positions.push_back(position); }
  std::vector<int> Positions;

 private:
  int FMinimum;
  int FMaximum;
};
