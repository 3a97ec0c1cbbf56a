#include "CrossThreadProgress.h"

TCrossThreadProgress::TCrossThreadProgress(TProgressSink& bar)
    : FBar(bar), FMinimum(bar.Minimum()), FMaximum(bar.Maximum()) {}

void TCrossThreadProgress::SetPosition(int position) {
  FPositions.Push([this, position] { FBar.SetPosition(position); });
}
