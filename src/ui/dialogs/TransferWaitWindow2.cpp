#include "TransferWaitWindow2.h"

#include "WaitWindowShow.h"
#include "WindowPlacement.h"
#include "ui_TransferWaitWindow2.h"

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
}

TWaitWindow2Btn::~TWaitWindow2Btn() = default;

void TWaitWindow2Btn::ShowWait(const QString& text) { ShowWaitWindow(this, FUi->MessagePanel, text); }

QString TWaitWindow2Btn::MessageText() const { return FUi->MessagePanel->text(); }

QProgressBar* TWaitWindow2Btn::WaitProgressBar() const { return FUi->WaitProgressBar; }

QProgressBar* TWaitWindow2Btn::GlobalWaitProgressBar() const { return FUi->GlobalWaitProgressBar; }

QPushButton* TWaitWindow2Btn::CancelBtn() const { return FUi->CancelBtn; }
