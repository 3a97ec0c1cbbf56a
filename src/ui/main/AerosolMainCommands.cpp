// The command dispatcher of the main window: every read and write of the
// installation, the serial settings and the device number.

#include "AerosolMain.h"
#include "AerosolMainTexts.h"
#include "DeviceCatalogue.h"
#include "DeviceValues.h"
#include "EnterDevNumber.h"
#include "InputBlocker.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "OperatorDialogs.h"
#include "RS232Channel.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"
#include "ui_AerosolMain.h"

#include <QCoreApplication>

#include <exception>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

using AerosolMainTexts::kComPortFile;
using AerosolMainTexts::kPortUnavailable;
const QString kCommandFailed = QStringLiteral("Ошибочное действие : ");
const QString kCounterNotConnected =
    QStringLiteral("Счетчик не подключен к БОП. Просмотр и редактирование его параметров невозможны.");
const QString kWriteFailed = QStringLiteral("Запись в прибор не удалась. Проверьте связь с прибором.");

constexpr uint8_t kNoCommand = 0xFF;

// The read and the write behind the two device buttons on each settings
// sub-page; the test page has none, the test-mode timer reads it.
struct TPageCommands {
  uint8_t Read;
  uint8_t Write;
};

TPageCommands SettingsPageCommands(int page) {
  switch (page) {
    case TMainForm::kCommonPage:
      return {TMainForm::kCmdReadCommon, TMainForm::kCmdWriteCommonAll};
    case TMainForm::kMeasurePage:
      return {TMainForm::kCmdReadMeasure, TMainForm::kCmdWriteMeasure};
    case TMainForm::kCounterPage:
      return {TMainForm::kCmdReadCounter, TMainForm::kCmdWriteCounter};
    case TMainForm::kPumpPage:
      return {TMainForm::kCmdReadPump, TMainForm::kCmdWritePump};
    case TMainForm::kServicePage:
      return {TMainForm::kCmdReadService, TMainForm::kCmdWriteService};
    case TMainForm::kNetPage:
      return {TMainForm::kCmdReadNet, TMainForm::kCmdWriteNet};
    default:
      return {kNoCommand, kNoCommand};
  }
}

}  // namespace

void TMainForm::ExecuteCommand(uint8_t command) {
  // The windows are kept painted during an exchange, so a timer or a
  // deferred event may call in; nothing starts until the exchange is over.
  if (ExchangeRunning()) return;
  try {
    switch (command) {
      case kCmdSerialSettings:
        SerialSettingsCommand();
        break;
      case kCmdReadCommon:
        ReadGroupCommand(kCommonPage, QStringLiteral("загрузка общих параметров КЕВ"), &TNGAS::ReadCommon,
                         &TMainForm::RefreshCommonPage);
        break;
      case kCmdReadMeasure:
        ReadGroupCommand(kMeasurePage, QStringLiteral("загрузка измеренных значений"), &TNGAS::ReadMeasure,
                         &TMainForm::RefreshMeasurePage);
        break;
      case kCmdReadCounter:
        ReadCounterCommand();
        break;
      case kCmdReadPump:
        ReadGroupCommand(kPumpPage, QStringLiteral("загрузка параметров прокачки"), &TNGAS::ReadPump,
                         &TMainForm::RefreshPumpPage);
        break;
      case kCmdReadTest:
        ReadTestCommand();
        break;
      case kCmdReadService:
        ReadGroupCommand(kServicePage, QStringLiteral("загрузка параметров КЕВ"), &TNGAS::ReadService,
                         &TMainForm::RefreshServicePage);
        break;
      case kCmdReadNet:
        ReadGroupCommand(kNetPage, QStringLiteral("загрузка параметров КЕВ"), &TNGAS::ReadNet,
                         &TMainForm::RefreshNetPage);
        break;
      case kCmdWriteCommonAll:
        WriteGroupCommand(QStringLiteral("запись общих параметров КЕВ"), &TNGAS::WriteCommonAll,
                          &TMainForm::RefreshCommonPage);
        break;
      case kCmdWriteCommon:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteCommon, &TMainForm::RefreshCommonPage);
        break;
      case kCmdWriteAlarmBlock:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteAlarmBlock,
                          &TMainForm::RefreshCommonPage);
        break;
      case kCmdWriteMeasure:
        // The page written shows what the installation answered, so that a
        // setpoint it refused is seen at once.
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteMeasure,
                          &TMainForm::RefreshMeasurePage);
        break;
      case kCmdWriteCounter:
        WriteGroupCommand(QStringLiteral("запись параметров счетчика"), &TNGAS::WriteCounter,
                          &TMainForm::RefreshCounterPage);
        break;
      case kCmdWritePump:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WritePump, &TMainForm::RefreshPumpPage);
        break;
      case kCmdWriteService:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteService,
                          &TMainForm::RefreshServicePage);
        break;
      case kCmdWriteNet:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteNet, &TMainForm::RefreshNetPage);
        break;
      case kCmdWriteTest:
        WriteGroupCommand(QStringLiteral("запись параметров КЕВ"), &TNGAS::WriteTest, &TMainForm::RefreshTestPage);
        break;
      case kCmdSwitchTestMode:
        SwitchTestModeCommand();
        break;
      case kCmdTestPeriod:
        TestPeriodCommand();
        break;
      case kCmdDeviceNumber:
        DeviceNumberCommand();
        break;
      case kCmdAccessLevel:
        AccessLevelCommand();
        break;
      case kCmdAbout:
        AboutCommand();
        break;
      case kCmdReadMainSpectr:
        ReadSpectrCommand(false);
        break;
      case kCmdReadBkSpectr:
        ReadSpectrCommand(true);
        break;
      case kCmdReadSpectrFile:
        ReadSpectrFileCommand();
        break;
      case kCmdSaveSpectrFile:
        SaveSpectrFileCommand();
        break;
      case kCmdReadArchive:
        ReadArchiveCommand();
        break;
      case kCmdReadArchiveFile:
        ReadArchiveFileCommand();
        break;
      case kCmdSaveArchiveFile:
        SaveArchiveFileCommand();
        break;
      case kCmdExit:
        close();
        break;
      default:
        // Like a number outside the table, the unused numbers do nothing.
        break;
    }
  } catch (const std::exception& error) {
    FWaitWindow->hide();
    FWaitWindow2Btn->hide();
    FDialogs.Message(TMessageKind::Error, kCommandFailed + QString::fromLocal8Bit(error.what()), QMessageBox::Yes);
    FBusyState = kIdle;
  } catch (...) {
    FWaitWindow->hide();
    FWaitWindow2Btn->hide();
    FDialogs.Message(TMessageKind::Error, kCommandFailed, QMessageBox::Yes);
    FBusyState = kIdle;
  }
}

std::optional<uint8_t> TMainForm::SettingsPageReadCommand(int page) {
  const uint8_t command = SettingsPageCommands(page).Read;
  if (command == kNoCommand) return std::nullopt;
  return command;
}

void TMainForm::RequestButtonClick() {
  switch (CurrentMainPage()) {
    case kSettingsPage: {
      const uint8_t command = SettingsPageCommands(CurrentSettingsPage()).Read;
      if (command != kNoCommand) ExecuteCommand(command);
      break;
    }
    case kSpectrPage: {
      const int spectr = CurrentSpectrPage();
      if (spectr >= 0) ExecuteCommand(spectr == kMainSpectrPage ? kCmdReadMainSpectr : kCmdReadBkSpectr);
      break;
    }
    case kArchivePage:
      ExecuteCommand(kCmdReadArchive);
      break;
    default:
      break;
  }
}

void TMainForm::DispatchButtonClick() {
  // Only the values of a page read since it came on the screen are written.
  if (CurrentMainPage() != kSettingsPage || !FUi->DispatchButton->isEnabled()) return;
  const uint8_t command = SettingsPageCommands(CurrentSettingsPage()).Write;
  if (command != kNoCommand) ExecuteCommand(command);
}

bool TMainForm::Exchange(bool (TNGAS::*operation)()) {
  const TInputBlocker::TScope closed(*FInputBlocker);
  return (FNGAS.get()->*operation)();
}

bool TMainForm::ExchangeWithWaitWindow(const QString& caption, bool (TNGAS::*operation)()) {
  // The window is closed to input from before the wait window is painted:
  // painting it runs the event loop once.
  const TInputBlocker::TScope closed(*FInputBlocker);
  FWaitWindow->ShowWait(caption);
  const bool done = (FNGAS.get()->*operation)();
  FWaitWindow->hide();
  return done;
}

void TMainForm::KeepWindowsPainted() {
  // The input blocker keeps the operator's input away from this window; what
  // goes to the wait window's cancel button is handled during an archive read.
  QCoreApplication::processEvents(FArchiveReadRunning ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void TMainForm::ReadGroupCommand(int page, const QString& caption, bool (TNGAS::*read)(),
                                 void (TMainForm::*refresh)()) {
  FBusyState = kReading;
  SettingsPageRead(page, ExchangeWithWaitWindow(caption, read));
  (this->*refresh)();
  FBusyState = kIdle;
}

void TMainForm::ReadCounterCommand() {
  FBusyState = kReading;
  const bool read = ExchangeWithWaitWindow(QStringLiteral("загрузка параметров счетчика"), &TNGAS::ReadCounter);
  // A counter that is not connected reports its first coefficient as 0.
  if (DeviceValues::IsCounterNotConnected(FNGAS->CounterVarList().GetItem(CounterVar::MAINENERGYA)->Value)) {
    // Its parameters cannot be edited, so there is nothing to write.
    ForgetSettingsRead();
    FDialogs.Message(TMessageKind::Information, kCounterNotConnected, QMessageBox::Ok);
    // The common page instead, when the operator may see it.
    if (SelectSettingsPage(kCommonPage)) Page1PageControlChange();
  } else {
    SettingsPageRead(kCounterPage, read);
    RefreshCounterPage();
  }
  FBusyState = kIdle;
}

void TMainForm::WriteGroupCommand(const QString& caption, bool (TNGAS::*write)(), void (TMainForm::*refresh)()) {
  if (FBusyState != kIdle) return;
  FBusyState = kWriting;
  const bool written = ExchangeWithWaitWindow(caption, write);
  // Without this the operator would take a lost write for a setting that
  // reached the installation.
  if (!written) FDialogs.Message(TMessageKind::Warning, kWriteFailed, QMessageBox::Yes);
  (this->*refresh)();
  FBusyState = kIdle;
}

void TMainForm::SerialSettingsCommand() {
  if (!FChannel->Configure()) return;
  FChannel->SaveSettings(kComPortFile);
  FChannel->Close();
  if (!FChannel->Open()) Warning(kPortUnavailable);
  FDriver->SetChannel(FChannel.get());
  FNGAS->SetDriver(FDriver.get());
}

void TMainForm::DeviceNumberCommand() {
  if (!FEnterDevNumberWindow) return;
  FEnterDevNumberWindow->SetValue(FNGAS->DevAddress());
  if (FDialogs.RunModal(*FEnterDevNumberWindow) != QDialog::Accepted) return;
  const int number = FEnterDevNumberWindow->GetValue();
  if (number == -1) return;
  FDeviceNumber = static_cast<uint8_t>(number);
  SetDeviceNumber(static_cast<uint8_t>(number));
  SaveDeviceDataFile();
}
