#include "EnterDevNumber.h"
#include "LogLinesModel.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "NGASDelayTime.h"
#include "RS232Channel.h"
#include "SerialPort.h"
#include "TransferWaitWindow.h"
#include "Win1251.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

const QString kPortUnavailable =
    QStringLiteral("Выбранный последовательный порт недоступен. Попробуйте перенастроить программу.");
const QString kWriteFailed = QStringLiteral("Запись в прибор не удалась. Проверьте связь с прибором.");
const QString kCounterNotConnected =
    QStringLiteral("Счетчик не подключен к БОП. Просмотр и редактирование его параметров невозможны.");
const QString kExitQuestion = QStringLiteral("Вы действительно хотите покинуть программу?");

const QByteArrayList kMeasureReads = {"STATUS=??;",       "ALPHAALARM1=??;",   "ALPHAALARM2=??;",   "BETAALARM1=??;",
                                      "BETAALARM2=??;",   "ALPHAALARM1ON=??;", "ALPHAALARM2ON=??;", "BETAALARM1ON=??;",
                                      "BETAALARM2ON=??;", "SUMALPHA=??;",      "SUMBETA=??;",       "RADON=??;"};

// A port that opens and then breaks down in a way nobody below the window
// catches.
class TBrokenPort : public TSerialPort {
 public:
  bool Open(const QByteArray&) override { return FOpen = true; }
  void Close() override { FOpen = false; }
  bool IsOpen() const override { return FOpen; }
  bool GetLineState(TLineState&) override { return true; }
  bool SetLineState(const TLineState&) override { return true; }
  bool SetTimeouts(const TTimeouts&) override { return true; }
  bool EnableReceivedCharEvent() override { return true; }
  bool SetDTR(bool) override { return true; }
  bool SetRTS(bool) override { return true; }
  bool Write(const uint8_t*, uint32_t, uint32_t&) override { throw std::runtime_error("line broken"); }
  bool Read(uint8_t*, uint32_t, uint32_t& count, TCommChannel::TExpectedLength) override {
    count = 0;
    return true;
  }
  bool DiscardInput() override { return true; }

 private:
  bool FOpen = false;
};

}  // namespace

class MainFormTest : public MainFormFixture {
 protected:
  QTabWidget* MainPages() const { return Child<QTabWidget>("MainPageControl"); }
};

TEST_F(MainFormTest, StartsWithoutAnyFileOnDeviceOneWithTheDefaultPages) {
  TMainForm& form = Start();
  EXPECT_EQ(form.windowTitle(), QStringLiteral("КЕВ 1.70 - № 1"));
  EXPECT_EQ(ShownPages("MainPageControl"), QStringLiteral("10000"));
  EXPECT_EQ(ShownPages("Page1PageControl"), QStringLiteral("1100000"));
  EXPECT_EQ(CurrentSheet("MainPageControl"), QStringLiteral("SettingsSheet"));
  EXPECT_EQ(CurrentSheet("Page1PageControl"), QStringLiteral("CommonSheet"));
  EXPECT_FALSE(Action("DispatchButton")->isEnabled());
  EXPECT_TRUE(Action("RequestButton")->isEnabled());
  EXPECT_FALSE(Action("AccessLevelMenuItem")->isEnabled());
  EXPECT_FALSE(Action("ReadSpectrMenuItem")->isEnabled());
  EXPECT_FALSE(Action("ToolButton2")->isEnabled());
  EXPECT_EQ(form.TestRequestPeriod(), 10);
  EXPECT_EQ(form.NGAS()->DevAddress(), 1);
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  EXPECT_FALSE(form.TestMode());
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  // No commport.cfg means COM1, which this machine does not have.
  EXPECT_EQ(FDialogs.Texts(), QStringList{kPortUnavailable});
  EXPECT_EQ(FEmulator.RequestCount(), 0);
}

TEST_F(MainFormTest, StartingSendsNothingToTheInstallation) {
  WriteComPort();
  TMainForm& form = Start();
  QTest::qWait(100);
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(form.Channel()->State(), 0);
  EXPECT_EQ(FEmulator.RequestCount(), 0);
  EXPECT_TRUE(LogLines("CommTerminalLB").isEmpty());
}

TEST_F(MainFormTest, APortThatDoesNotOpenIsReportedAndTheProgramRunsOn) {
  WriteComPort(FDir.filePath(QStringLiteral("no-such-tty")));
  TMainForm& form = Start();
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(FDialogs.Asked[0].Text, kPortUnavailable);
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Yes));

  form.SelectSettingsPage(TMainForm::kMeasurePage);
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_FALSE(Action("DispatchButton")->isEnabled());
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  EXPECT_FALSE(form.WaitWindow()->isVisible());
  EXPECT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FEmulator.RequestCount(), 0);
}

TEST_F(MainFormTest, AccessStringsShowExactlyTheirTabs) {
  struct TRow {
    const char* Access;
    const char* Main;
    const char* Settings;
    const char* Spectr;
  };
  const TRow rows[] = {
      {"1-1;1-2;", "10000", "1100000", "00"}, {"2-1;", "01000", "0000000", "10"},
      {"3;4", "00110", "0000000", "00"},      {"1-;", "00000", "0000000", "00"},
      {"x-2", "10000", "0100000", "00"},      {"9-1", "00000", "0000000", "00"},
      {"1-9", "00000", "0000000", "00"},      {"1-7;2-2;5", "11001", "0000001", "01"},
  };
  TMainForm& form = StartConnected();
  for (const TRow& row : rows) {
    form.ApplyAccessRights(row.Access);
    EXPECT_EQ(ShownPages("MainPageControl"), QString::fromLatin1(row.Main)) << row.Access;
    EXPECT_EQ(ShownPages("Page1PageControl"), QString::fromLatin1(row.Settings)) << row.Access;
    EXPECT_EQ(ShownPages("SpectrPageControl"), QString::fromLatin1(row.Spectr)) << row.Access;
  }
  EXPECT_EQ(FEmulator.RequestCount(), 0) << "applying access rights reads nothing";
}

TEST_F(MainFormTest, HiddenSelectedPagesGiveWayToTheFirstShownOne) {
  TMainForm& form = StartConnected();
  form.SelectMainPage(TMainForm::kTerminalPage);
  form.ApplyAccessRights("2-2;");
  EXPECT_EQ(CurrentSheet("MainPageControl"), QStringLiteral("SpectrSheet"));
  EXPECT_EQ(CurrentSheet("SpectrPageControl"), QStringLiteral("BkSpectrSheet"));
  EXPECT_TRUE(Action("ToolButton1")->isEnabled()) << "the file commands follow the page now shown";
  EXPECT_TRUE(Action("RequestButton")->isVisible());
}

TEST_F(MainFormTest, ReadingTheMeasurementPageAsksForItsTwelveVariablesAndOffersTheWrite) {
  TMainForm& form = StartConnected();
  FEmulator.SetVariable("SUMALPHA", "12.5");
  form.SelectSettingsPage(TMainForm::kMeasurePage);
  Action("RequestButton")->trigger();
  Settle();

  EXPECT_EQ(TakeRequests(), kMeasureReads);
  EXPECT_TRUE(Action("DispatchButton")->isEnabled());
  EXPECT_EQ(form.NGAS()->MeasureVarList().GetItem(9)->Value, QByteArray("12.5"));
  EXPECT_EQ(Child<QLabel>("Value1Panel")->text(), QStringLiteral("12.5"));
  EXPECT_FALSE(form.WaitWindow()->isVisible());
  EXPECT_EQ(form.WaitWindow()->MessageText(), QStringLiteral("загрузка измеренных значений"));
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_FALSE(LogLines("CommTerminalLB").isEmpty());
  EXPECT_FALSE(LogLines("DebugLineTerminalLB").isEmpty());

  FailEveryRequest();
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_FALSE(Action("DispatchButton")->isEnabled()) << "a failed read withdraws the write";
  EXPECT_TRUE(FDialogs.Asked.empty()) << "a failed read says nothing";
}

TEST_F(MainFormTest, SelectingASettingsSubPageReadsIt) {
  struct TRow {
    int Page;
    const char* FirstRequest;
  };
  const TRow rows[] = {{TMainForm::kMeasurePage, "STATUS=??;"},
                       {TMainForm::kPumpPage, "FLOW=??;"},
                       {TMainForm::kServicePage, "SELFBACKGROUND=??;"},
                       {TMainForm::kNetPage, "NETADDRESS=??;"},
                       {TMainForm::kCommonPage, "DATETIME=??;"}};
  StartConnected();
  for (const TRow& row : rows) {
    SettingsPages()->setCurrentIndex(row.Page);
    Settle();
    const QByteArrayList requests = TakeRequests();
    ASSERT_FALSE(requests.isEmpty()) << row.Page;
    EXPECT_EQ(requests.first(), QByteArray(row.FirstRequest));
  }
  EXPECT_TRUE(FDialogs.Asked.empty());
}

TEST_F(MainFormTest, DeviceButtonsDoNothingWherePagesHaveNoSuchCommand) {
  TMainForm& form = StartConnected();
  form.SelectSettingsPage(TMainForm::kTestPage);
  form.RequestButtonClick();
  Settle();
  form.DispatchButtonClick();
  Settle();
  for (int page : {TMainForm::kTerminalPage, TMainForm::kDumpPage}) {
    form.SelectMainPage(page);
    form.RequestButtonClick();
    Settle();
    form.DispatchButtonClick();
    Settle();
  }
  for (int page : {TMainForm::kSpectrPage, TMainForm::kArchivePage}) {
    form.SelectMainPage(page);
    form.DispatchButtonClick();
    Settle();
  }
  EXPECT_EQ(FEmulator.RequestCount(), 0);
  EXPECT_TRUE(FDialogs.Asked.empty());
}

TEST_F(MainFormTest, PageChangesSetTheFileCommandsAndTheDeviceButtons) {
  struct TRow {
    int Page;
    bool Files;
    bool Device;
  };
  const TRow rows[] = {{TMainForm::kSpectrPage, true, true},
                       {TMainForm::kTerminalPage, false, false},
                       {TMainForm::kArchivePage, true, true},
                       {TMainForm::kDumpPage, false, false},
                       {TMainForm::kSettingsPage, false, true}};
  StartConnected();
  TakeRequests();
  for (const TRow& row : rows) {
    MainPages()->setCurrentIndex(row.Page);
    Settle();
    for (const char* name : {"ReadSpectrMenuItem", "SaveSpectrMenuItem", "ToolButton1", "ToolButton2"})
      EXPECT_EQ(Action(name)->isEnabled(), row.Files) << row.Page << name;
    EXPECT_EQ(Action("RequestButton")->isVisible(), row.Device) << row.Page;
    EXPECT_EQ(Action("DispatchButton")->isVisible(), row.Device) << row.Page;
  }
  EXPECT_TRUE(TakeRequests().isEmpty()) << "changing the main page reads nothing";
}

TEST_F(MainFormTest, ACounterThatIsNotConnectedIsReportedAndTheCommonPageIsShown) {
  TMainForm& form = StartConnected();
  ASSERT_TRUE(FEmulator.SetVariable("MAINENERGYA", " 0 "));
  form.SelectSettingsPage(TMainForm::kCounterPage);
  Action("RequestButton")->trigger();
  Settle();

  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Information);
  EXPECT_EQ(FDialogs.Asked[0].Text, kCounterNotConnected);
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kCommonPage);
  const QStringList names = Names(TakeRequests());
  EXPECT_EQ(names.first(), QStringLiteral("MAINENERGYA"));
  EXPECT_TRUE(names.contains(QStringLiteral("DATETIME"))) << "the common page is read next";
  EXPECT_TRUE(names.contains(QStringLiteral("BAS_INDICATOR")));
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
}

TEST_F(MainFormTest, AConnectedCounterIsShownOnItsPage) {
  TMainForm& form = StartConnected();
  ASSERT_TRUE(FEmulator.SetVariable("EFFA", "0.35"));
  form.SelectSettingsPage(TMainForm::kCounterPage);
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kCounterPage);
  EXPECT_EQ(Child<QLineEdit>("EffAEdit")->text(), QStringLiteral("0.35"));
}

TEST_F(MainFormTest, AFailedWriteIsReportedAndASuccessfulOneIsNot) {
  TMainForm& form = StartConnected();
  form.SelectSettingsPage(TMainForm::kNetPage);
  Action("RequestButton")->trigger();
  Settle();
  ASSERT_TRUE(Action("DispatchButton")->isEnabled());
  TakeRequests();

  Action("DispatchButton")->trigger();
  Settle();
  EXPECT_EQ(Names(TakeRequests()), (QStringList{"NETADDRESS", "NETBAUDRATE", "ETHERNET"}));
  EXPECT_TRUE(FDialogs.Asked.empty());

  FailEveryRequest();
  Action("DispatchButton")->trigger();
  Settle();
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(FDialogs.Asked[0].Text, kWriteFailed);
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  EXPECT_FALSE(form.WaitWindow()->isVisible());
}

TEST_F(MainFormTest, WritesSendTheGroupOfTheirPage) {
  struct TRow {
    TMainForm::TCommand Command;
    QStringList Names;
    const char* Caption;
  };
  const TRow rows[] = {
      {TMainForm::TCommand::WriteCommonAll,
       {"DATETIME", "SERIALN", "DRYCONTACTIN", "DRYCONTACTOUT", "ADRYCONTACTTHR", "BDRYCONTACTTHR", "RESOURCE",
        "BAS_SIRENE", "BAS_INDICATOR"},
       "запись общих параметров КЕВ"},
      {TMainForm::TCommand::WriteAlarmBlock, {"BAS_SIRENE", "BAS_INDICATOR"}, "запись параметров КЕВ"},
      {TMainForm::TCommand::WritePump,
       {"FLOW", "VOLUME", "PUMPUPPERLEVEL", "PUMPLOWERLEVEL", "PREASSURE"},
       "запись параметров КЕВ"},
      {TMainForm::TCommand::WriteCounter,
       {"MAINENERGYA", "MAINENERGYB", "BGENERGYA", "BGENERGYB", "EFFA", "EFFB", "EFFAB", "EFFPB", "TRANS",
        "DURATIONTIME"},
       "запись параметров счетчика"},
  };
  TMainForm& form = StartConnected();
  for (const TRow& row : rows) {
    form.ExecuteCommand(row.Command);
    Settle();
    EXPECT_EQ(Names(TakeRequests()), row.Names) << int(row.Command);
    EXPECT_EQ(form.WaitWindow()->MessageText(), QString::fromUtf8(row.Caption));
  }
}

TEST_F(MainFormTest, AWriteAskedForWhileTheWindowIsBusyIsDropped) {
  TMainForm& form = StartConnected();
  form.show();
  bool busyWhileAsked = false;
  FDialogs.WhileAsking = [&](const TScriptedDialogs::TAsked& asked) {
    if (asked.Text != kExitQuestion) return;
    busyWhileAsked = form.BusyState() != TBusyState::Idle;
    form.ExecuteCommand(TMainForm::TCommand::WriteNet);
  };
  FDialogs.Answers = {QMessageBox::No};
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(busyWhileAsked);
  EXPECT_TRUE(TakeRequests().isEmpty());

  FDialogs.WhileAsking = nullptr;
  form.ExecuteCommand(TMainForm::TCommand::WriteNet);
  Settle();
  EXPECT_EQ(TakeRequests().size(), 3);
}

// The exchange runs on the link thread behind a modal wait window: what the
// program or a timer asks for meanwhile is refused, and the result reaches
// the page after the wait window has gone.
TEST_F(MainFormTest, CommandsDuringAnExchangeAreRefusedAndTheResultFollowsTheWaitWindow) {
  TMainForm& form = StartConnected();
  form.show();
  form.SelectSettingsPage(TMainForm::kMeasurePage);
  int enabled = 0;
  bool waitWindowGone = false;
  QObject::connect(Action("DispatchButton"), &QAction::changed, &form, [&] {
    if (!Action("DispatchButton")->isEnabled()) return;
    ++enabled;
    waitWindowGone = !form.WaitWindow()->isVisible();
  });
  form.RequestButtonClick();
  EXPECT_EQ(form.BusyState(), TBusyState::Reading);
  EXPECT_TRUE(form.WaitWindow()->isVisible());
  EXPECT_TRUE(form.WaitWindow()->isModal()) << "the operator's input goes nowhere else";
  form.ExecuteCommand(TMainForm::TCommand::WriteMeasure);
  form.ExecuteCommand(TMainForm::TCommand::ReadNet);
  form.RequestButtonClick();
  Settle();
  EXPECT_EQ(TakeRequests(), kMeasureReads);
  EXPECT_EQ(enabled, 1);
  EXPECT_TRUE(waitWindowGone);
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  form.RequestButtonClick();
  Settle();
  EXPECT_EQ(TakeRequests(), kMeasureReads) << "the button works again after the exchange";
}

TEST_F(MainFormTest, TheWindowIsKeptPaintedWhileAReadWaitsForASilentLine) {
  TMainForm& form = StartConnected();
  form.show();
  form.Channel()->Settings().SetLatencyPeriod("Approximately 0.75 second");
  ASSERT_TRUE(form.Controller()->OpenChannel());
  FailEveryRequest();
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(20);
  form.ExecuteCommand(TMainForm::TCommand::ReadMeasure);
  Settle();
  // Three attempts of about 0.8 s each: a window that only got its events
  // between the attempts would see three ticks at most.
  EXPECT_GE(ticks, 10);
}

TEST_F(MainFormTest, AnExceptionLeavingACommandIsShownAndTheWindowGoesOn) {
  WriteComPort();
  TMainForm& form = Start(std::make_unique<TBrokenPort>());
  ASSERT_TRUE(FDialogs.Asked.empty());
  for (const TMainForm::TCommand command : {TMainForm::TCommand::ReadMeasure, TMainForm::TCommand::WriteMeasure}) {
    FDialogs.Asked.clear();
    form.ExecuteCommand(command);
    Settle();
    ASSERT_EQ(FDialogs.Asked.size(), 1u) << int(command);
    EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Error);
    EXPECT_EQ(FDialogs.Asked[0].Text, QStringLiteral("Ошибочное действие : line broken"));
    EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
    EXPECT_EQ(form.BusyState(), TBusyState::Idle);
    EXPECT_FALSE(form.WaitWindow()->isVisible()) << "no wait window is left on the screen";
  }
}

TEST_F(MainFormTest, TheExitQuestionDecidesWhetherTheWindowCloses) {
  TMainForm& form = StartConnected();
  form.show();
  FDialogs.Answers = {QMessageBox::No, QMessageBox::Yes};
  Action("ExitMenuItem")->trigger();
  Settle();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Confirmation);
  EXPECT_EQ(FDialogs.Asked[0].Text, kExitQuestion);
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::Yes | QMessageBox::No);

  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, TheDeviceDataFileGivesThePeriodAndTheDeviceNumber) {
  struct TRow {
    const char* Content;
    int Period;
    int Number;
    const char* Caption;
  };
  const TRow rows[] = {
      {"15\r\n3\r\n", 15, 3, "КЕВ 1.70 - № 3"},
      {"abc\r\n3\r\n", 10, 1, "КЕВ 1.70 - № 1"},
      {"15\r\n", 10, 1, "КЕВ 1.70 - № 1"},
      {"10\r\n300\r\n", 10, 300, "КЕВ 1.70 - № 44"},
  };
  WriteComPort();
  for (const TRow& row : rows) {
    WriteFile(QStringLiteral("qev.dtf"), row.Content);
    TMainForm& form = Start();
    EXPECT_EQ(form.TestRequestPeriod(), row.Period) << row.Content;
    EXPECT_EQ(form.TestModeRequestTimer()->interval(), row.Period * 1000) << row.Content;
    EXPECT_EQ(form.DeviceNumber(), row.Number) << row.Content;
    EXPECT_EQ(form.NGAS()->DevAddress(), row.Number & 0xFF) << row.Content;
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(row.Caption));
    EXPECT_EQ(ReadFile(QStringLiteral("qev.dtf")), QByteArray(row.Content)) << "start-up never rewrites the file";
  }
}

TEST_F(MainFormTest, TheDeviceNumberCommandChangesTheAddressAndKeepsIt) {
  WriteComPort();
  WriteFile(QStringLiteral("qev.dtf"), "25\r\n1\r\n");
  TMainForm& form = Start();
  TDelayTimeWindow delay;
  TEnterDevNumberWindow number;
  form.SetNumberDialogs(&delay, &number);
  const auto typeAndClose = [](const char* text, int result) {
    return [text, result](QDialog& dialog) {
      auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("NumME"));
      edit->clear();
      QTest::keyClicks(edit, QString::fromLatin1(text));
      return result;
    };
  };

  FDialogs.DialogAnswers = {typeAndClose("9", QDialog::Rejected), typeAndClose("", QDialog::Accepted)};
  Action("DevNumberMenuItem")->trigger();
  Settle();
  Action("ToolButton4")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, 2);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("КЕВ 1.70 - № 1"));
  EXPECT_EQ(ReadFile(QStringLiteral("qev.dtf")), QByteArray("25\r\n1\r\n"));

  FDialogs.DialogAnswers = {[&](QDialog& dialog) {
    EXPECT_EQ(&dialog, &number);
    EXPECT_EQ(number.GetValue(), 1) << "the dialog opens with the address in use";
    return typeAndClose("7", QDialog::Accepted)(dialog);
  }};
  Action("DevNumberMenuItem")->trigger();
  Settle();
  EXPECT_EQ(form.windowTitle(), QStringLiteral("КЕВ 1.70 - № 7"));
  EXPECT_EQ(form.NGAS()->DevAddress(), 7);
  EXPECT_EQ(ReadFile(QStringLiteral("qev.dtf")), QByteArray("25\r\n7\r\n"));

  FEmulator.SetAddress(7);
  form.SelectSettingsPage(TMainForm::kNetPage);
  form.RequestButtonClick();
  Settle();
  EXPECT_TRUE(Action("DispatchButton")->isEnabled()) << "the installation at address 7 answers";

  FDialogs.DialogAnswers = {typeAndClose("30", QDialog::Accepted)};
  Action("TestPauseMenuItem")->trigger();
  Settle();
  EXPECT_EQ(form.TestRequestPeriod(), 30);
  EXPECT_EQ(form.TestModeRequestTimer()->interval(), 30000);
  EXPECT_EQ(ReadFile(QStringLiteral("qev.dtf")), QByteArray("30\r\n7\r\n"));
  FDialogs.DialogAnswers = {typeAndClose("0", QDialog::Accepted)};
  Action("TestPauseMenuItem")->trigger();
  Settle();
  EXPECT_EQ(form.TestRequestPeriod(), 30);
}

TEST_F(MainFormTest, NewSerialSettingsAreSavedAndThePortReopened) {
  TMainForm& form = StartConnected();
  const auto choosePort = [](const QString& port, int result) {
    return [port, result](QDialog& dialog) {
      dialog.findChild<QComboBox*>(QStringLiteral("PortNumCBox"))->setCurrentText(port);
      return result;
    };
  };
  const QByteArray saved = ReadFile(QStringLiteral("commport.cfg"));
  FDialogs.DialogAnswers = {choosePort(QStringLiteral("/dev/null-port"), QDialog::Rejected)};
  Action("RS232MenuItem")->trigger();
  Settle();
  EXPECT_EQ(ReadFile(QStringLiteral("commport.cfg")), saved) << "a cancelled dialog saves nothing";
  EXPECT_TRUE(FDialogs.Asked.empty());

  const QString missing = FDir.filePath(QStringLiteral("missing-tty"));
  FDialogs.DialogAnswers = {choosePort(missing, QDialog::Accepted)};
  Action("RS232MenuItem")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.Texts(), QStringList{kPortUnavailable});
  EXPECT_TRUE(
      ReadFile(QStringLiteral("commport.cfg")).startsWith("PortNumber=" + Win1251::FromUnicode(missing) + "\r\n"));

  FDialogs.DialogAnswers = {choosePort(FServer->SlavePath(), QDialog::Accepted)};
  Action("RS232MenuItem")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.Asked.size(), 1u);
  form.SelectSettingsPage(TMainForm::kNetPage);
  form.RequestButtonClick();
  Settle();
  EXPECT_EQ(TakeRequests().size(), 3) << "the reopened port reaches the installation";
}

TEST_F(MainFormTest, TheLogContextMenusSaveTheWholePageAndClearIt) {
  TMainForm& form = StartConnected();
  form.SelectSettingsPage(TMainForm::kNetPage);
  form.RequestButtonClick();
  Settle();
  auto* terminal = Child<QListView>("CommTerminalLB");
  auto* dump = Child<QListView>("DebugLineTerminalLB");
  EXPECT_EQ(LogLines("CommTerminalLB").value(0), QStringLiteral("-> NETADDRESS=??;"));
  for (QListView* list : {terminal, dump}) {
    QStringList items;
    for (const QAction* action : list->actions()) items << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(items, (QStringList{"Очистить окно терминала", "-", "Сохранить в файле..."}));
  }
  static_cast<TLogLinesModel*>(terminal->model())->Append({QStringLiteral("<- Ответ: норма")});

  // Every line of the page, scrolled out of sight or not, in the code page
  // of the program's files; a folder that is not there is reported.
  const qsizetype lines = LogLines("CommTerminalLB").size();
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("terminal.txt")), FDir.filePath(QStringLiteral("no/dump.txt"))};
  terminal->actions()[2]->trigger();
  dump->actions()[2]->trigger();
  EXPECT_TRUE(FDialogs.Asked.empty()) << "the file dialog waits for the menu to close";
  QCoreApplication::processEvents();
  const QByteArray saved = ReadFile(QStringLiteral("terminal.txt"));
  EXPECT_TRUE(saved.startsWith("-> NETADDRESS=??;\r\n<- "));
  EXPECT_TRUE(saved.endsWith("\r\n<- " + Win1251::FromUnicode(QStringLiteral("Ответ: норма")) + "\r\n"));
  EXPECT_EQ(saved.count("\r\n"), lines);
  EXPECT_EQ(FDialogs.Texts(), QStringList{QStringLiteral("Записать журнал в файл не удалось!")});

  terminal->actions()[0]->trigger();
  EXPECT_TRUE(LogLines("CommTerminalLB").isEmpty());
  EXPECT_FALSE(LogLines("DebugLineTerminalLB").isEmpty());
  dump->actions()[0]->trigger();
  EXPECT_TRUE(LogLines("DebugLineTerminalLB").isEmpty());
}

// An adapter pulled out and put back under the same name: the dead handle
// is let go at once, the status bar says the port is missing, and the next
// command opens it again by itself.
TEST_F(MainFormTest, APortPulledOutAndPutBackIsOpenedAgainByTheNextCommand) {
  const QString port = FDir.filePath(QStringLiteral("ttyQEV"));
  ASSERT_TRUE(QFile::link(FServer->SlavePath(), port));
  WriteComPort(port);
  TMainForm& form = Start();
  auto* link = Child<QLabel>("LinkPanel");
  const auto count = [this](const QString& part) {
    const QStringList lines = LogLines("CommTerminalLB");
    return std::count_if(lines.begin(), lines.end(), [&part](const QString& line) { return line.contains(part); });
  };
  form.ApplyAccessRights("1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;");
  form.SelectSettingsPage(TMainForm::kNetPage);
  Settle();
  TakeRequests();
  form.RequestButtonClick();
  Settle();
  ASSERT_EQ(TakeRequests().size(), 3);

  // The device node goes with the device.
  FServer.reset();
  ASSERT_TRUE(QFile::remove(port));
  for (int command = 0; command < 2; ++command) {
    form.RequestButtonClick();
    Settle();
    EXPECT_EQ(link->text(), QStringLiteral("нет связи: порт недоступен"));
    EXPECT_EQ(form.Channel()->State(), TRS232Channel::kStateNotOpen);
  }
  EXPECT_EQ(count(QStringLiteral("недоступен")), 1) << "one line when the port goes";
  EXPECT_LE(link->sizeHint().width(), link->width()) << "the text fits its panel";

  FServer = std::make_unique<TPtyEmulatorServer>(FEmulator);
  ASSERT_TRUE(FServer->Start());
  ASSERT_TRUE(QFile::link(FServer->SlavePath(), port));
  FDialogs.Asked.clear();
  form.RequestButtonClick();
  Settle();
  EXPECT_EQ(TakeRequests().size(), 3) << "the port opened again reaches the installation";
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(count(QStringLiteral("снова открыт")), 1);
  EXPECT_TRUE(link->text().startsWith(QStringLiteral("связь "))) << link->text().toStdString();
}
