#pragma once

#include "ProgressBarSink.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TWaitWindow2Btn;
}
class QProgressBar;
class QPushButton;

// The wait window of the archive read: the message, the progress of the
// current record and the progress of the whole read, and a cancel button
// that stays hidden.
class TWaitWindow2Btn : public QWidget {
  Q_OBJECT

 public:
  explicit TWaitWindow2Btn(QWidget* owner = nullptr);
  ~TWaitWindow2Btn() override;

  // As TWaitWindow::ShowWait.
  void ShowWait(const QString& text);

  QString MessageText() const;
  QProgressBar* WaitProgressBar() const;
  QProgressBar* GlobalWaitProgressBar() const;
  QPushButton* CancelBtn() const;
  TProgressSink* WaitProgress() { return &FWaitProgress; }
  TProgressSink* GlobalWaitProgress() { return &FGlobalWaitProgress; }

 private:
  std::unique_ptr<Ui::TWaitWindow2Btn> FUi;
  TProgressBarSink FWaitProgress;
  TProgressBarSink FGlobalWaitProgress;
};
