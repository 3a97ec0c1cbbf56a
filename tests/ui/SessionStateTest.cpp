// What the window knows of its session with the installation: levels
// changed during test mode and with data windows open, commands asked for
// during a poll, the controls that write at once on unread, failed and read
// pages (what reaches the installation), the same controls driven through
// the accessibility interface, old values after a partial read, and the
// window closed in the middle of an exchange.

#include "ArchiveChartWindow.h"
#include "DeviceArchiveParamSelector.h"
#include "DeviceCatalogue.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "SerialPort.h"
#include "SpectrView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

namespace {

const QString kTestModeQuestion = QStringLiteral(
    "Переключение прибора в тестовый режим может исказить результаты текущих измерений. Включать тестовый режим?");
const QString kExitQuestion = QStringLiteral("Вы действительно хотите покинуть программу?");
const QString kAllPages = QStringLiteral("1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;");
const QStringList kCommonGroup = {"DATETIME",       "SERIALN",        "DRYCONTACTIN", "DRYCONTACTOUT",
                                  "ADRYCONTACTTHR", "BDRYCONTACTTHR", "RESOURCE"};
const QStringList kAlarmBlock = {"BAS_SIRENE", "BAS_INDICATOR"};

}  // namespace

class SessionStateTest : public MainFormFixture {
 public:
  // The rows of the tables below drive the fixture.
  using MainFormFixture::AnswerEveryRequest;
  using MainFormFixture::Child;
  using MainFormFixture::CurrentSheet;
  using MainFormFixture::FailEveryRequest;
  using MainFormFixture::FDialogs;
  using MainFormFixture::FEmulator;
  using MainFormFixture::Names;
  using MainFormFixture::SettingsPages;
  using MainFormFixture::Settle;
  using MainFormFixture::StartConnected;
  using MainFormFixture::TakeRequests;
  using MainFormFixture::Variable;

  TMainForm& StartInTestMode() {
    TMainForm& form = StartConnected();
    FDialogs.Answers = {QMessageBox::Yes};
    SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
    Settle();
    EXPECT_TRUE(form.TestMode());
    FDialogs.Asked.clear();
    TakeRequests();
    return form;
  }

  void ResetDialogs() {
    FDialogs.Asked.clear();
    FDialogs.Answers.clear();
    FDialogs.DialogAnswers.clear();
    FDialogs.DialogsRun = 0;
  }

  void ReadCommonPage() {
    FForm->ExecuteCommand(TMainForm::TCommand::ReadCommon);
    Settle();
  }

  using MainFormFixture::Start;
  using MainFormFixture::WriteComPort;

  // The choice of a radio group that is not selected now.
  QAbstractButton* OtherChoice(const char* on, const char* off) const {
    auto* onButton = Child<QRadioButton>(on);
    return onButton->isChecked() ? static_cast<QAbstractButton*>(Child<QRadioButton>(off)) : onButton;
  }

  QString LogText() const { return LogLines("CommTerminalLB").join('\n') + '\n'; }
};

TEST_F(SessionStateTest, LevelsModesAndCommandsDuringAPollLeaveTheSessionSound) {
  struct TRow {
    const char* Name;
    std::function<void(SessionStateTest&)> Run;
  };
  const std::vector<TRow> rows = {
      {"a level hiding Тест in test mode leaves it at once, without a question",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartInTestMode();
         form.ApplyAccessRights("1-1;1-2;");
         t.Settle();
         const QByteArrayList sent = t.TakeRequests();
         EXPECT_EQ(sent.value(0), QByteArray("MODE=0;"));
         EXPECT_EQ(t.Variable("MODE"), QByteArray("0"));
         EXPECT_FALSE(form.TestMode());
         EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
         EXPECT_TRUE(t.FDialogs.Asked.empty());
         EXPECT_TRUE(t.LogText().contains(QStringLiteral("тестовый режим выключается")));
         QTest::qWait(1200);
         EXPECT_FALSE(t.Names(t.TakeRequests()).contains("TEST")) << "the poll has stopped";
       }},
      {"a level whose first settings page is Тест asks; refused, the actuators stay off",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartConnected();
         t.FDialogs.Answers = {QMessageBox::No};
         form.ApplyAccessRights("1-5;1-7;4;5;");
         t.Settle();
         EXPECT_EQ(t.FDialogs.Texts(), QStringList{kTestModeQuestion});
         EXPECT_EQ(t.CurrentSheet("Page1PageControl"), QStringLiteral("TestSheet"));
         EXPECT_FALSE(form.TestMode());
         for (const char* name : {"PumpBtn", "TapeBtn", "ActCalculateBtn"}) {
           auto* button = t.Child<QPushButton>(name);
           EXPECT_FALSE(button->isEnabled()) << name;
           button->click();
         }
         t.Settle();
         EXPECT_TRUE(t.TakeRequests().isEmpty());
       }},
      {"a level hiding Архив closes the chart of its records",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartConnected();
         t.FDialogs.DialogAnswers.push_back([](QDialog& dialog) {
           auto& selector = static_cast<TArchiveParamSelector&>(dialog);
           selector.SetLowRange(1);
           selector.SetHighRange(3);
           return QDialog::Accepted;
         });
         form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
         t.Settle();
         t.Child<QPushButton>("ChartButton")->click();
         ASSERT_NE(form.ArchiveChartWindow(), nullptr);
         EXPECT_TRUE(form.ArchiveChartWindow()->isVisible());
         form.ApplyAccessRights("1-1;");
         EXPECT_FALSE(form.ArchiveChartWindow()->isVisible());
       }},
      {"a level hiding Фоновый takes the background off the main spectrum",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartConnected();
         QAction* overlay = form.MainSpectrView()->CompanionItem();
         overlay->setChecked(true);
         form.ApplyAccessRights("2-1;");
         EXPECT_FALSE(overlay->isChecked());
         EXPECT_FALSE(overlay->isVisible());
         form.ApplyAccessRights(kAllPages.toLatin1());
         EXPECT_TRUE(overlay->isVisible());
       }},
      {"exit asked during a poll is asked right after it",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartInTestMode();
         t.FDialogs.Answers = {QMessageBox::No};
         form.ExecuteCommand(TMainForm::TCommand::ReadTest);
         EXPECT_FALSE(form.close());
         t.Settle();
         EXPECT_EQ(t.FDialogs.Texts(), QStringList{kExitQuestion});
         EXPECT_TRUE(form.TestMode());
       }},
      {"a dialog asked during a poll runs after it; a second one is dropped",
       [](SessionStateTest& t) {
         TMainForm& form = t.StartInTestMode();
         form.ExecuteCommand(TMainForm::TCommand::ReadTest);
         form.ExecuteCommand(TMainForm::TCommand::About);
         form.ExecuteCommand(TMainForm::TCommand::SerialSettings);
         t.Settle();
         EXPECT_EQ(t.FDialogs.DialogsRun, 1);
       }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    ResetDialogs();
    WriteFile(QStringLiteral("qev.dtf"), "1\r\n1\r\n");
    row.Run(*this);
    FForm.reset();
  }
}

TEST_F(SessionStateTest, ControlsThatWriteAtOnceSendOnlyWhatTheInstallationGave) {
  struct TControl {
    const char* Name;
    std::function<QAbstractButton*(SessionStateTest&)> Button;
    QStringList Sent;
  };
  const std::vector<TControl> controls = {
      {"Сирена", [](SessionStateTest& t) { return t.Child<QAbstractButton>("SireneBtn"); }, kAlarmBlock},
      {"Желтый", [](SessionStateTest& t) { return t.Child<QAbstractButton>("BASIndRB2"); }, kAlarmBlock},
      {"Выход", [](SessionStateTest& t) { return t.OtherChoice("DryContactOUTOn", "DryContactOUTOff"); }, kCommonGroup},
      {"Синхронизация", [](SessionStateTest& t) { return t.Child<QAbstractButton>("SynchroBtn"); }, kCommonGroup},
  };
  struct TState {
    const char* Name;
    std::function<void(SessionStateTest&)> Prepare;
    bool Writes;
  };
  const std::vector<TState> states = {
      {"unread", [](SessionStateTest&) {}, false},
      {"failed",
       [](SessionStateTest& t) {
         t.FailEveryRequest();
         t.ReadCommonPage();
         t.AnswerEveryRequest();
       },
       false},
      {"read after a failed read",
       [](SessionStateTest& t) {
         t.FailEveryRequest();
         t.ReadCommonPage();
         t.AnswerEveryRequest();
         t.ReadCommonPage();
       },
       true},
      {"failed after a good read",
       [](SessionStateTest& t) {
         t.ReadCommonPage();
         t.FailEveryRequest();
         t.ReadCommonPage();
         t.AnswerEveryRequest();
       },
       false},
  };
  WriteComPort();
  for (const TState& state : states) {
    for (const TControl& control : controls) {
      SCOPED_TRACE(std::string(state.Name) + " / " + control.Name);
      Start().ApplyAccessRights(kAllPages.toLatin1());
      state.Prepare(*this);
      TakeRequests();
      QAbstractButton* button = control.Button(*this);
      EXPECT_EQ(button->isEnabled(), state.Writes);
      // As the mouse does on the button's face (a click does nothing on a
      // disabled button).
      button->click();
      Settle();
      const QStringList sent = Names(TakeRequests());
      EXPECT_EQ(sent, state.Writes ? control.Sent : QStringList());
      for (const QByteArray& name : {"SERIALN", "RESOURCE", "BAS_INDICATOR"})
        EXPECT_NE(Variable(name), QByteArray()) << name.constData() << " was emptied";
    }
  }
}

TEST_F(SessionStateTest, ControlsActTheSameThroughTheAccessibilityInterface) {
  struct TRow {
    const char* Name;
    std::function<QAbstractButton*(SessionStateTest&)> Button;
    QStringList Sent;
    QByteArray Variable;
  };
  const std::vector<TRow> rows = {
      {"Желтый", [](SessionStateTest& t) { return t.Child<QAbstractButton>("BASIndRB2"); }, kAlarmBlock,
       "BAS_INDICATOR"},
      {"Сирена", [](SessionStateTest& t) { return t.Child<QAbstractButton>("SireneBtn"); }, kAlarmBlock, "BAS_SIRENE"},
      {"Выход", [](SessionStateTest& t) { return t.OtherChoice("DryContactOUTOn", "DryContactOUTOff"); }, kCommonGroup,
       "DRYCONTACTOUT"},
      // Only the variable changes; "Записать в прибор" sends it.
      {"Ethernet",
       [](SessionStateTest& t) { return t.OtherChoice("EthernetModeOn", "EthernetModeOff"); },
       {},
       "ETHERNET"},
  };
  WriteComPort();
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TMainForm& form = Start();
    form.ApplyAccessRights(kAllPages.toLatin1());
    form.show();
    ReadCommonPage();
    form.ExecuteCommand(TMainForm::TCommand::ReadNet);
    Settle();
    TakeRequests();
    const QByteArray before = row.Variable == "ETHERNET" ? form.NGAS()->NetVarList().GetItem(NetVar::ETHERNET)->Value
                                                         : Variable(row.Variable);
    QAbstractButton* button = row.Button(*this);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    const QStringList actions = accessible->actionInterface()->actionNames();
    const QString action = actions.contains(QAccessibleActionInterface::toggleAction())
                               ? QAccessibleActionInterface::toggleAction()
                               : QAccessibleActionInterface::pressAction();
    accessible->actionInterface()->doAction(action);
    // A press is an animated click: it lands after a short while.
    QTest::qWait(300);
    Settle();
    EXPECT_EQ(Names(TakeRequests()), row.Sent);
    const QByteArray after = row.Variable == "ETHERNET" ? form.NGAS()->NetVarList().GetItem(NetVar::ETHERNET)->Value
                                                        : Variable(row.Variable);
    EXPECT_NE(after, before);
  }
}

TEST_F(SessionStateTest, ValuesThatDidNotComeWithAPartialReadAreShownAsOld) {
  TMainForm& form = StartConnected();
  ReadCommonPage();
  EXPECT_TRUE(Child<QLabel>("ResourcePanel")->toolTip().isEmpty());
  EXPECT_TRUE(Child<QLabel>("PageAgePanel")->text().isEmpty());
  ASSERT_TRUE(FEmulator.SetVariable("SERIALN", "777"));
  ASSERT_TRUE(FEmulator.SetVariable("RESOURCE", "99"));
  // DATETIME and SERIALN come, the rest of the page does not.
  TFaultPlan plan;
  plan.Kind = TFaultKind::NoAnswer;
  plan.After = 2;
  FEmulator.SetFaults(plan);
  ReadCommonPage();
  EXPECT_EQ(Child<QLabel>("NumPanel")->text(), QStringLiteral("777"));
  EXPECT_TRUE(Child<QLabel>("NumPanel")->toolTip().isEmpty());
  EXPECT_NE(Child<QLabel>("ResourcePanel")->text(), QStringLiteral("99"));
  EXPECT_TRUE(Child<QLabel>("ResourcePanel")->toolTip().startsWith(QStringLiteral("Прочитано")));
  EXPECT_NE(Child<QLabel>("ResourcePanel")->palette().color(QPalette::WindowText),
            Child<QLabel>("NumPanel")->palette().color(QPalette::WindowText));
  EXPECT_TRUE(Child<QLabel>("PageAgePanel")->text().startsWith(QStringLiteral("страница прочитана целиком")));
  EXPECT_FALSE(Child<QAbstractButton>("SireneBtn")->isEnabled());
  AnswerEveryRequest();
  ReadCommonPage();
  EXPECT_TRUE(Child<QLabel>("ResourcePanel")->toolTip().isEmpty());
  EXPECT_EQ(Child<QLabel>("ResourcePanel")->text(), QStringLiteral("99"));
  EXPECT_TRUE(form.Session()->HasDeviceValues(TSettingsGroup::AlarmBlock));
}

TEST_F(SessionStateTest, ClosingTheWindowDuringAnExchangeEndsWithinItsTimeOuts) {
  struct TRow {
    const char* Name;
    std::function<void(SessionStateTest&, TMainForm&)> Begin;
  };
  const std::vector<TRow> rows = {
      {"archive read",
       [](SessionStateTest& t, TMainForm& form) {
         t.FDialogs.DialogAnswers.push_back([](QDialog& dialog) {
           auto& selector = static_cast<TArchiveParamSelector&>(dialog);
           selector.SetLowRange(1);
           selector.SetHighRange(500);
           return QDialog::Accepted;
         });
         form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
         QTest::qWaitFor([&t] { return t.FEmulator.RequestCount() > 20; }, 10000);
       }},
      {"test-mode poll",
       [](SessionStateTest& t, TMainForm& form) {
         t.FEmulator.SetFaults({TFaultKind::Late, 0, 0, 400});
         form.ExecuteCommand(TMainForm::TCommand::ReadTest);
         QTest::qWait(100);
       }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    ResetDialogs();
    AnswerEveryRequest();
    TMainForm& form = StartConnected();
    row.Begin(*this, form);
    ASSERT_FALSE(form.Controller()->Idle());
    QElapsedTimer clock;
    clock.start();
    // The window stops its controller and goes while the exchange runs.
    form.Shutdown();
    FForm.reset();
    EXPECT_LT(clock.elapsed(), 5000);
    const qsizetype seen = FEmulator.RequestCount();
    QTest::qWait(300);
    EXPECT_EQ(FEmulator.RequestCount(), seen) << "nothing is sent after the end";
  }
}
