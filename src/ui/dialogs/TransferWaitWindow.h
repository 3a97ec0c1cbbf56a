#pragma once

#include "ProgressBarSink.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TWaitWindow;
}
class QProgressBar;

// The small window that tells the operator an exchange with the installation
// is running: a message and the progress of the current transaction. It has
// no close button; the caller hides it when the exchange is over.
class TWaitWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TWaitWindow(QWidget* owner = nullptr);
  ~TWaitWindow() override;

  // Shows the text in the window, modal while it is up. A window already on
  // the screen keeps its place.
  void ShowWait(const QString& text);

  QString MessageText() const;
  QProgressBar* WaitProgressBar() const;
  // The progress bar as the protocol driver moves it.
  TProgressSink* WaitProgress() { return &FWaitProgress; }

 protected:
  // The window has no close button, but the window system can still ask it
  // to close (Alt+F4): while it is shown, the exchange it stands for runs
  // on to its end, and the window with it.
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<Ui::TWaitWindow> FUi;
  TProgressBarSink FWaitProgress;
};
