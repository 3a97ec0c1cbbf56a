#include "TransferWaitWindow.h"

#include "WaitWindowShow.h"
#include "WindowPlacement.h"
#include "ui_TransferWaitWindow.h"

#include <QCloseEvent>

TWaitWindow::TWaitWindow(QWidget* owner)
    : QWidget(owner, kDialogWithoutButtons), FUi(std::make_unique<Ui::TWaitWindow>()), FWaitProgress(nullptr) {
  FUi->setupUi(this);
  setFixedSize(size());
  FWaitProgress = TProgressBarSink(FUi->WaitProgressBar);
}

TWaitWindow::~TWaitWindow() = default;

void TWaitWindow::ShowWait(const QString& text) { ShowWaitWindow(this, FUi->MessagePanel, text); }

QString TWaitWindow::MessageText() const { return FUi->MessagePanel->text(); }

QProgressBar* TWaitWindow::WaitProgressBar() const { return FUi->WaitProgressBar; }

void TWaitWindow::closeEvent(QCloseEvent* event) {
  if (isVisible()) event->ignore();
}
