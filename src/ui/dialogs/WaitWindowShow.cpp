#include "WaitWindowShow.h"

#include "WindowPlacement.h"

#include <QLabel>
#include <QWidget>

void ShowWaitWindow(QWidget* window, QLabel* messagePanel, const QString& text) {
  messagePanel->setText(text);
  if (!window->isVisible()) CenterOnScreen(window);
  // Modal: while the exchange runs on the link thread, the operator's input
  // to every other window of the program is refused.
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  window->raise();
}
