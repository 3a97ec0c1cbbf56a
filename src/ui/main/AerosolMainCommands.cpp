// The command dispatcher of the main window: every read and write of the
// installation, the serial settings and the device number.

#include "AerosolMain.h"
#include "AerosolMainTexts.h"
#include "ArchivePage.h"
#include "DeviceCatalogue.h"
#include "DeviceValues.h"
#include "EnterDevNumber.h"
#include "NGAS.h"
#include "OperatorDialogs.h"
#include "RS232Channel.h"
#include "SettingsPages.h"
#include "SpectrPage.h"
#include "ui_AerosolMain.h"

#include <QDateTime>

#include <algorithm>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;
using TCommand = TMainForm::TCommand;

using AerosolMainTexts::kComPortFile;
const QString kCounterNotConnected =
    QStringLiteral("Счетчик не подключен к БОП. Просмотр и редактирование его параметров невозможны.");
const QString kWriteFailed = QStringLiteral("Запись в прибор не удалась. Проверьте связь с прибором.");

// The read and the write behind the two device buttons on each settings
// sub-page; the test page has none, the test-mode timer reads it.
struct TPageCommands {
  TCommand Read;
  TCommand Write;
};

std::optional<TPageCommands> SettingsPageCommands(int page) {
  switch (page) {
    case TMainForm::kCommonPage:
      return TPageCommands{TCommand::ReadCommon, TCommand::WriteCommonAll};
    case TMainForm::kMeasurePage:
      return TPageCommands{TCommand::ReadMeasure, TCommand::WriteMeasure};
    case TMainForm::kCounterPage:
      return TPageCommands{TCommand::ReadCounter, TCommand::WriteCounter};
    case TMainForm::kPumpPage:
      return TPageCommands{TCommand::ReadPump, TCommand::WritePump};
    case TMainForm::kServicePage:
      return TPageCommands{TCommand::ReadService, TCommand::WriteService};
    case TMainForm::kNetPage:
      return TPageCommands{TCommand::ReadNet, TCommand::WriteNet};
    default:
      return std::nullopt;
  }
}

}  // namespace

void TMainForm::CreateCommands() {
  const TBusyState reading = TBusyState::Reading;
  const TBusyState writing = TBusyState::Writing;
  const auto group = [this](int page, const QString& caption, bool (TNGAS::*read)(),
                            void (TSettingsPages::*refresh)()) {
    return [=](TBusyToken token) { ReadGroupCommand(std::move(token), page, caption, read, refresh); };
  };
  const auto write = [this](const QString& caption, bool (TNGAS::*operation)(), void (TSettingsPages::*refresh)()) {
    return [=](TBusyToken token) { WriteGroupCommand(std::move(token), caption, operation, refresh); };
  };
  const auto plain = [this](void (TMainForm::*command)()) { return [=](TBusyToken) { (this->*command)(); }; };
  const QString writingSettings = QStringLiteral("запись параметров КЕВ");
  FController->SetCommands({
      {TCommand::SerialSettings, {reading, plain(&TMainForm::SerialSettingsCommand)}},
      {TCommand::ReadCommon,
       {reading, group(kCommonPage, QStringLiteral("загрузка общих параметров КЕВ"), &TNGAS::ReadCommon,
                       &TSettingsPages::RefreshCommonPage)}},
      {TCommand::ReadMeasure,
       {reading, group(kMeasurePage, QStringLiteral("загрузка измеренных значений"), &TNGAS::ReadMeasure,
                       &TSettingsPages::RefreshMeasurePage)}},
      {TCommand::ReadCounter, {reading, [this](TBusyToken token) { ReadCounterCommand(std::move(token)); }}},
      {TCommand::ReadPump,
       {reading, group(kPumpPage, QStringLiteral("загрузка параметров прокачки"), &TNGAS::ReadPump,
                       &TSettingsPages::RefreshPumpPage)}},
      {TCommand::ReadTest, {reading, [this](TBusyToken token) { ReadTestCommand(std::move(token)); }}},
      {TCommand::ReadService,
       {reading, group(kServicePage, QStringLiteral("загрузка параметров КЕВ"), &TNGAS::ReadService,
                       &TSettingsPages::RefreshServicePage)}},
      {TCommand::ReadNet,
       {reading,
        group(kNetPage, QStringLiteral("загрузка параметров КЕВ"), &TNGAS::ReadNet, &TSettingsPages::RefreshNetPage)}},
      {TCommand::WriteCommonAll,
       {writing, write(QStringLiteral("запись общих параметров КЕВ"), &TNGAS::WriteCommonAll,
                       &TSettingsPages::RefreshCommonPage)}},
      {TCommand::WriteCommon,
       {writing, write(writingSettings, &TNGAS::WriteCommon, &TSettingsPages::RefreshCommonPage)}},
      {TCommand::WriteAlarmBlock,
       {writing, write(writingSettings, &TNGAS::WriteAlarmBlock, &TSettingsPages::RefreshCommonPage)}},
      // The page written shows what the installation answered, so that a
      // setpoint it refused is seen at once.
      {TCommand::WriteMeasure,
       {writing, write(writingSettings, &TNGAS::WriteMeasure, &TSettingsPages::RefreshMeasurePage)}},
      {TCommand::WriteCounter,
       {writing, write(QStringLiteral("запись параметров счетчика"), &TNGAS::WriteCounter,
                       &TSettingsPages::RefreshCounterPage)}},
      {TCommand::WritePump, {writing, write(writingSettings, &TNGAS::WritePump, &TSettingsPages::RefreshPumpPage)}},
      {TCommand::WriteService,
       {writing, write(writingSettings, &TNGAS::WriteService, &TSettingsPages::RefreshServicePage)}},
      {TCommand::WriteNet, {writing, write(writingSettings, &TNGAS::WriteNet, &TSettingsPages::RefreshNetPage)}},
      {TCommand::WriteTest, {writing, write(writingSettings, &TNGAS::WriteTest, &TSettingsPages::RefreshTestPage)}},
      {TCommand::SwitchTestMode, {writing, [this](TBusyToken token) { SwitchTestModeCommand(std::move(token)); }}},
      {TCommand::TestPeriod, {reading, plain(&TMainForm::TestPeriodCommand)}},
      {TCommand::DeviceNumber, {reading, plain(&TMainForm::DeviceNumberCommand)}},
      {TCommand::AccessLevel, {reading, plain(&TMainForm::AccessLevelCommand)}},
      {TCommand::About, {reading, plain(&TMainForm::AboutCommand)}},
      {TCommand::ReadMainSpectr,
       {reading, [this](TBusyToken token) { FSpectrPage->ReadSpectrCommand(std::move(token), false); }}},
      {TCommand::ReadBkSpectr,
       {reading, [this](TBusyToken token) { FSpectrPage->ReadSpectrCommand(std::move(token), true); }}},
      {TCommand::ReadSpectrFile, {reading, [this](TBusyToken) { FSpectrPage->ReadSpectrFileCommand(); }}},
      {TCommand::SaveSpectrFile, {reading, [this](TBusyToken) { FSpectrPage->SaveSpectrFileCommand(); }}},
      {TCommand::ReadArchive,
       {reading, [this](TBusyToken token) { FArchivePage->ReadArchiveCommand(std::move(token)); }}},
      {TCommand::ReadArchiveFile,
       {reading, [this](TBusyToken token) { FArchivePage->ReadArchiveFileCommand(std::move(token)); }}},
      {TCommand::SaveArchiveFile,
       {reading, [this](TBusyToken token) { FArchivePage->SaveArchiveFileCommand(std::move(token)); }}},
      {TCommand::SyncHistory,
       {reading, [this](TBusyToken token) { FArchivePage->SyncHistoryCommand(std::move(token)); }}},
      {TCommand::HistoryDatabase, {reading, plain(&TMainForm::HistoryDatabaseCommand)}},
      // The close asks its own question, busy as the other commands.
      {TCommand::Exit,
       {reading,
        [this](TBusyToken token) {
          token.reset();
          close();
        }}},
  });
}

void TMainForm::ExecuteCommand(TCommand command) { FController->ExecuteCommand(command); }

std::optional<TMainForm::TCommand> TMainForm::SettingsPageReadCommand(int page) {
  const std::optional<TPageCommands> commands = SettingsPageCommands(page);
  if (!commands) return std::nullopt;
  return commands->Read;
}

void TMainForm::RequestButtonClick() {
  switch (CurrentMainPage()) {
    case kSettingsPage:
      if (const std::optional<TPageCommands> commands = SettingsPageCommands(CurrentSettingsPage()))
        ExecuteCommand(commands->Read);
      break;
    case kSpectrPage: {
      const int spectr = CurrentSpectrPage();
      if (spectr >= 0) ExecuteCommand(spectr == kMainSpectrPage ? TCommand::ReadMainSpectr : TCommand::ReadBkSpectr);
      break;
    }
    case kArchivePage:
      ExecuteCommand(TCommand::ReadArchive);
      break;
    default:
      break;
  }
}

void TMainForm::DispatchButtonClick() {
  // Only the values of a page read since it came on the screen are written.
  if (CurrentMainPage() != kSettingsPage || !FUi->DispatchButton->isEnabled()) return;
  if (const std::optional<TPageCommands> commands = SettingsPageCommands(CurrentSettingsPage()))
    ExecuteCommand(commands->Write);
}

void TMainForm::Exchange(TWait wait, const QString& caption, bool (TNGAS::*operation)(),
                         std::function<void(bool)> done) {
  FController->Exchange(
      wait, caption, [operation](TNGAS& ngas) { return (ngas.*operation)(); }, std::move(done));
}

void TMainForm::SettingsGroupsRead(int page) {
  const QDateTime now = QDateTime::currentDateTime();
  for (const TSettingsGroup group : TSettingsPages::PageGroups(page)) {
    const std::vector<bool> answered = NGAS()->Answered(TSettingsPages::GroupList(*NGAS(), group));
    const bool whole = !answered.empty() && std::all_of(answered.begin(), answered.end(), [](bool a) { return a; });
    FSession->GroupRead(group, whole, answered, now);
  }
}

void TMainForm::ReadGroupCommand(TBusyToken token, int page, const QString& caption, bool (TNGAS::*read)(),
                                 void (TSettingsPages::*refresh)()) {
  Exchange(TWait::Plain, caption, read, [this, token, page, refresh](bool read) {
    SettingsGroupsRead(page);
    SettingsPageRead(page, read);
    (FSettingsPages.get()->*refresh)();
  });
}

void TMainForm::ReadCounterCommand(TBusyToken token) {
  Exchange(TWait::Plain, QStringLiteral("загрузка параметров счетчика"), &TNGAS::ReadCounter, [this, token](bool read) {
    SettingsGroupsRead(kCounterPage);
    // A counter that is not connected reports its first coefficient
    // as 0.
    if (!DeviceValues::IsCounterNotConnected(NGAS()->CounterVarList().GetItem(CounterVar::MAINENERGYA)->Value)) {
      SettingsPageRead(kCounterPage, read);
      FSettingsPages->RefreshCounterPage();
      return;
    }
    // Its parameters cannot be edited, so there is nothing to write.
    ForgetSettingsRead();
    FDialogs.Message(TMessageKind::Information, kCounterNotConnected, QMessageBox::Ok);
    // The common page instead, when the operator may see it, read
    // once this command is over.
    if (SelectSettingsPage(kCommonPage)) FController->WhenIdle([this] { Page1PageControlChange(); });
  });
}

void TMainForm::WriteGroupCommand(TBusyToken token, const QString& caption, bool (TNGAS::*write)(),
                                  void (TSettingsPages::*refresh)()) {
  Exchange(TWait::Plain, caption, write, [this, token, refresh](bool written) {
    // Without this the operator would take a lost write for a setting that
    // reached the installation.
    if (!written) FDialogs.Message(TMessageKind::Warning, kWriteFailed, QMessageBox::Yes);
    (FSettingsPages.get()->*refresh)();
  });
}

void TMainForm::SerialSettingsCommand() {
  if (!Channel()->Configure()) return;
  Channel()->SaveSettings(kComPortFile);
  OpenChannel();
}

void TMainForm::DeviceNumberCommand() {
  if (!FEnterDevNumberWindow) return;
  FEnterDevNumberWindow->SetValue(NGAS()->DevAddress());
  if (FDialogs.RunModal(*FEnterDevNumberWindow) != QDialog::Accepted) return;
  const int number = FEnterDevNumberWindow->GetValue();
  if (number == -1) return;
  FDeviceNumber = static_cast<uint8_t>(number);
  SetDeviceNumber(static_cast<uint8_t>(number));
  SaveDeviceDataFile();
}
