#include "CrossThreadProgress.h"

TCrossThreadProgress::TCrossThreadProgress(TProgressSink& bar, QObject* context)
    : FBar(bar), FContext(context), FMinimum(bar.Minimum()), FMaximum(bar.Maximum()) {}

void TCrossThreadProgress::SetPosition(int position) {
  QMetaObject::invokeMethod(
      FContext, [this, position] { FBar.SetPosition(position); }, Qt::QueuedConnection);
}
