#include "TransferWaitWindow2.h"

#include "WaitWindowShow.h"
#include "WindowPlacement.h"
#include "ui_TransferWaitWindow2.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QStyle>

TWaitWindow2Btn::TWaitWindow2Btn(QWidget* owner)
    : QWidget(owner, kDialogWithoutButtons),
      FUi(std::make_unique<Ui::TWaitWindow2Btn>()),
      FWaitProgress(nullptr),
      FGlobalWaitProgress(nullptr) {
  FUi->setupUi(this);
  setFixedSize(size());
  FUi->CancelBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  FWaitProgress = TProgressBarSink(FUi->WaitProgressBar);
  FGlobalWaitProgress = TProgressBarSink(FUi->GlobalWaitProgressBar);
  connect(FUi->CancelBtn, &QPushButton::clicked, this, &TWaitWindow2Btn::CancelBtnClick);
}

TWaitWindow2Btn::~TWaitWindow2Btn() = default;

void TWaitWindow2Btn::ShowWait(const QString& text) { ShowWaitWindow(this, FUi->MessagePanel, text); }

QString TWaitWindow2Btn::MessageText() const { return FUi->MessagePanel->text(); }

QProgressBar* TWaitWindow2Btn::WaitProgressBar() const { return FUi->WaitProgressBar; }

QProgressBar* TWaitWindow2Btn::GlobalWaitProgressBar() const { return FUi->GlobalWaitProgressBar; }

QPushButton* TWaitWindow2Btn::CancelBtn() const { return FUi->CancelBtn; }

void TWaitWindow2Btn::ShowCancel(bool shown) {
  FUi->CancelBtn->setVisible(shown);
  if (!shown) return;
  FCancel.Pressed = false;
  FUi->CancelBtn->setEnabled(true);
  // Esc reaches the window only when it has the focus.
  activateWindow();
  FUi->CancelBtn->setFocus();
}

void TWaitWindow2Btn::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    PressCancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TWaitWindow2Btn::closeEvent(QCloseEvent* event) {
  event->ignore();
  PressCancel();
}

void TWaitWindow2Btn::PressCancel() {
  if (FUi->CancelBtn->isVisible() && FUi->CancelBtn->isEnabled()) FUi->CancelBtn->click();
}

void TWaitWindow2Btn::CancelBtnClick() {
  FCancel.Pressed = true;
  // The read stops before its next request; the button shows that it was
  // heard.
  FUi->CancelBtn->setEnabled(false);
}
