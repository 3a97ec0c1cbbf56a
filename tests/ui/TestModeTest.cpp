// The test mode against the emulated installation: entering and leaving it
// through the sub-page "Тест", the actuator buttons, the polling and its
// period, and the status bar.

#include "DeviceCatalogue.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "NGASDelayTime.h"
#include "SettingsPages.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kTestModeQuestion = QStringLiteral(
    "Переключение прибора в тестовый режим может исказить результаты текущих измерений. Включать тестовый режим?");
const QString kNormalModeQuestion = QStringLiteral(
    "Переключение прибора в нормальный режим вызовет перезагрузку контроллера ЛЮГ и может исказить результаты "
    "текущих измерений. Включать нормальный режим?");

}  // namespace

class TestModeTest : public MainFormFixture {
 protected:
  TMainForm& StartInTestMode() {
    TMainForm& form = StartConnected();
    form.show();
    FDialogs.Answers = {QMessageBox::Yes};
    SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
    Settle();
    EXPECT_TRUE(form.TestMode());
    FDialogs.Asked.clear();
    TakeRequests();
    return form;
  }

  QString PanelText(const char* name) const { return Child<QLabel>(name)->text(); }
  QByteArray TestValue() { return FForm->NGAS()->TestVarList().GetItem(TestVar::TEST)->Value; }

  // Waits for the emulator to see a request, for at most the given time.
  bool WaitForRequests(int ms) {
    for (int waited = 0; waited < ms && FEmulator.RequestCount() == 0; waited += 50) QTest::qWait(50);
    return FEmulator.RequestCount() > 0;
  }
};

TEST_F(TestModeTest, EnteringTestModeReadsTheTestValuesAndStartsThePolling) {
  TMainForm& form = StartConnected();
  FDialogs.Answers = {QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
  Settle();
  EXPECT_EQ(FDialogs.Texts(), QStringList{kTestModeQuestion});
  EXPECT_EQ(FDialogs.Asked[0].Kind, TOperatorDialogs::TMessageKind::Confirmation);
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::Yes | QMessageBox::No);
  const QByteArrayList sent = TakeRequests();
  EXPECT_EQ(sent.value(0), QByteArray("MODE=1;"));
  EXPECT_EQ(Names(sent), (QStringList{"MODE", "TEST", "FLOW", "VOLUME"}));
  EXPECT_EQ(Variable("MODE"), QByteArray("1"));
  EXPECT_TRUE(form.TestMode());
  EXPECT_FALSE(Action("RequestButton")->isEnabled());
  EXPECT_FALSE(Action("DispatchButton")->isEnabled());
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kTestPage);
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive());
  EXPECT_EQ(form.TestModeRequestTimer()->interval(), 10000);
  EXPECT_EQ(PanelText("PumpOnOffPanel"), QStringLiteral("ВЫКЛ")) << "the switch stops every actuator";
}

TEST_F(TestModeTest, TheActuatorButtonsToggleTheirBitAndWriteTheTestGroup) {
  StartInTestMode();
  ASSERT_TRUE(FEmulator.SetVariable("TEST", "129"));
  ASSERT_TRUE(FEmulator.SetVariable("SUMALPHA", "4.5"));
  FForm->ExecuteCommand(TMainForm::TCommand::ReadTest);
  Settle();
  EXPECT_EQ(Names(TakeRequests()), (QStringList{"TEST", "FLOW", "VOLUME", "SUMALPHA", "SUMBETA", "RADON"}))
      << "with the activity calculation on the activities are read too";
  EXPECT_EQ(PanelText("PumpOnOffPanel"), QStringLiteral("ВКЛ"));
  EXPECT_EQ(PanelText("TapeOnOffPanel"), QStringLiteral("ВЫКЛ"));
  EXPECT_EQ(PanelText("ActCalculateOnOffPanel"), QStringLiteral("ВКЛ"));
  EXPECT_EQ(PanelText("tValue1Panel"), QStringLiteral("4.5"));

  QTest::mouseClick(Child<QPushButton>("TapeBtn"), Qt::LeftButton);
  Settle();
  const QByteArrayList sent = TakeRequests();
  ASSERT_FALSE(sent.isEmpty());
  EXPECT_EQ(sent.first(), QByteArray("TEST=131;"));
  EXPECT_EQ(Names(sent), (QStringList{"TEST", "FLOW", "VOLUME"}));
  EXPECT_EQ(Variable("TEST"), QByteArray("131"));
  EXPECT_EQ(PanelText("TapeOnOffPanel"), QStringLiteral("ВКЛ")) << "the page shows the installation's answer";
}

TEST_F(TestModeTest, ClearingABitDropsTheBitsAboveBitSeven) {
  struct TRow {
    const char* Before;
    const char* Pump;
    const char* Button;
    const char* Sent;
  };
  const TRow rows[] = {{"300", "ВЫКЛ", "PumpBtn", "TEST=301;"},
                       {"300", "ВЫКЛ", "ActCalculateBtn", "TEST=428;"},
                       {"301", "ВКЛ", "PumpBtn", "TEST=44;"},
                       {"abc", "ВЫКЛ", "TapeBtn", "TEST=2;"},
                       {" 3 ", "ВКЛ", "TapeBtn", "TEST=1;"}};
  TMainForm& form = StartInTestMode();
  for (const TRow& row : rows) {
    form.NGAS()->TestVarList().GetItem(TestVar::TEST)->Value = row.Before;
    form.SettingsPages()->RefreshTestPage();
    EXPECT_EQ(PanelText("PumpOnOffPanel"), QString::fromUtf8(row.Pump)) << row.Before;
    QTest::mouseClick(Child<QPushButton>(row.Button), Qt::LeftButton);
    Settle();
    EXPECT_EQ(TakeRequests().value(0), QByteArray(row.Sent)) << row.Before << row.Button;
  }
}

TEST_F(TestModeTest, ThePollingPausesWhileAnActuatorIsWritten) {
  TMainForm& form = StartInTestMode();
  bool pollingDuringWrite = true;
  int checked = 0;
  QTimer::singleShot(0, &form, [&] {
    ++checked;
    pollingDuringWrite = form.TestModeRequestTimer()->isActive();
  });
  QTest::mouseClick(Child<QPushButton>("PumpBtn"), Qt::LeftButton);
  Settle();
  EXPECT_EQ(checked, 1);
  EXPECT_FALSE(pollingDuringWrite);
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive());
  EXPECT_EQ(Variable("TEST"), QByteArray("1"));
}

// The poll's ticks that fall while another command runs are not lost, nor
// run inside it: one poll follows that command.
TEST_F(TestModeTest, TicksDuringAnotherCommandPollOnceAfterIt) {
  TMainForm& form = StartInTestMode();
  form.ExecuteCommand(TMainForm::TCommand::ReadNet);
  ASSERT_EQ(form.BusyState(), TBusyState::Reading);
  for (int tick = 0; tick < 2; ++tick) QMetaObject::invokeMethod(form.TestModeRequestTimer(), "timeout");
  Settle();
  EXPECT_EQ(Names(TakeRequests()), (QStringList{"NETADDRESS", "NETBAUDRATE", "ETHERNET", "TEST", "FLOW", "VOLUME"}));
}

// The poll has no wait window: an actuator pressed while it runs is written
// once it is over, not against the variables the poll is filling.
TEST_F(TestModeTest, AnActuatorPressedDuringAPollIsWrittenAfterIt) {
  TMainForm& form = StartInTestMode();
  form.ExecuteCommand(TMainForm::TCommand::ReadTest);
  QTest::mouseClick(Child<QPushButton>("PumpBtn"), Qt::LeftButton);
  Settle();
  const QByteArrayList sent = TakeRequests();
  ASSERT_EQ(sent.size(), 6);
  EXPECT_EQ(sent.at(0), QByteArray("TEST=??;"));
  EXPECT_EQ(sent.at(3), QByteArray("TEST=1;"));
  EXPECT_EQ(Variable("TEST"), QByteArray("1"));
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive());
}

TEST_F(TestModeTest, DecliningTheTestModeShowsTheCommonPageWithoutAModeWrite) {
  TMainForm& form = StartConnected();
  FDialogs.Answers = {QMessageBox::No};
  SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
  Settle();
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kCommonPage);
  const QStringList names = Names(TakeRequests());
  EXPECT_FALSE(names.contains(QStringLiteral("MODE")));
  EXPECT_EQ(names.first(), QStringLiteral("DATETIME"));
  EXPECT_FALSE(form.TestMode());
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
}

TEST_F(TestModeTest, DecliningTheNormalModeAndConfirmingTheTestModeKeepsTheTestPage) {
  TMainForm& form = StartInTestMode();
  FDialogs.Answers = {QMessageBox::No, QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kNetPage);
  Settle();
  EXPECT_EQ(FDialogs.Texts(), (QStringList{kNormalModeQuestion, kTestModeQuestion}));
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kTestPage);
  EXPECT_TRUE(form.TestMode());
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive());
  EXPECT_TRUE(TakeRequests().isEmpty()) << "nothing is read";
  EXPECT_EQ(Variable("MODE"), QByteArray("1"));
}

TEST_F(TestModeTest, LeavingTheTestModeWritesTheNormalModeAndReadsTheNewPageOnce) {
  TMainForm& form = StartInTestMode();
  FDialogs.Answers = {QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kNetPage);
  Settle();
  EXPECT_EQ(FDialogs.Texts(), QStringList{kNormalModeQuestion});
  const QByteArrayList sent = TakeRequests();
  EXPECT_EQ(sent.value(0), QByteArray("MODE=0;"));
  EXPECT_EQ(Names(sent), (QStringList{"MODE", "NETADDRESS", "NETBAUDRATE", "ETHERNET"}));
  EXPECT_FALSE(form.TestMode());
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  EXPECT_TRUE(Action("RequestButton")->isEnabled());
  EXPECT_TRUE(Action("DispatchButton")->isEnabled());
}

TEST_F(TestModeTest, AFailedReturnToNormalModeStopsThePollingAndKeepsTheButtonsDisabled) {
  TMainForm& form = StartInTestMode();
  FailEveryRequest();
  FDialogs.Answers = {QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kPumpPage);
  Settle();
  AnswerEveryRequest();
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kPumpPage);
  EXPECT_EQ(FDialogs.Texts(), QStringList{kNormalModeQuestion}) << "no message follows";
  const QStringList names = Names(TakeRequests());
  EXPECT_FALSE(names.isEmpty());
  EXPECT_EQ(names.count(QStringLiteral("MODE")), names.size()) << "the page is not read";
  EXPECT_TRUE(form.TestMode());
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  EXPECT_FALSE(Action("RequestButton")->isEnabled());
  EXPECT_FALSE(Action("DispatchButton")->isEnabled());

  // Back on the test page the operator drives an actuator: the poll starts
  // again.
  FDialogs.Answers = {QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
  Settle();
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  QTest::mouseClick(Child<QPushButton>("PumpBtn"), Qt::LeftButton);
  Settle();
  EXPECT_EQ(TakeRequests().value(0), QByteArray("TEST=1;"));
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive());
}

TEST_F(TestModeTest, AFailedSwitchIsReportedAndTheCommonPageIsRead) {
  TMainForm& form = StartConnected();
  FailEveryRequest();
  FDialogs.Answers = {QMessageBox::Yes};
  SettingsPages()->setCurrentIndex(TMainForm::kTestPage);
  Settle();
  AnswerEveryRequest();
  ASSERT_EQ(FDialogs.Asked.size(), 2u);
  EXPECT_EQ(FDialogs.Asked[1].Text, QStringLiteral("Не удалось включить тестовый режим"));
  EXPECT_EQ(FDialogs.Asked[1].Kind, TOperatorDialogs::TMessageKind::Error);
  EXPECT_EQ(FDialogs.Asked[1].Buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
  EXPECT_EQ(SettingsPages()->currentIndex(), TMainForm::kCommonPage);
  EXPECT_TRUE(Names(TakeRequests()).contains(QStringLiteral("DATETIME")));
  EXPECT_FALSE(form.TestMode());
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  EXPECT_TRUE(Action("RequestButton")->isEnabled());
}

TEST_F(TestModeTest, APeriodOfZeroPollsNeverAndANewPeriodAppliesAtOnce) {
  WriteFile(QStringLiteral("qev.dtf"), "0\r\n1\r\n");
  TMainForm& form = StartInTestMode();
  EXPECT_EQ(form.TestModeRequestTimer()->interval(), 0);
  EXPECT_FALSE(form.TestModeRequestTimer()->isActive());
  EXPECT_FALSE(WaitForRequests(1200));

  TDelayTimeWindow delay;
  form.SetNumberDialogs(&delay, nullptr);
  FDialogs.DialogAnswers = {[](QDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("NumME"));
    EXPECT_EQ(edit->text().trimmed(), QString()) << "0 is not a period the dialog offers";
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1"));
    return int(QDialog::Accepted);
  }};
  Action("TestPauseMenuItem")->trigger();
  Settle();
  EXPECT_EQ(form.TestRequestPeriod(), 1);
  EXPECT_EQ(ReadFile(QStringLiteral("qev.dtf")), QByteArray("1\r\n1\r\n"));
  EXPECT_TRUE(form.TestModeRequestTimer()->isActive()) << "the poll starts without leaving the test mode";
  ASSERT_TRUE(WaitForRequests(5000));
  EXPECT_EQ(TakeRequests().value(0), QByteArray("TEST=??;"));
}

TEST_F(TestModeTest, TheStatusBarShowsTheClockAndTheStateOfTheLink) {
  TMainForm& form = StartConnected();
  auto* clock = Child<QLabel>("ClockPanel");
  auto* link = Child<QLabel>("LinkPanel");
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  const QTime shown = QTime::fromString(clock->text(), format.trimmed());
  ASSERT_TRUE(shown.isValid()) << clock->text().toStdString();
  EXPECT_LE(std::abs(shown.secsTo(QTime::currentTime())), 2);
  EXPECT_TRUE(link->text().isEmpty()) << "nothing was exchanged yet";

  form.SelectSettingsPage(TMainForm::kNetPage);
  form.RequestButtonClick();
  Settle();
  EXPECT_TRUE(link->text().startsWith(QStringLiteral("связь "))) << link->text().toStdString();
  const QTime answered = QTime::fromString(link->text().mid(6), format.trimmed());
  ASSERT_TRUE(answered.isValid()) << link->text().toStdString();
  EXPECT_LE(std::abs(answered.secsTo(QTime::currentTime())), 2);
  EXPECT_LE(link->sizeHint().width(), link->width()) << "the text fits its panel";

  FailEveryRequest();
  form.RequestButtonClick();
  Settle();
  AnswerEveryRequest();
  EXPECT_EQ(link->text(), QStringLiteral("нет связи"));
  form.RequestButtonClick();
  Settle();
  EXPECT_TRUE(link->text().startsWith(QStringLiteral("связь ")));
}
