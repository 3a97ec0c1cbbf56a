#pragma once

#include "MainCommands.h"
#include "MainController.h"
#include "SessionState.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TMainForm;
}
class QLabel;
class TAboutForm;
class TArchiveChartWindow;
class TArchivePage;
class TArchiveParamSelector;
class TComPropertiesDialog;
class TComSettingsDialogEditor;
class TDelayTimeWindow;
class TDeviceArchiveView;
class TEnterDevNumberWindow;
class TListBoxLog;
class TNGAS;
class TOpenProtocolDriver;
class TOperatorDialogs;
class TPageTabs;
class TPasswords;
class TRS232Channel;
class TSettingsPages;
class TSpectrPage;
class TSerialPort;
class TSpectrView;
class TWaitWindow;
class TWaitWindow2Btn;

// The operator's one main window. Its page tree shows the installation's
// settings and values; an access string decides which pages the operator may
// see. Every action that talks to the installation, opens a dialog or
// touches a file runs through ExecuteCommand, one at a time; the controller
// runs the exchanges on the link thread and owns the busy state.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // The pages of the page tree, whatever tabs the access level shows; the
  // access string counts them from 1.
  enum TMainPage : int { kSettingsPage, kSpectrPage, kArchivePage, kTerminalPage, kDumpPage };
  enum TSettingsPage : int { kCommonPage, kMeasurePage, kCounterPage, kPumpPage, kTestPage, kServicePage, kNetPage };
  enum TSpectrSubPage : int { kMainSpectrPage, kBkSpectrPage };

  using TCommand = ::TCommand;

  static const QString kApplicationTitle;

  // The dialogs seam answers every message box and modal dialog; the port
  // is handed to the serial channel, which the window creates in its turn.
  TMainForm(TOperatorDialogs& dialogs, std::unique_ptr<TSerialPort> port, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The interval and device-number dialogs, which the program entry creates
  // after the window.
  void SetNumberDialogs(TDelayTimeWindow* delayTime, TEnterDevNumberWindow* devNumber);

  // Runs a command through the controller: at once when no other one runs,
  // right after a test-mode poll or a mode switch that runs, refused during
  // any other command (TMainController::ExecuteCommand). A command that talks
  // to the installation ends after this returns, when its exchanges are done.
  void ExecuteCommand(TCommand command);
  void RequestButtonClick();
  void DispatchButtonClick();

  void ApplyAccessRights(const QByteArray& access);
  void SetDeviceNumber(uint8_t number);
  void SetTestRequestPeriod(int32_t seconds);
  void SetTestMode(bool on);

  void LoadDeviceDataFile();
  void SaveDeviceDataFile();
  // qev.pck: the operator's choice of packed requests, handed to the driver.
  void LoadPackingFile();
  // qev.hst: the history database, handed to the archive page.
  void LoadHistoryFile();

  TBusyState BusyState() const { return FController->BusyState(); }
  // The installation confirmed the test mode and has not confirmed a
  // return to normal mode since.
  bool TestMode() const { return FSession->Mode() == TTestMode::Test || FSession->Mode() == TTestMode::LeavingTest; }
  // What the window knows of the installation; LevelChanged is the event a
  // window holding device data answers.
  TSessionState* Session() const { return FSession.get(); }
  int32_t TestRequestPeriod() const { return FTestRequestPeriod; }
  int32_t DeviceNumber() const { return FDeviceNumber; }

  TMainController* Controller() const { return FController.get(); }
  TRS232Channel* Channel() const { return FController->Channel(); }
  TOpenProtocolDriver* Driver() const { return FController->Driver(); }
  TNGAS* NGAS() const { return FController->NGAS(); }
  TWaitWindow* WaitWindow() const { return FController->WaitWindow(); }
  TWaitWindow2Btn* WaitWindow2Btn() const { return FController->WaitWindow2Btn(); }
  TPasswords* Passwords() const { return FPasswords.get(); }
  TAboutForm* AboutForm() const { return FAboutForm.get(); }
  TSettingsPages* SettingsPages() const { return FSettingsPages.get(); }
  TSpectrPage* SpectrPage() const { return FSpectrPage.get(); }
  TArchivePage* ArchivePage() const { return FArchivePage.get(); }
  TSpectrView* MainSpectrView() const;
  TSpectrView* BkSpectrView() const;
  TDeviceArchiveView* ArchiveView() const;
  TArchiveParamSelector* ArchiveParamSelector() const;
  // Null until "График" was first pressed.
  TArchiveChartWindow* ArchiveChartWindow() const;
  QTimer* TestModeRequestTimer() { return &FTestModeRequestTimer; }

  // The window's end: the controller stops first, while everything its
  // last steps may touch is still there. Also when the window is destroyed
  // without a close.
  void Shutdown();

  // Selects a page as the program does: the page change handling does not
  // run by itself. A page whose tab is not shown is refused (false) and the
  // selection stays as it was.
  bool SelectMainPage(int page);
  bool SelectSettingsPage(int page);
  bool SelectSpectrPage(int page);

  // The coefficient buttons of the counter page.
  void FromSpectrBtnClick();
  void FromBkSpectrBtnClick();
  void ToSpectrBtnClick();
  void ToBkSpectrBtnClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  using TBusyToken = TMainController::TBusyToken;
  using TWait = TMainController::TWait;

  void FormCreate();
  void ArrangeControls();
  void CreateCommands();
  void CreateController();
  void OpenChannel();
  void CreatePages();
  void ConnectControls();
  void FormClose(QCloseEvent* event);

  void MainPageControlChange();
  void Page1PageControlChange();
  void ToolButton1Click();
  void ToolButton2Click();
  void PackRequestsMenuItemClick();
  void ClockTimerTimer();
  void TestModeRequestTimerTimer();
  // Status panel 2: when the installation last answered, or that it did not.
  void RequestFinished(bool answered);
  void PortStateChanged(bool open);

  // An actuator button of the test page: its bit of TEST toggled and
  // written, the poll paused meanwhile.
  void TestBitClick(int bit);

  // The commands of ExecuteCommand. Those that talk to the installation
  // keep the token in the step that follows their exchange.
  void ReadGroupCommand(TBusyToken token, int page, const QString& caption, bool (TNGAS::*read)(),
                        void (TSettingsPages::*refresh)());
  void ReadCounterCommand(TBusyToken token);
  void ReadTestCommand(TBusyToken token);
  void WriteGroupCommand(TBusyToken token, const QString& caption, bool (TNGAS::*write)(),
                         void (TSettingsPages::*refresh)());
  void SwitchTestModeCommand(TBusyToken token);
  void SerialSettingsCommand();
  void TestPeriodCommand();
  void DeviceNumberCommand();
  // The password store with qev.pwd and the access it grants without a
  // password; the access-level command; the About box.
  void CreatePasswords();
  void AccessLevelCommand();
  void CreateAboutForm();
  void AboutCommand();
  // "База истории...": the database named, remembered in qev.hst.
  void HistoryDatabaseCommand();
  void ConnectCoefficientButtons();
  // The context menus of the terminal and dump pages.
  void ConnectLogMenus();
  void SaveLogItemClick(const TListBoxLog& log);
  // One operation of the device model on the link thread, with the plain
  // wait window or none; done runs after it, on this window's thread.
  void Exchange(TWait wait, const QString& caption, bool (TNGAS::*operation)(), std::function<void(bool)> done);
  // The groups of a settings sub-page read: their state, and the page.
  void SettingsGroupsRead(int page);
  // The one answer of the window to a new access level: a test mode that
  // the level hides ends, a test page it brings on the screen asks first.
  void SessionLevelChanged(const TAccessRights& level);
  // "Тест" on the screen while the installation is in normal mode.
  bool TestPageInNormalMode() const;
  void ShowPageAge();

  // The pages selected, -1 where no tab is shown.
  int CurrentMainPage() const;
  int CurrentSettingsPage() const;
  int CurrentSpectrPage() const;
  // "Записать в прибор" writes the settings sub-page on the screen only when
  // its values came with a read: a read records its page (or none when it
  // failed), any other change of the sub-page shown forgets it.
  void SettingsPageRead(int page, bool read);
  void ForgetSettingsRead();
  void UpdateDispatchButton();
  // The read behind "Прочитать из прибора" on a settings sub-page, if any.
  static std::optional<TCommand> SettingsPageReadCommand(int page);
  // The test-mode poll follows the session's mode; a period of 0 keeps it
  // enabled without ticks.
  void RestartTestModeTimer();
  void Warning(const QString& text);

  std::unique_ptr<Ui::TMainForm> FUi;
  TOperatorDialogs& FDialogs;
  std::unique_ptr<TSerialPort> FPort;  // until the channel takes it
  TDelayTimeWindow* FDelayTimeWindow = nullptr;
  TEnterDevNumberWindow* FEnterDevNumberWindow = nullptr;

  QLabel* FClockPanel = nullptr;
  QLabel* FLinkPanel = nullptr;
  bool FPortOpen = true;
  QLabel* FPageAgePanel = nullptr;
  QTimer FClockTimer;
  QTimer FTestModeRequestTimer;

  std::unique_ptr<TPageTabs> FMainTabs;
  std::unique_ptr<TPageTabs> FSettingsTabs;
  std::unique_ptr<TPageTabs> FSpectrTabs;
  std::unique_ptr<TListBoxLog> FCommLog;
  std::unique_ptr<TListBoxLog> FDebugLog;
  std::unique_ptr<TComPropertiesDialog> FComPropertiesDialog;
  std::unique_ptr<TComSettingsDialogEditor> FComSettingsEditor;
  std::unique_ptr<TSessionState> FSession;
  std::unique_ptr<TMainController> FController;
  std::unique_ptr<TSettingsPages> FSettingsPages;
  std::unique_ptr<TSpectrPage> FSpectrPage;
  std::unique_ptr<TArchivePage> FArchivePage;
  std::unique_ptr<TPasswords> FPasswords;
  std::unique_ptr<TAboutForm> FAboutForm;

  // A test-mode tick that fell during another command, waiting for its end.
  bool FTestTickDeferred = false;
  // The settings sub-page that the last read brought the values of, or -1.
  int FReadSettingsPage = -1;
  int32_t FTestRequestPeriod = 10;
  int32_t FDeviceNumber = 1;
};
