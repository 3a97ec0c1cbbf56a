#include "ProgressSink.h"

#include <algorithm>
#include <cstdint>

void ShowProgress(TProgressSink* bar, int percent) {
  if (!bar) return;
  const int minimum = bar->Minimum();
  const int64_t range = int64_t{bar->Maximum()} - minimum;
  // In 64 bits throughout: the whole range of an int does not fit in one.
  bar->SetPosition(static_cast<int>(minimum + range * std::clamp(percent, 0, 100) / 100));
}
