#include "WaitWindowShow.h"

#include "WindowPlacement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

void ShowWaitWindow(QWidget* window, QLabel* messagePanel, const QString& text) {
  messagePanel->setText(text);
  if (!window->isVisible()) CenterOnScreen(window);
  window->show();
  window->raise();
  window->repaint();
  // A window that has just been mapped gets its first paint from the events
  // of the window system; user input stays queued for later.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
