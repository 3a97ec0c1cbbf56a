#include "MainController.h"

#include "CrossThreadLog.h"
#include "CrossThreadProgress.h"
#include "ListBoxLog.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "OperatorDialogs.h"
#include "RS232Channel.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <exception>

namespace {

const QString kCommandFailed = QStringLiteral("Ошибочное действие : ");
// The test-mode poll may run every second or faster; a port that is not
// there is looked for no more often than that.
constexpr int kPollReopenGapMs = 1000;
// Longer than any one request's time-outs at the slowest settings.
constexpr int kStopDeadlineMs = 10000;

}  // namespace

TMainController::TMainController(QWidget& window, TOperatorDialogs& dialogs, std::unique_ptr<TSerialPort> port,
                                 TListBoxLog& commLog, TListBoxLog& debugLog)
    : FWindow(window),
      FDialogs(dialogs),
      FWaitWindow(std::make_unique<TWaitWindow>(&window)),
      FWaitWindow2Btn(std::make_unique<TWaitWindow2Btn>(&window)),
      FCommLog(std::make_unique<TCrossThreadLog>(commLog, commLog.LineCount())),
      FDebugLog(std::make_unique<TCrossThreadLog>(debugLog, debugLog.LineCount())),
      FWaitProgress(std::make_unique<TCrossThreadProgress>(*FWaitWindow->WaitProgress())),
      FArchiveRecordProgress(std::make_unique<TCrossThreadProgress>(*FWaitWindow2Btn->WaitProgress())),
      FArchiveProgress(std::make_unique<TCrossThreadProgress>(*FWaitWindow2Btn->GlobalWaitProgress())) {
  // The port is used only on the link thread from now on.
  port->MoveToThread(FLink.Thread());
  FChannel = std::make_unique<TRS232Channel>(std::move(port));
  FChannel->SetLog(FCommLog.get());
  FChannel->SetPortObserver([this](bool open) { emit PortStateChanged(open); });
  FDriver = std::make_unique<TOpenProtocolDriver>(FChannel.get());
  FDriver->SetCommLog(FCommLog.get());
  FDriver->SetDebugLog(FDebugLog.get());
  FDriver->SetProgressBar(FWaitProgress.get());
  FDriver->SetBetweenRequests([this] { return !FStopping.load(); });
  FDriver->SetRequestFinished([this](bool answered) { emit RequestFinished(answered); });
  FNGAS = std::make_unique<TNGAS>(FDriver.get());
  FNGAS->SetOwner(QThread::currentThread());
}

TMainController::~TMainController() { Stop(); }

void TMainController::Stop() {
  if (FStopped) return;
  FStopped = true;
  FStopping = true;
  FWhenIdle.clear();
  // The job under way ends at its next request; one request lasts at most
  // the port's time-outs, so the wait ends. Past the deadline the thread
  // still has to end before the objects it uses go.
  if (!FLink.Stop(QDeadlineTimer(kStopDeadlineMs), [this] { FChannel->Close(); })) {
    qWarning("link thread still in an exchange after %d ms; waiting for it", kStopDeadlineMs);
    FLink.Stop(QDeadlineTimer::Forever);
  }
  // The thread has ended: what it owned is this thread's again.
  FNGAS->SetOwner(QThread::currentThread());
  // What waits for the window (an exchange's next step, an action for when
  // idle) goes now, while the controller is whole: the busy tokens those
  // steps hold come back to it.
  QCoreApplication::removePostedEvents(this);
  FWhenIdle.clear();
}

bool TMainController::OpenChannel() {
  if (FStopped) return false;
  bool open = false;
  FLink.Run([this, &open] {
    FChannel->Close();
    open = FChannel->Open();
  });
  // A new line: the driver tries packing afresh on it.
  FDriver->SetChannel(FChannel.get());
  FNGAS->SetDriver(FDriver.get());
  emit PortStateChanged(open);
  return open;
}

TProgressSink* TMainController::ArchiveProgress() const { return FArchiveProgress.get(); }

void TMainController::ExecuteCommand(TCommand command) {
  const auto entry = FCommands.find(command);
  if (entry == FCommands.end()) return;
  if (FStopping) return;
  TBusyToken token = Begin(entry->second.State);
  if (!token) {
    if (!QuietlyBusy() || FCommandWaiting) return;
    FCommandWaiting = true;
    FWhenIdle.push_back([this, command] {
      FCommandWaiting = false;
      ExecuteCommand(command);
    });
    return;
  }
  Guarded([&] { entry->second.Run(std::move(token)); });
}

TMainController::TBusyToken TMainController::Begin(TBusyState state) {
  if (!Idle()) return nullptr;
  FBusyState = state;
  // Not null, so that a token tells a running command from a refused one.
  return TBusyToken(this, [this](void*) { End(); });
}

void TMainController::End() {
  FBusyState = TBusyState::Idle;
  FQuiet = false;
  if (FStopping || FWhenIdle.empty() || FWhenIdlePosted) return;
  // From the event loop: the command that ended is fully unwound first.
  FWhenIdlePosted = true;
  QTimer::singleShot(0, this, &TMainController::RunWhenIdle);
}

void TMainController::WhenIdle(std::function<void()> action) {
  if (Idle() && FWhenIdle.empty()) {
    Guarded(action);
    return;
  }
  FWhenIdle.push_back(std::move(action));
}

void TMainController::RunWhenIdle() {
  FWhenIdlePosted = false;
  // An action that starts a command leaves the rest for that command's end.
  while (Idle() && !FWhenIdle.empty()) {
    const std::function<void()> action = std::move(FWhenIdle.front());
    FWhenIdle.pop_front();
    Guarded(action);
  }
}

void TMainController::Exchange(TWait wait, const QString& caption, std::function<bool(TNGAS&)> operation,
                               std::function<void(bool)> done) {
  const bool archive = wait == TWait::Archive;
  FDriver->SetProgressBar(archive ? FArchiveRecordProgress.get() : FWaitProgress.get());
  FNGAS->SetProgressBar(archive ? FArchiveProgress.get() : nullptr);
  FDriver->SetCancelButton(archive ? FWaitWindow2Btn->CancelFlag() : nullptr);
  ShowWait(wait, caption);
  FQuiet = wait == TWait::None;
  FLinkFailure.reset();
  // The device model is the link thread's until the operation ends; then
  // the window's again, for the step that follows.
  QThread* window = QThread::currentThread();
  FNGAS->SetOwner(FLink.Thread());
  FLink.Post(
      [this, window, operation = std::move(operation), reopenGapMs = wait == TWait::None ? kPollReopenGapMs : 0] {
        FChannel->Reopen(reopenGapMs);
        bool result = false;
        try {
          result = operation(*FNGAS);
        } catch (const std::exception& error) {
          FLinkFailure = QString::fromLocal8Bit(error.what());
        } catch (...) {
          FLinkFailure = QString();
        }
        FNGAS->SetOwner(window);
        return result;
      },
      this,
      [this, wait, done = std::move(done)](bool result) {
        HideWait(wait);
        if (FLinkFailure) {
          ShowFailure(*FLinkFailure);
          return;
        }
        Guarded([&] { done(result); });
      });
}

void TMainController::Guarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& error) {
    HideWait(TWait::Plain);
    HideWait(TWait::Archive);
    ShowFailure(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    HideWait(TWait::Plain);
    HideWait(TWait::Archive);
    ShowFailure(QString());
  }
}

void TMainController::ShowFailure(const QString& what) {
  FDialogs.Message(TOperatorDialogs::TMessageKind::Error, kCommandFailed + what, QMessageBox::Yes);
}

void TMainController::ShowWait(TWait wait, const QString& caption) {
  switch (wait) {
    case TWait::None:
      break;
    case TWait::Plain:
      FWaitWindow->ShowWait(caption);
      break;
    case TWait::Archive:
      FWaitWindow2Btn->ShowWait(caption);
      // The button is only heard while it is shown: a press left from the
      // last read does not stop this one.
      FWaitWindow2Btn->ShowCancel(true);
      break;
  }
}

void TMainController::HideWait(TWait wait) {
  switch (wait) {
    case TWait::None:
      break;
    case TWait::Plain:
      FWaitWindow->hide();
      break;
    case TWait::Archive:
      FDriver->SetCancelButton(nullptr);
      FWaitWindow2Btn->ShowCancel(false);
      if (FWaitWindow2Btn->isVisible()) {
        FWaitWindow2Btn->hide();
        // The wait window took the focus for Esc; it goes back to the window.
        FWindow.activateWindow();
      }
      break;
  }
}
