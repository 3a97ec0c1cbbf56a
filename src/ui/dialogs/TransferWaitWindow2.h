#pragma once

#include "CancelFlag.h"
#include "ProgressBarSink.h"

#include <QWidget>

#include <atomic>
#include <memory>

namespace Ui {
class TWaitWindow2Btn;
}
class QProgressBar;
class QPushButton;

// The wait window of the archive read: the message, the progress of the
// current record and the progress of the whole read, and the button
// "Отменить" (or Esc), shown while a read may be stopped. The driver looks at
// CancelFlag before each request.
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

  // Shows the cancel button, on a shown window, with the flag cleared; or
  // hides it and leaves the flag for the caller to look at.
  void ShowCancel(bool shown);
  const TCancelFlag* CancelFlag() const { return &FCancel; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The window has no close button, but the window system can still ask it
  // to close (Alt+F4): during a read that may be stopped, that is a cancel.
  void closeEvent(QCloseEvent* event) override;

 private:
  class TCancelButtonFlag : public TCancelFlag {
   public:
    bool Cancelled() const override { return Pressed.load(); }
    // Pressed on the window's thread, looked at on the link thread.
    std::atomic<bool> Pressed{false};
  };

  void CancelBtnClick();
  // What Esc and a close do: press the button when it is there to press.
  void PressCancel();

  std::unique_ptr<Ui::TWaitWindow2Btn> FUi;
  TProgressBarSink FWaitProgress;
  TProgressBarSink FGlobalWaitProgress;
  TCancelButtonFlag FCancel;
};
