#include "ProgressBarSink.h"

#include <QProgressBar>

#include <algorithm>

int TProgressBarSink::Minimum() const { return FBar->minimum(); }

int TProgressBarSink::Maximum() const { return FBar->maximum(); }

void TProgressBarSink::SetPosition(int position) {
  // QProgressBar ignores a value outside its range instead of clamping it.
  FBar->setValue(std::clamp(position, FBar->minimum(), FBar->maximum()));
}
