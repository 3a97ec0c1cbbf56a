#include "ProgressSink.h"

#include <algorithm>
#include <cstdint>

void ShowProgress(TProgressSink* bar, int percent) {
  if (!bar) return;
  const int minimum = bar->Minimum();
  const int64_t range = int64_t{bar->Maximum()} - minimum;
  bar->SetPosition(minimum + static_cast<int>(range * std::clamp(percent, 0, 100) / 100));
}
