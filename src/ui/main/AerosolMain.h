#pragma once

#include "MainController.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class TMainForm;
}
class QDate;
class QLabel;
class QRadioButton;
class QTabWidget;
class QTime;
class TAboutForm;
class TArchiveChartWindow;
class TArchiveParamSelector;
class TComPropertiesDialog;
class TComSettingsDialogEditor;
class TDelayTimeWindow;
class TDeviceArchiveView;
class TEnterDevNumberWindow;
class TListBoxLog;
class TNGAS;
class TOPVarList;
class TOpenProtocolDriver;
class TOperatorDialogs;
class TPageTabs;
class TPasswords;
class TRS232Channel;
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
  enum TSpectrPage : int { kMainSpectrPage, kBkSpectrPage };

  // The commands of ExecuteCommand, by the numbers the installation's
  // programs have always given them.
  enum class TCommand : uint8_t {
    SerialSettings = 0,
    ReadCommon = 2,
    ReadMeasure = 3,
    ReadCounter = 4,
    ReadPump = 5,
    ReadTest = 7,
    ReadMainSpectr = 8,
    ReadBkSpectr = 9,
    ReadService = 10,
    ReadNet = 11,
    WriteCommonAll = 14,
    WriteCommon = 15,
    WriteAlarmBlock = 16,
    WriteMeasure = 17,
    WriteCounter = 18,
    WritePump = 19,
    WriteService = 20,
    WriteNet = 21,
    WriteTest = 22,
    SwitchTestMode = 23,
    TestPeriod = 24,
    ReadSpectrFile = 25,
    SaveSpectrFile = 26,
    AccessLevel = 27,
    ReadArchive = 28,
    ReadArchiveFile = 29,
    SaveArchiveFile = 30,
    About = 31,
    DeviceNumber = 32,
    Exit = 33,
  };

  static const QString kApplicationTitle;

  // The dialogs seam answers every message box and modal dialog; the port
  // is handed to the serial channel, which the window creates in its turn.
  TMainForm(TOperatorDialogs& dialogs, std::unique_ptr<TSerialPort> port, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The interval and device-number dialogs, which the program entry creates
  // after the window.
  void SetNumberDialogs(TDelayTimeWindow* delayTime, TEnterDevNumberWindow* devNumber);

  // Runs a command when no other one runs; refused otherwise. A command
  // that talks to the installation ends after this returns, when its
  // exchanges are done.
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

  void RefreshCommonPage();
  void RefreshMeasurePage();
  void RefreshCounterPage();
  void RefreshPumpPage();
  void RefreshTestPage();
  void RefreshServicePage();
  void RefreshNetPage();

  TBusyState BusyState() const { return FController->BusyState(); }
  bool TestMode() const { return FTestMode; }
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
  TSpectrView* MainSpectrView() const { return FMainSpectrView; }
  TSpectrView* BkSpectrView() const { return FBkSpectrView; }
  TDeviceArchiveView* ArchiveView() const { return FArchiveView; }
  TArchiveParamSelector* ArchiveParamSelector() const { return FArchiveParamSelector.get(); }
  // Null until "График" was first pressed.
  TArchiveChartWindow* ArchiveChartWindow() const { return FArchiveChartWindow.get(); }
  QTimer* TestModeRequestTimer() { return &FTestModeRequestTimer; }

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
  // A control showing the text of one variable as the installation sent it.
  struct TTextBinding {
    QWidget* Control;
    TOPVarList* Group;
    int Position;
  };
  using TTextBindings = std::vector<TTextBinding>;
  using TBusyToken = TMainController::TBusyToken;
  using TWait = TMainController::TWait;
  // What a command needs of the busy state, and what it does with the token
  // that holds it.
  struct TCommandEntry {
    TBusyState State;
    std::function<void(TBusyToken)> Run;
  };

  void FormCreate();
  void ArrangeControls();
  void CreateCommands();
  void CreateController();
  void OpenChannel();
  void ConnectControls();
  void ConnectPageControls();
  void BindPageTexts();
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

  // The one change handler of the settings pages: an edit's text goes into
  // its variable, a few buttons write to the installation at once.
  void AnyDataChanged(QObject* control);
  void TestBitClick(int bit);

  // The panels' colours before the first read: the read-outs (marked
  // valuePanel in the form) in their colours, every actuator off, every unit
  // OK, every lamp dark.
  void PaintPanels();
  static void ShowOnOffState(bool state, QLabel* panel);
  static void ShowFaultState(bool fault, QLabel* panel);
  void ShowAlarmIndicator(const QByteArray& value);
  static QByteArray FormatDeviceDateTime(const QDate& date, const QTime& time);
  QByteArray ReplaceDatePart(const QByteArray& text, const QDate& date);
  QByteArray ReplaceTimePart(const QByteArray& text, const QTime& time);
  QByteArray PickersDateTime() const;
  void SetPickersToPcClock();
  void ShowDeviceDateTime(const QByteArray& text);

  // The commands of ExecuteCommand. Those that talk to the installation
  // keep the token in the step that follows their exchange.
  void ReadGroupCommand(TBusyToken token, int page, const QString& caption, bool (TNGAS::*read)(),
                        void (TMainForm::*refresh)());
  void ReadCounterCommand(TBusyToken token);
  void ReadTestCommand(TBusyToken token);
  void WriteGroupCommand(TBusyToken token, const QString& caption, bool (TNGAS::*write)(),
                         void (TMainForm::*refresh)());
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
  void CreateSpectrViews();
  void ReadSpectrCommand(TBusyToken token, bool background);
  void ReadSpectrFileCommand();
  void SaveSpectrFileCommand();
  TSpectrView* CurrentSpectrView() const;
  void ReadArchiveCommand(TBusyToken token);
  void ReadArchiveRecords(TBusyToken token);
  void ArchiveRecordsRead(bool read);
  void ShowReadArchive();
  void ReadArchiveFileCommand(TBusyToken token);
  void SaveArchiveFileCommand();
  // "График" opens the chart of the shown archive; the chart follows the
  // table while it is open.
  void ConnectArchiveChart();
  void ChartButtonClick();
  void ArchiveViewArchiveChanged();
  void ShowArchiveChart();
  // The context menus of the terminal and dump pages.
  void ConnectLogMenus();
  void SaveLogItemClick(const TListBoxLog& log);
  // One operation of the device model on the link thread, with the plain
  // wait window or none; done runs after it, on this window's thread.
  void Exchange(TWait wait, const QString& caption, bool (TNGAS::*operation)(), std::function<void(bool)> done);
  // What the operator did while an exchange without a wait window ran (a
  // test-mode read) is done after it.
  bool DeferWhileBusy(std::function<void()> action);

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
  void ShowTexts(const TTextBindings& bindings);
  std::array<const TTextBindings*, 7> PageTexts() const;
  // The test-mode poll is enabled while the test mode lasts; a period of 0
  // keeps it enabled without ticks.
  void EnableTestModeTimer(bool enabled);
  void RestartTestModeTimer();
  void Warning(const QString& text);

  std::unique_ptr<Ui::TMainForm> FUi;
  TOperatorDialogs& FDialogs;
  std::unique_ptr<TSerialPort> FPort;  // until the channel takes it
  TDelayTimeWindow* FDelayTimeWindow = nullptr;
  TEnterDevNumberWindow* FEnterDevNumberWindow = nullptr;

  QLabel* FClockPanel = nullptr;
  QLabel* FLinkPanel = nullptr;
  TSpectrView* FMainSpectrView = nullptr;
  TSpectrView* FBkSpectrView = nullptr;
  TDeviceArchiveView* FArchiveView = nullptr;
  QTimer FClockTimer;
  QTimer FTestModeRequestTimer;

  std::unique_ptr<TPageTabs> FMainTabs;
  std::unique_ptr<TPageTabs> FSettingsTabs;
  std::unique_ptr<TPageTabs> FSpectrTabs;
  std::unique_ptr<TListBoxLog> FCommLog;
  std::unique_ptr<TListBoxLog> FDebugLog;
  std::unique_ptr<TComPropertiesDialog> FComPropertiesDialog;
  std::unique_ptr<TComSettingsDialogEditor> FComSettingsEditor;
  std::unique_ptr<TMainController> FController;
  std::unique_ptr<TArchiveParamSelector> FArchiveParamSelector;
  std::unique_ptr<TArchiveChartWindow> FArchiveChartWindow;
  std::unique_ptr<TPasswords> FPasswords;
  std::unique_ptr<TAboutForm> FAboutForm;
  std::map<TCommand, TCommandEntry> FCommands;

  bool FTestMode = false;
  bool FTestModeTimerEnabled = false;
  // A test-mode tick that fell during another command, waiting for its end.
  bool FTestTickDeferred = false;
  // Refreshes set the controls by program, which fires their change
  // handlers; while one runs, those handlers leave the variables alone.
  int FRefreshing = 0;
  // The settings sub-page that the last read brought the values of, or -1.
  int FReadSettingsPage = -1;
  int32_t FTestRequestPeriod = 10;
  int32_t FDeviceNumber = 1;

  TTextBindings FCommonTexts;
  TTextBindings FMeasureTexts;
  TTextBindings FCounterTexts;
  TTextBindings FPumpTexts;
  TTextBindings FTestTexts;
  TTextBindings FServiceTexts;
  TTextBindings FNetTexts;
};
