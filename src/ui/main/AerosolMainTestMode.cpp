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
  if (on != FTestMode) ExecuteCommand(kCmdSwitchTestMode);
}

void TMainForm::SwitchTestModeCommand() {
  TOPVarList& mode = FNGAS->ModeVarList();
  if (!FTestMode) {
    mode.GetItem(ModeVar::MODE)->Value = "1";
    if (Exchange(&TNGAS::WriteMode) && ModeIs(mode, "1")) {
      ForgetSettingsRead();
      FUi->RequestButton->setEnabled(false);
      ExecuteCommand(kCmdReadTest);
      EnableTestModeTimer(true);
      FTestMode = true;
    }
    return;
  }
  EnableTestModeTimer(false);
  mode.GetItem(ModeVar::MODE)->Value = "0";
  // A failed return leaves the installation in test mode with the polling
  // stopped and both device buttons disabled.
  if (Exchange(&TNGAS::WriteMode) && ModeIs(mode, "0")) {
    FTestMode = false;
    FUi->RequestButton->setEnabled(true);
    // "Записать в прибор" comes back with the read of the page shown, not
    // before: nothing of it has been read since the test mode began.
    RequestButtonClick();
  }
}

void TMainForm::Page1PageControlChange() {
  repaint();
  // The page now shown has not been read yet.
  ForgetSettingsRead();
  const int page = CurrentSettingsPage();
  if (page < 0) return;
  const auto ask = [this](const QString& question) {
    return FDialogs.Message(TMessageKind::Confirmation, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  if (page == kTestPage) {
    if (ask(kTestModeQuestion)) {
      SetTestMode(true);
      if (FTestMode) return;
      FDialogs.Message(TMessageKind::Error, kTestModeFailed, QMessageBox::Yes);
    }
    // Only a page the operator may see is selected instead.
    if (SelectSettingsPage(kCommonPage)) Page1PageControlChange();
    return;
  }
  if (FTestMode) {
    if (ask(kNormalModeQuestion))
      SetTestMode(false);
    else if (SelectSettingsPage(kTestPage))
      Page1PageControlChange();
  }
  const std::optional<uint8_t> read = SettingsPageReadCommand(page);
  if (!FTestMode && read) ExecuteCommand(*read);
}

void TMainForm::ReadTestCommand() {
  FBusyState = kReading;
  Exchange(&TNGAS::ReadTest);
  RefreshTestPage();
  FBusyState = kIdle;
}

void TMainForm::TestModeRequestTimerTimer() {
  if (ExchangeRunning()) return;
  ExecuteCommand(kCmdReadTest);
}

void TMainForm::TestBitClick(int bit) {
  TOPVarListItem* test = FNGAS->TestVarList().GetItem(TestVar::TEST);
  test->Value = DeviceValues::ToggleTestBit(test->Value, bit);
  // A poll in the middle of the write would show the actuators as they
  // were before it. Afterwards the poll runs again, also when a failed
  // return to normal mode had stopped it: the installation is still in test
  // mode and the operator is driving it from this page.
  FTestModeRequestTimer.stop();
  ExecuteCommand(kCmdWriteTest);
  EnableTestModeTimer(FTestMode);
}

void TMainForm::EnableTestModeTimer(bool enabled) {
  FTestModeTimerEnabled = enabled;
  RestartTestModeTimer();
}

void TMainForm::RestartTestModeTimer() {
  // A period of 0 means no periodic reads; a Qt timer of interval 0 would
  // fire without pause instead.
  if (FTestModeTimerEnabled && FTestModeRequestTimer.interval() > 0)
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
  FLinkPanel->setText(answered ? kLinkUp + LongTimeText(QTime::currentTime()) : kLinkDown);
}
