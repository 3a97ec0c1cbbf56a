#include "AerosolMain.h"

#include "AccessRights.h"
#include "AerosolMainTexts.h"
#include "ArchivePage.h"
#include "ComResourceSetupEng.h"
#include "ComSettingsDialogEditor.h"
#include "CrossThreadLog.h"
#include "DeviceDataFile.h"
#include "ListBoxLog.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "OperatorDialogs.h"
#include "PackingFile.h"
#include "PageColours.h"
#include "PageTabs.h"
#include "Passwords.h"
#include "ProgramVersion.h"
#include "QEVAbout.h"
#include "RS232Channel.h"
#include "SettingsPages.h"
#include "SpectrPage.h"
#include "StartupPaths.h"
#include "Win1251.h"
#include "WindowPlacement.h"
#include "ui_AerosolMain.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontInfo>
#include <QListView>
#include <QLocale>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include <array>
#include <vector>

const QString TMainForm::kApplicationTitle = QStringLiteral("КЕВ ") + ProgramVersion::kNumber;

namespace {

using AerosolMainTexts::kComPortFile;
using AerosolMainTexts::kPortUnavailable;
constexpr TFileLocations::TKind kWorkingData = TFileLocations::TKind::WorkingData;
const QString kExitQuestion = QStringLiteral("Вы действительно хотите покинуть программу?");

constexpr int kToolBarHeight = 26;
constexpr int kToolButtonWidth = 30;
constexpr int kClockPanelWidth = 75;
// Wide enough for "связь" and the time of the last answer.
constexpr int kLinkPanelWidth = 190;
constexpr QSize kClientSize(639, 469);
constexpr int kClockInterval = 1000;

// The logs are read column by column, so they need a fixed-pitch font.
QFont LogFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  if (QFontInfo(font).fixedPitch()) return font;
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

template <size_t N>
std::vector<bool> Shown(const std::array<bool, N>& pages) {
  return std::vector<bool>(pages.begin(), pages.end());
}

}  // namespace

TMainForm::TMainForm(TOperatorDialogs& dialogs, std::unique_ptr<TSerialPort> port, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FUi(std::make_unique<Ui::TMainForm>()),
      FDialogs(dialogs),
      FPort(std::move(port)),
      FSession(std::make_unique<TSessionState>()) {
  FUi->setupUi(this);
  FMainTabs = std::make_unique<TPageTabs>(FUi->MainPageControl);
  FSettingsTabs = std::make_unique<TPageTabs>(FUi->Page1PageControl);
  FSpectrTabs = std::make_unique<TPageTabs>(FUi->SpectrPageControl);
  setStyleSheet(PageColours::StyleSheet());
  ConnectControls();
  FormCreate();
}

TMainForm::~TMainForm() { Shutdown(); }

void TMainForm::Shutdown() {
  FTestModeRequestTimer.stop();
  FClockTimer.stop();
  if (FController) FController->Stop();
}

void TMainForm::SetNumberDialogs(TDelayTimeWindow* delayTime, TEnterDevNumberWindow* devNumber) {
  FDelayTimeWindow = delayTime;
  FEnterDevNumberWindow = devNumber;
}

void TMainForm::FormCreate() {
  setWindowTitle(kApplicationTitle);
  QCoreApplication::setApplicationName(windowTitle());

  LoadDeviceDataFile();

  SelectMainPage(kSpectrPage);
  // The serial channel, the protocol driver on it and the device model on
  // the driver; the port opens once the pages are there.
  CreateController();
  CreatePages();
  ArrangeControls();
  OpenChannel();
  LoadPackingFile();
  LoadHistoryFile();
  CreateCommands();

  SetDeviceNumber(static_cast<uint8_t>(FDeviceNumber & 0xFF));

  // Normal mode: nothing is sent, and the poll is off.
  FUi->DispatchButton->setEnabled(false);
  connect(FSession.get(), &TSessionState::ModeChanged, this, &TMainForm::RestartTestModeTimer);
  connect(FSession.get(), &TSessionState::LevelChanged, this, &TMainForm::SessionLevelChanged);
  connect(FSession.get(), &TSessionState::GroupChanged, this, &TMainForm::ShowPageAge);
  RestartTestModeTimer();

  FSettingsPages->SetPickersToPcClock();

  SelectMainPage(kSettingsPage);

  CreatePasswords();
  CreateAboutForm();
}

void TMainForm::ConnectControls() {
  connect(FUi->RequestButton, &QAction::triggered, this, &TMainForm::RequestButtonClick);
  connect(FUi->DispatchButton, &QAction::triggered, this, &TMainForm::DispatchButtonClick);
  connect(FUi->ToolButton1, &QAction::triggered, this, &TMainForm::ToolButton1Click);
  connect(FUi->ToolButton2, &QAction::triggered, this, &TMainForm::ToolButton2Click);
  connect(FUi->ReadSpectrMenuItem, &QAction::triggered, this, &TMainForm::ToolButton1Click);
  connect(FUi->SaveSpectrMenuItem, &QAction::triggered, this, &TMainForm::ToolButton2Click);
  const auto command = [this](QAction* action, TCommand name) {
    connect(action, &QAction::triggered, this, [this, name] { ExecuteCommand(name); });
  };
  command(FUi->ToolButton4, TCommand::DeviceNumber);
  command(FUi->DevNumberMenuItem, TCommand::DeviceNumber);
  command(FUi->TestPauseMenuItem, TCommand::TestPeriod);
  command(FUi->RS232MenuItem, TCommand::SerialSettings);
  connect(FUi->PackRequestsMenuItem, &QAction::triggered, this, &TMainForm::PackRequestsMenuItemClick);
  command(FUi->AccessLevelMenuItem, TCommand::AccessLevel);
  command(FUi->HistoryDatabaseMenuItem, TCommand::HistoryDatabase);
  command(FUi->SyncButton, TCommand::SyncHistory);
  command(FUi->AboutMenuItem, TCommand::About);
  command(FUi->ExitMenuItem, TCommand::Exit);

  connect(FUi->MainPageControl, &QTabWidget::currentChanged, this, &TMainForm::MainPageControlChange);
  connect(FUi->Page1PageControl, &QTabWidget::currentChanged, this, &TMainForm::Page1PageControlChange);

  ConnectLogMenus();

  FClockTimer.setInterval(kClockInterval);
  connect(&FClockTimer, &QTimer::timeout, this, &TMainForm::ClockTimerTimer);
  FClockTimer.start();
  connect(&FTestModeRequestTimer, &QTimer::timeout, this, &TMainForm::TestModeRequestTimerTimer);
}

void TMainForm::ArrangeControls() {
  FUi->DevDate->setDisplayFormat(QLocale::system().dateFormat(QLocale::LongFormat));

  const QFont logFont = LogFont();
  // One line a row: a new line at the end is laid out without measuring the
  // thousands before it, which an archive read adds to by the second.
  for (QListView* log : {FUi->CommTerminalLB, FUi->DebugLineTerminalLB}) {
    log->setFont(logFont);
    log->setUniformItemSizes(true);
  }

  QStyle* look = style();
  FUi->ToolButton1->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
  FUi->ToolButton2->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
  FUi->ToolButton4->setIcon(look->standardIcon(QStyle::SP_ComputerIcon));
  FUi->DispatchButton->setIcon(look->standardIcon(QStyle::SP_ArrowUp));
  FUi->RequestButton->setIcon(look->standardIcon(QStyle::SP_ArrowDown));
  FUi->SyncButton->setIcon(look->standardIcon(QStyle::SP_BrowserReload));
  FUi->MainToolBar->setFixedHeight(kToolBarHeight);
  for (QAction* action : FUi->MainToolBar->actions()) {
    if (auto* button = qobject_cast<QToolButton*>(FUi->MainToolBar->widgetForAction(action))) {
      button->setAutoRaise(true);
      button->setFixedWidth(kToolButtonWidth);
    }
  }

  FClockPanel = new QLabel(FUi->MainStatusBar);
  FClockPanel->setObjectName(QStringLiteral("ClockPanel"));
  FClockPanel->setFixedWidth(kClockPanelWidth);
  FClockPanel->setAlignment(Qt::AlignCenter);
  FUi->MainStatusBar->addWidget(FClockPanel);
  FLinkPanel = new QLabel(FUi->MainStatusBar);
  FLinkPanel->setObjectName(QStringLiteral("LinkPanel"));
  FLinkPanel->setFixedWidth(kLinkPanelWidth);
  FLinkPanel->setAlignment(Qt::AlignCenter);
  FUi->MainStatusBar->addWidget(FLinkPanel);
  FPageAgePanel = new QLabel(FUi->MainStatusBar);
  FPageAgePanel->setObjectName(QStringLiteral("PageAgePanel"));
  FUi->MainStatusBar->addWidget(FPageAgePanel, 1);
  ClockTimerTimer();

  // The menu bar lies above the client area, as on the installation's
  // original desktop.
  setFixedSize(kClientSize.width(), kClientSize.height() + FUi->MainMenu->sizeHint().height());
  CenterOnScreen(this);
}

void TMainForm::CreateController() {
  FCommLog = std::make_unique<TListBoxLog>(FUi->CommTerminalLB);
  FDebugLog = std::make_unique<TListBoxLog>(FUi->DebugLineTerminalLB);
  FController = std::make_unique<TMainController>(*this, FDialogs, std::move(FPort), *FCommLog, *FDebugLog);
  connect(FController.get(), &TMainController::RequestFinished, this, &TMainForm::RequestFinished);
  connect(FController.get(), &TMainController::PortStateChanged, this, &TMainForm::PortStateChanged);
  FComPropertiesDialog = std::make_unique<TComPropertiesDialog>(this);
  FComSettingsEditor = std::make_unique<TComSettingsDialogEditor>(*FComPropertiesDialog, FDialogs);
  Channel()->SetEditor(FComSettingsEditor.get());
  Channel()->LoadSettings(kComPortFile);
}

void TMainForm::CreatePages() {
  FSettingsPages = std::make_unique<TSettingsPages>(
      *this, *FUi, *FController, *FSession, [this](TCommand command) { ExecuteCommand(command); },
      [this](int bit) { TestBitClick(bit); });
  FSpectrPage =
      std::make_unique<TSpectrPage>(*FController, FDialogs, *FUi->MainSpectrSheet, *FUi->BkSpectrSheet, *FSpectrTabs);
  FArchivePage = std::make_unique<TArchivePage>(*FController, FDialogs, *this, *FUi->ArchiveSheet, *FUi->ChartButton,
                                                *FUi->HistoryButton);
  // Every holder of device data answers a new level.
  connect(FSession.get(), &TSessionState::LevelChanged, FSpectrPage.get(), &TSpectrPage::LevelChanged);
  connect(FSession.get(), &TSessionState::LevelChanged, FArchivePage.get(), &TArchivePage::LevelChanged);
  ConnectCoefficientButtons();
}

TSpectrView* TMainForm::MainSpectrView() const { return FSpectrPage->MainView(); }

TSpectrView* TMainForm::BkSpectrView() const { return FSpectrPage->BkView(); }

TDeviceArchiveView* TMainForm::ArchiveView() const { return FArchivePage->View(); }

TArchiveParamSelector* TMainForm::ArchiveParamSelector() const { return FArchivePage->ParamSelector(); }

TArchiveChartWindow* TMainForm::ArchiveChartWindow() const { return FArchivePage->ChartWindow(); }

void TMainForm::OpenChannel() {
  if (!FController->OpenChannel()) Warning(kPortUnavailable);
}

void TMainForm::ApplyAccessRights(const QByteArray& access) {
  const TAccessRights rights = TAccessRights::Parse(access);
  const QSignalBlocker mainBlocker(FUi->MainPageControl);
  const QSignalBlocker settingsBlocker(FUi->Page1PageControl);
  const QSignalBlocker spectrBlocker(FUi->SpectrPageControl);
  const int mainPage = CurrentMainPage();
  const int settingsPage = CurrentSettingsPage();
  FSettingsTabs->Show(Shown(rights.SettingsPages));
  FSpectrTabs->Show(Shown(rights.SpectrPages));
  FMainTabs->Show(Shown(rights.MainPages));
  // The sub-page that a new level brings on the screen was not read: its
  // controls show whatever an earlier read left in them.
  if (CurrentSettingsPage() != settingsPage) ForgetSettingsRead();
  if (CurrentMainPage() != mainPage) MainPageControlChange();
  FSession->ApplyLevel(rights);
}

void TMainForm::SessionLevelChanged(const TAccessRights& level) {
  ShowPageAge();
  if (TestMode() && !level.SettingsPages[kTestPage]) {
    // The installation must not stay in a mode that the operator can no
    // longer see nor leave: back to normal mode as leaving the page does,
    // without the question, once the command under way is over.
    FController->CommLog().AppendLine(
        "-- " + Win1251::FromUnicode(
                    QStringLiteral("тестовый режим выключается: страница \"Тест\" скрыта новым уровнем доступа")));
    FController->WhenIdle([this] {
      if (TestMode() && !FSession->Level().SettingsPages[kTestPage]) ExecuteCommand(TCommand::SwitchTestMode);
    });
    return;
  }
  // A level that brings "Тест" on the screen in normal mode asks, as
  // selecting the page does.
  if (TestPageInNormalMode())
    FController->WhenIdle([this] {
      if (TestPageInNormalMode()) Page1PageControlChange();
    });
}

bool TMainForm::TestPageInNormalMode() const {
  return FSession->Mode() == TTestMode::Normal && CurrentMainPage() == kSettingsPage &&
         CurrentSettingsPage() == kTestPage;
}

void TMainForm::ShowPageAge() {
  if (!FPageAgePanel) return;
  // When every value of the settings page on the screen last came in one
  // read; said only when the last read was not whole.
  QString text;
  if (CurrentMainPage() == kSettingsPage) {
    const std::vector<TSettingsGroup> groups = TSettingsPages::PageGroups(CurrentSettingsPage());
    bool partial = false;
    bool never = false;
    QDateTime whole;
    for (const TSettingsGroup group : groups) {
      if (FSession->Group(group) == TGroupState::Failed) partial = true;
      const QDateTime at = FSession->WholeRead(group);
      if (!at.isValid())
        never = true;
      else if (!whole.isValid() || at < whole)
        whole = at;
    }
    if (never) whole = QDateTime();
    if (partial)
      text = whole.isValid() ? QStringLiteral("страница прочитана целиком: %1")
                                   .arg(QLocale::system().toString(whole, QLocale::ShortFormat))
                             : QStringLiteral("страница не прочитана целиком");
  }
  FPageAgePanel->setText(text);
}

void TMainForm::SetDeviceNumber(uint8_t number) {
  if (!FController) {
    setWindowTitle(kApplicationTitle);
    return;
  }
  NGAS()->SetDevAddress(number);
  setWindowTitle(kApplicationTitle + QStringLiteral(" - № ") + QString::number(number));
}

void TMainForm::LoadDeviceDataFile() {
  const TDeviceData data = DeviceDataFile::Load(FileLocations().ReadPath(kWorkingData, DeviceDataFile::kFileName));
  SetTestRequestPeriod(data.TestRequestPeriod);
  FDeviceNumber = data.DeviceNumber;
}

void TMainForm::SaveDeviceDataFile() {
  DeviceDataFile::Save(FileLocations().WritePath(kWorkingData, DeviceDataFile::kFileName),
                       {FTestRequestPeriod, FDeviceNumber});
}

void TMainForm::LoadPackingFile() {
  const bool on = PackingFile::Load(FileLocations().ReadPath(kWorkingData, PackingFile::kFileName));
  // Set by program: the item's click handler, which saves, does not run.
  FUi->PackRequestsMenuItem->setChecked(on);
  Driver()->SetPacking(on);
}

void TMainForm::PackRequestsMenuItemClick() {
  const bool on = FUi->PackRequestsMenuItem->isChecked();
  // Turned on again, packing is tried afresh on the installation. Only
  // while the link is idle: during a test-mode poll the menu can be reached,
  // and the driver is the link thread's then.
  if (!FController->Idle()) {
    FUi->PackRequestsMenuItem->setChecked(!on);
    return;
  }
  Driver()->SetPacking(on);
  PackingFile::Save(FileLocations().WritePath(kWorkingData, PackingFile::kFileName), on);
}

bool TMainForm::SelectMainPage(int page) {
  const QSignalBlocker blocker(FUi->MainPageControl);
  return FMainTabs->Select(page);
}

bool TMainForm::SelectSettingsPage(int page) {
  const QSignalBlocker blocker(FUi->Page1PageControl);
  const int shown = CurrentSettingsPage();
  if (!FSettingsTabs->Select(page)) return false;
  if (page != shown) ForgetSettingsRead();
  return true;
}

bool TMainForm::SelectSpectrPage(int page) { return FSpectrTabs->Select(page); }

int TMainForm::CurrentMainPage() const { return FMainTabs->Current(); }

int TMainForm::CurrentSettingsPage() const { return FSettingsTabs->Current(); }

int TMainForm::CurrentSpectrPage() const { return FSpectrTabs->Current(); }

void TMainForm::SettingsPageRead(int page, bool read) {
  FReadSettingsPage = read ? page : -1;
  UpdateDispatchButton();
}

void TMainForm::ForgetSettingsRead() { SettingsPageRead(-1, false); }

void TMainForm::UpdateDispatchButton() {
  bool read =
      FSession->Mode() == TTestMode::Normal && FReadSettingsPage >= 0 && FReadSettingsPage == CurrentSettingsPage();
  for (const TSettingsGroup group : TSettingsPages::PageGroups(CurrentSettingsPage()))
    read = read && FSession->HasDeviceValues(group);
  FUi->DispatchButton->setEnabled(read);
}

void TMainForm::MainPageControlChange() {
  repaint();
  const int page = CurrentMainPage();
  const bool files = page == kSpectrPage || page == kArchivePage;
  for (QAction* action : {FUi->ReadSpectrMenuItem, FUi->SaveSpectrMenuItem, FUi->ToolButton1, FUi->ToolButton2})
    action->setEnabled(files);
  // Without any page (a level that names no tab) there is nothing to read or
  // write either.
  const bool device = page == kSettingsPage || files;
  FUi->RequestButton->setVisible(device);
  FUi->DispatchButton->setVisible(device);
  FUi->SyncButton->setVisible(page == kArchivePage);
  ShowPageAge();
  // The test page is live only in test mode: arriving on it asks.
  if (TestPageInNormalMode())
    FController->WhenIdle([this] {
      if (TestPageInNormalMode()) Page1PageControlChange();
    });
}

void TMainForm::ToolButton1Click() {
  if (CurrentMainPage() == kSpectrPage) ExecuteCommand(TCommand::ReadSpectrFile);
  if (CurrentMainPage() == kArchivePage) ExecuteCommand(TCommand::ReadArchiveFile);
}

void TMainForm::ToolButton2Click() {
  if (CurrentMainPage() == kSpectrPage) ExecuteCommand(TCommand::SaveSpectrFile);
  if (CurrentMainPage() == kArchivePage) ExecuteCommand(TCommand::SaveArchiveFile);
}

void TMainForm::closeEvent(QCloseEvent* event) { FormClose(event); }

void TMainForm::FormClose(QCloseEvent* event) {
  // A close that the window system delivers while a command runs is not
  // done in its middle: during a test-mode poll it is asked right after it,
  // during a command with a wait window (or a question of its own) it is
  // refused.
  const TBusyToken asking = FController->Begin(TBusyState::Reading);
  if (!asking) {
    event->ignore();
    ExecuteCommand(TCommand::Exit);
    return;
  }
  if (FDialogs.Message(TOperatorDialogs::TMessageKind::Confirmation, kExitQuestion,
                       QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
    event->accept();
    // Nothing runs after the window's last answer.
    Shutdown();
    return;
  }
  event->ignore();
}

void TMainForm::Warning(const QString& text) {
  FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, text, QMessageBox::Yes);
}
