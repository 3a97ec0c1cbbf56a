// Test mode, in which the operator drives the pump, the tape and the
// activity calculation by hand while the window polls the test values; the
// reads on selecting a settings sub-page; the clock and the link state in
// the status bar.

#include "AerosolMain.h"
#include "DeviceCatalogue.h"
#include "DeviceValues.h"
#include "NGAS.h"
#include "NGASDelayTime.h"
#include "OperatorDialogs.h"
#include "SettingsPages.h"
#include "TextUtils.h"
#include "ui_AerosolMain.h"

#include <QLabel>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <limits>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

const QString kTestModeQuestion = QStringLiteral(
    "Переключение прибора в тестовый режим может исказить результаты текущих измерений. Включать тестовый режим?");
const QString kTestModeFailed = QStringLiteral("Не удалось включить тестовый режим");
const QString kNormalModeQuestion = QStringLiteral(
    "Переключение прибора в нормальный режим вызовет перезагрузку контроллера ЛЮГ и может исказить результаты "
    "текущих измерений. Включать нормальный режим?");
const QString kLinkUp = QStringLiteral("связь ");
const QString kLinkDown = QStringLiteral("нет связи");
const QString kPortGone = QStringLiteral("нет связи: порт недоступен");

// The system's long time format. Some locales end it in the time zone,
// which the narrow status panels have no room for.
QString LongTimeText(const QTime& time) {
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return time.toString(format.trimmed());
}

// The switch counts as done only when the installation answers the mode
// asked for.
bool ModeIs(TOPVarList& mode, const QByteArray& value) {
  const TOPVarListItem* item = mode.GetItem(ModeVar::MODE);
  return item && TextUtils::Trim(item->Value) == value;
}

}  // namespace

void TMainForm::SetTestMode(bool on) {
  if (on != TestMode()) ExecuteCommand(TCommand::SwitchTestMode);
}

void TMainForm::SwitchTestModeCommand(TBusyToken token) {
  TOPVarList& mode = NGAS()->ModeVarList();
  if (FSession->BeginEnterTest()) {
    mode.GetItem(ModeVar::MODE)->Value = "1";
    Exchange(TWait::None, QString(), &TNGAS::WriteMode, [this, token](bool written) {
      if (!written || !ModeIs(NGAS()->ModeVarList(), "1")) {
        FSession->TestEntered(false);
        return;
      }
      ForgetSettingsRead();
      FUi->RequestButton->setEnabled(false);
      // The first test read belongs to the switch: nothing else starts
      // between the two.
      Exchange(TWait::None, QString(), &TNGAS::ReadTest, [this, token](bool) {
        SettingsGroupsRead(kTestPage);
        FSession->TestEntered(true);
        FSettingsPages->RefreshTestPage();
      });
    });
    return;
  }
  if (!FSession->BeginLeaveTest()) return;
  mode.GetItem(ModeVar::MODE)->Value = "0";
  // A failed return leaves the installation in test mode with the polling
  // stopped and both device buttons disabled.
  Exchange(TWait::None, QString(), &TNGAS::WriteMode, [this, token](bool written) {
    const bool normal = written && ModeIs(NGAS()->ModeVarList(), "0");
    FSession->TestLeft(normal);
    if (!normal) return;
    FUi->RequestButton->setEnabled(true);
    // "Записать в прибор" comes back with the read of the page shown, not
    // before: nothing of it has been read since the test mode began. The
    // read is the next command, once the switch is over.
    FController->WhenIdle([this] { RequestButtonClick(); });
  });
}

void TMainForm::Page1PageControlChange() {
  // A page selected while a test-mode read runs is handled after it: its
  // questions and its read would otherwise be refused.
  if (!FController->Idle()) {
    FController->WhenIdle([this] { Page1PageControlChange(); });
    return;
  }
  repaint();
  // The page now shown has not been read yet.
  ForgetSettingsRead();
  ShowPageAge();
  const int page = CurrentSettingsPage();
  if (page < 0) return;
  const auto ask = [this](const QString& question) {
    return FDialogs.Message(TMessageKind::Confirmation, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  // Only a page the operator may see is selected instead; without one the
  // test page stays, its actuators disabled in normal mode.
  const auto commonInstead = [this] {
    if (SelectSettingsPage(kCommonPage)) Page1PageControlChange();
  };
  if (page == kTestPage) {
    if (!ask(kTestModeQuestion)) {
      commonInstead();
      return;
    }
    SetTestMode(true);
    FController->WhenIdle([this, commonInstead] {
      if (TestMode()) return;
      FDialogs.Message(TMessageKind::Error, kTestModeFailed, QMessageBox::Yes);
      commonInstead();
    });
    return;
  }
  if (TestMode()) {
    // Back in normal mode the switch reads the page shown, once.
    if (ask(kNormalModeQuestion))
      SetTestMode(false);
    else if (SelectSettingsPage(kTestPage))
      Page1PageControlChange();
    return;
  }
  if (const std::optional<TCommand> read = SettingsPageReadCommand(page)) ExecuteCommand(*read);
}

void TMainForm::ReadTestCommand(TBusyToken token) {
  Exchange(TWait::None, QString(), &TNGAS::ReadTest, [this, token](bool) {
    SettingsGroupsRead(kTestPage);
    FSettingsPages->RefreshTestPage();
  });
}

void TMainForm::TestModeRequestTimerTimer() {
  if (FController->Idle()) {
    ExecuteCommand(TCommand::ReadTest);
    return;
  }
  // A tick that falls during another command is not lost: the poll runs
  // once that command is over, if the test mode still lasts.
  if (FTestTickDeferred) return;
  FTestTickDeferred = true;
  FController->WhenIdle([this] {
    FTestTickDeferred = false;
    if (FSession->Polling()) ExecuteCommand(TCommand::ReadTest);
  });
}

void TMainForm::TestBitClick(int bit) {
  // The test group goes back whole: only with the values the installation
  // gave, and only in test mode.
  if (FSession->Mode() != TTestMode::Test || !FSession->HasDeviceValues(TSettingsGroup::Test)) return;
  TOPVarListItem* test = NGAS()->TestVarList().GetItem(TestVar::TEST);
  test->Value = DeviceValues::ToggleTestBit(test->Value, bit);
  // A poll in the middle of the write would show the actuators as they
  // were before it. Afterwards the poll runs again, also when a failed
  // return to normal mode had stopped it: the installation is still in test
  // mode and the operator is driving it from this page.
  FTestModeRequestTimer.stop();
  ExecuteCommand(TCommand::WriteTest);
  FController->WhenIdle([this] {
    FSession->ResumePolling();
    RestartTestModeTimer();
  });
}

void TMainForm::RestartTestModeTimer() {
  // A period of 0 means no periodic reads; a Qt timer of interval 0 would
  // fire without pause instead.
  if (FSession->Polling() && FTestModeRequestTimer.interval() > 0)
    FTestModeRequestTimer.start();
  else
    FTestModeRequestTimer.stop();
}

void TMainForm::SetTestRequestPeriod(int32_t seconds) {
  FTestRequestPeriod = seconds;
  const int64_t interval = std::clamp<int64_t>(int64_t{seconds} * 1000, 0, std::numeric_limits<int>::max());
  FTestModeRequestTimer.setInterval(static_cast<int>(interval));
  // The new period applies at once, to a poll that is running too.
  RestartTestModeTimer();
}

void TMainForm::TestPeriodCommand() {
  if (!FDelayTimeWindow) return;
  FDelayTimeWindow->SetValue(FTestRequestPeriod);
  if (FDialogs.RunModal(*FDelayTimeWindow) != QDialog::Accepted) return;
  const int period = FDelayTimeWindow->GetValue();
  if (period == -1) return;
  SetTestRequestPeriod(period);
  SaveDeviceDataFile();
}

void TMainForm::ClockTimerTimer() { FClockPanel->setText(LongTimeText(QTime::currentTime())); }

void TMainForm::RequestFinished(bool answered) {
  if (answered)
    FLinkPanel->setText(kLinkUp + LongTimeText(QTime::currentTime()));
  else
    FLinkPanel->setText(FPortOpen ? kLinkDown : kPortGone);
}

void TMainForm::PortStateChanged(bool open) {
  FPortOpen = open;
  // A port back says nothing yet about the installation: the next request
  // does.
  if (!open) FLinkPanel->setText(kPortGone);
}
