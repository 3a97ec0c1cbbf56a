// The settings pages against the emulated installation: what a read shows in
// the panels, indicators, choices and pickers, and what the operator's edits
// and clicks send back.

#include "DeviceCatalogue.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "SettingsPages.h"
#include "Win1251.h"
#include "WireTextValidator.h"

#include <QAction>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimeEdit>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kLime(0, 255, 0);

QColor Colour(const QLabel* panel) { return panel->palette().color(QPalette::Window); }

}  // namespace

class PageBindingTest : public MainFormFixture {
 protected:
  TMainForm& StartShown() {
    TMainForm& form = StartConnected();
    form.show();
    return form;
  }

  void ReadPage(int page) {
    FForm->SelectSettingsPage(page);
    Action("RequestButton")->trigger();
    Settle();
  }

  // A radio button takes a click only on its circle and caption, which may
  // be narrower than the button.
  void Click(const char* name) {
    auto* button = Child<QAbstractButton>(name);
    QPoint where = button->rect().center();
    if (qobject_cast<QRadioButton*>(button)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      where = button->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, button).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, where);
    Settle();
  }

  void Type(const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    Settle();
    // The test library spells out ASCII keys only; other letters arrive as
    // the text of a key event, as from a Cyrillic keyboard layout.
    for (const QChar character : text) {
      if (character.unicode() < 0x80) {
        QTest::keyClick(edit, character.toLatin1());
        Settle();
      } else {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(edit, &press);
      }
    }
  }

  QByteArray CommonValue(int position) { return FForm->NGAS()->CommonVarList().GetItem(position)->Value; }
  QLabel* Panel(const char* name) const { return Child<QLabel>(name); }
  QDateEdit* DevDate() const { return Child<QDateEdit>("DevDate"); }
  QTimeEdit* DevTime() const { return Child<QTimeEdit>("DevTime"); }
};

TEST_F(PageBindingTest, TheInstallationsClockIsShownInThePickersAndAChangedPartIsWrittenBack) {
  StopEmulatorClock(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
  ASSERT_TRUE(FEmulator.SetVariable("DATETIME", "07/03/2005 14.05.09"));
  StartShown();
  ReadPage(TMainForm::kCommonPage);
  EXPECT_EQ(DevDate()->date(), QDate(2005, 3, 7));
  EXPECT_EQ(DevTime()->time(), QTime(14, 5, 9));
  EXPECT_EQ(CommonValue(CommonVar::DATETIME), QByteArray("07/03/2005 14.05.09"));

  DevTime()->setTime(QTime(8, 0, 0));
  EXPECT_EQ(CommonValue(CommonVar::DATETIME), QByteArray("07/03/2005 08.00.00"));
  DevDate()->setDate(QDate(2006, 1, 2));
  EXPECT_EQ(CommonValue(CommonVar::DATETIME), QByteArray("02/01/2006 08.00.00"));
  TakeRequests();
  Action("DispatchButton")->trigger();
  Settle();
  const QByteArrayList sent = TakeRequests();
  ASSERT_FALSE(sent.isEmpty());
  EXPECT_EQ(sent.first(), QByteArray("DATETIME=02/01/2006 08.00.00;"));
  EXPECT_EQ(Variable("DATETIME"), QByteArray("02/01/2006 08.00.00"));
  EXPECT_EQ(DevDate()->date(), QDate(2006, 1, 2)) << "the page shows what the installation answered";
}

TEST_F(PageBindingTest, PickerChangesReplaceOnlyTheirPartOfTheText) {
  struct TRow {
    const char* Before;
    bool ChangeDate;
    const char* After;
  };
  // The pickers stand at 5 May 2010 10:20:30 when each change is made.
  const TRow rows[] = {
      {"07/03/2005 14.05.09 X", false, "07/03/2005 08.00.00"},
      {"07.03.2005 14:05:09", true, "02/01/2006 14:05:09"},
      {"07/03/2005", true, "07/03/2005"},
      {"", true, "02/01/2006 10.20.30"},
      {"   ", false, "05/05/2010 08.00.00"},
  };
  TMainForm& form = StartShown();
  TOPVarListItem* dateTime = form.NGAS()->CommonVarList().GetItem(CommonVar::DATETIME);
  for (const TRow& row : rows) {
    DevDate()->setDate(QDate(2010, 5, 5));
    DevTime()->setTime(QTime(10, 20, 30));
    dateTime->Value = row.Before;
    if (row.ChangeDate)
      DevDate()->setDate(QDate(2006, 1, 2));
    else
      DevTime()->setTime(QTime(8, 0, 0));
    EXPECT_EQ(dateTime->Value, QByteArray(row.After)) << row.Before;
  }
  EXPECT_EQ(FEmulator.RequestCount(), 0) << "neither picker writes to the installation";
}

TEST_F(PageBindingTest, ADateTimeThatDoesNotParseLeavesThePickersAlone) {
  const char* values[] = {"07/03/2005", "xx/03/2005 14.05.09", "31/02/2005 14.05.09"};
  TMainForm& form = StartShown();
  TOPVarListItem* dateTime = form.NGAS()->CommonVarList().GetItem(CommonVar::DATETIME);
  for (const char* value : values) {
    DevDate()->setDate(QDate(2010, 5, 5));
    DevTime()->setTime(QTime(10, 20, 30));
    dateTime->Value = value;
    form.SettingsPages()->RefreshCommonPage();
    EXPECT_EQ(DevDate()->date(), QDate(2010, 5, 5)) << value;
    EXPECT_EQ(DevTime()->time(), QTime(10, 20, 30)) << value;
    EXPECT_EQ(dateTime->Value, QByteArray(value)) << "showing a value does not change it";
  }
  // A valid date with an invalid time sets the date only.
  dateTime->Value = "07/03/2005 25.00.00";
  form.SettingsPages()->RefreshCommonPage();
  EXPECT_EQ(DevDate()->date(), QDate(2005, 3, 7));
  EXPECT_EQ(DevTime()->time(), QTime(10, 20, 30));
}

TEST_F(PageBindingTest, RefreshesLeaveTheValuesAsTheInstallationSentThem) {
  // Separators the window would write differently, a third word, and a
  // byte the code page has no character for: shown, then sent back as read.
  StopEmulatorClock(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
  StartShown();
  ASSERT_TRUE(FEmulator.SetVariable("ADRYCONTACTTHR", "5\x98"));
  ReadPage(TMainForm::kCommonPage);
  TOPVarListItem* dateTime = FForm->NGAS()->CommonVarList().GetItem(CommonVar::DATETIME);
  dateTime->Value = "07.03.2005 14:05:09 X";
  FForm->SettingsPages()->RefreshCommonPage();
  EXPECT_EQ(dateTime->Value, QByteArray("07.03.2005 14:05:09 X"));
  EXPECT_EQ(CommonValue(CommonVar::ADRYCONTACTTHR), QByteArray("5\x98"));

  TakeRequests();
  Action("DispatchButton")->trigger();
  Settle();
  const QByteArrayList sent = TakeRequests();
  EXPECT_TRUE(sent.contains("DATETIME=07.03.2005 14:05:09 X;"));
  EXPECT_TRUE(sent.contains("ADRYCONTACTTHR=5\x98;"));
}

TEST_F(PageBindingTest, EditsPutTheirTextIntoTheVariableThatTheWriteSends) {
  struct TRow {
    int Page;
    const char* Edit;
    const char* Name;
    QString Typed;
  };
  const TRow rows[] = {
      {TMainForm::kCommonPage, "DCLevelBetaEdit", "BDRYCONTACTTHR", QStringLiteral("125")},
      {TMainForm::kMeasurePage, "BAlarm2Edit", "BETAALARM2", QStringLiteral("7.5")},
      {TMainForm::kCounterPage, "DTEdit", "DURATIONTIME", QStringLiteral("120")},
      {TMainForm::kPumpPage, "PumpLowerLevelEdit", "PUMPLOWERLEVEL", QStringLiteral("15")},
      {TMainForm::kServicePage, "ForcedNetSendEdit", "FORCEDNETSENDFLAGS", QStringLiteral("3")},
      {TMainForm::kNetPage, "NetSpeedEdit", "NETBAUDRATE", QStringLiteral("9600")},
      {TMainForm::kServicePage, "IDCTHREdit", "ADCTHR", QStringLiteral("порог 2")},
  };
  StartShown();
  for (const TRow& row : rows) {
    ReadPage(row.Page);
    Type(row.Edit, row.Typed);
    TakeRequests();
    Action("DispatchButton")->trigger();
    Settle();
    const QByteArray item = QByteArray(row.Name) + '=' + Win1251::FromUnicode(row.Typed) + ';';
    EXPECT_TRUE(TakeRequests().contains(item)) << row.Name;
    EXPECT_EQ(Variable(row.Name), Win1251::FromUnicode(row.Typed)) << row.Name;
    EXPECT_EQ(Child<QLineEdit>(row.Edit)->text(), row.Typed) << row.Name;
  }
}

TEST_F(PageBindingTest, EditsRefuseTheCharactersThatDelimitItemsOnTheLine) {
  StartShown();
  ReadPage(TMainForm::kMeasurePage);
  Type("AAlarm1Edit", QStringLiteral("5;MODE=1"));
  EXPECT_EQ(Child<QLineEdit>("AAlarm1Edit")->text(), QStringLiteral("5MODE1"));
  EXPECT_EQ(FForm->NGAS()->MeasureVarList().GetItem(MeasureVar::ALPHAALARM1)->Value, QByteArray("5MODE1"));
  TakeRequests();
  Action("DispatchButton")->trigger();
  Settle();
  EXPECT_FALSE(Names(TakeRequests()).contains(QStringLiteral("MODE")));
  EXPECT_EQ(Variable("MODE"), QByteArray("0"));

  // A paste holding a separator is refused as a whole.
  auto* edit = Child<QLineEdit>("NetAddressEdit");
  edit->setText(QStringLiteral("12"));
  edit->selectAll();
  edit->insert(QStringLiteral("3;4"));
  EXPECT_EQ(edit->text(), QStringLiteral("12"));

  TWireTextValidator validator;
  struct TRow {
    QString Text;
    QValidator::State State;
  };
  const TRow rows[] = {{QString(), QValidator::Acceptable},
                       {QStringLiteral("12.5"), QValidator::Acceptable},
                       {QStringLiteral("Бета 2"), QValidator::Acceptable},
                       {QStringLiteral("1;"), QValidator::Invalid},
                       {QStringLiteral("a=b"), QValidator::Invalid}};
  for (const TRow& row : rows) {
    QString text = row.Text;
    int position = 0;
    EXPECT_EQ(validator.validate(text, position), row.State) << row.Text.toStdString();
  }
}

TEST_F(PageBindingTest, TheSirenShowsOnlyOneAsOnAndAClickWritesTheOtherState) {
  struct TRow {
    const char* Value;
    const char* Caption;
    QColor Colour;
    const char* Written;
  };
  const TRow rows[] = {{"2", "ВЫКЛ", kGrey, "0"}, {"0", "ВЫКЛ", kGrey, "1"}, {"1", "ВКЛ", kRed, "0"}};
  StartShown();
  for (const TRow& row : rows) {
    ASSERT_TRUE(FEmulator.SetVariable("BAS_SIRENE", row.Value));
    ReadPage(TMainForm::kCommonPage);
    EXPECT_EQ(Panel("SireneOnOffPanel")->text(), QString::fromUtf8(row.Caption)) << row.Value;
    EXPECT_EQ(Colour(Panel("SireneOnOffPanel")), row.Colour) << row.Value;
    TakeRequests();
    Click("SireneBtn");
    EXPECT_EQ(Names(TakeRequests()), (QStringList{"BAS_SIRENE", "BAS_INDICATOR"})) << row.Value;
    EXPECT_EQ(Variable("BAS_SIRENE"), QByteArray(row.Written)) << row.Value;
    EXPECT_EQ(Panel("SireneOnOffPanel")->text(), QString::fromUtf8(*row.Written == '1' ? "ВКЛ" : "ВЫКЛ"));
  }
}

TEST_F(PageBindingTest, TheAlarmLampsFollowTheIndicatorAndTheColourButtonsSetIt) {
  struct TRow {
    const char* Value;
    QColor Red, Yellow, Green;
    const char* Selected;
    const char* Clicked;
    const char* Written;
  };
  const TRow rows[] = {
      {"5", {128, 0, 0}, {128, 128, 0}, {0, 255, 0}, "BASIndRB3", "BASIndRB3", "0"},
      {"1", {128, 0, 0}, {255, 255, 0}, {0, 128, 0}, "BASIndRB2", "BASIndRB1", "2"},
      {"2", {255, 0, 0}, {128, 128, 0}, {0, 128, 0}, "BASIndRB1", "BASIndRB2", "1"},
      {"0", {128, 0, 0}, {128, 128, 0}, {0, 255, 0}, "BASIndRB3", "BASIndRB1", "2"},
  };
  StartShown();
  for (const TRow& row : rows) {
    ASSERT_TRUE(FEmulator.SetVariable("BAS_INDICATOR", row.Value));
    ReadPage(TMainForm::kCommonPage);
    EXPECT_EQ(Colour(Panel("RedPanel")), row.Red) << row.Value;
    EXPECT_EQ(Colour(Panel("YellowPanel")), row.Yellow) << row.Value;
    EXPECT_EQ(Colour(Panel("GreenPanel")), row.Green) << row.Value;
    EXPECT_TRUE(Child<QRadioButton>(row.Selected)->isChecked()) << row.Value;
    TakeRequests();
    Click(row.Clicked);
    EXPECT_TRUE(TakeRequests().contains("BAS_INDICATOR=" + QByteArray(row.Written) + ';')) << row.Value;
    EXPECT_EQ(Variable("BAS_INDICATOR"), QByteArray(row.Written)) << row.Value;
    EXPECT_TRUE(Child<QRadioButton>(row.Clicked)->isChecked()) << row.Value;
  }
}

TEST_F(PageBindingTest, TheStatusBitsShowTheFaultsOfTheirUnits) {
  struct TRow {
    const char* Status;
    const char* Faults;  // units 1 to 6
  };
  const TRow rows[] = {{"33", "100001"}, {"5", "101000"}, {"abc", "000000"}, {"63", "111111"}, {"0", "000000"}};
  StartShown();
  for (const TRow& row : rows) {
    ASSERT_TRUE(FEmulator.SetVariable("STATUS", row.Status));
    ReadPage(TMainForm::kMeasurePage);
    for (int unit = 0; unit < 6; ++unit) {
      const QLabel* panel = Panel(QByteArray("StatusPanel" + QByteArray::number(unit + 1)).constData());
      const bool fault = row.Faults[unit] == '1';
      EXPECT_EQ(panel->text(), fault ? QStringLiteral("СБОЙ") : QStringLiteral("OK")) << row.Status << unit;
      EXPECT_EQ(Colour(panel), fault ? kRed : kLime) << row.Status << unit;
    }
  }
}

TEST_F(PageBindingTest, TheSetpointIndicatorsShowWhichLevelIsExceeded) {
  StartShown();
  const char* flags[] = {"ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON"};
  const char* panels[] = {"Alarm1On1", "Alarm2On1", "Alarm1On2", "Alarm2On2"};
  const char* values[] = {"1", "0", "x", "1"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(FEmulator.SetVariable(flags[i], values[i]));
  ReadPage(TMainForm::kMeasurePage);
  for (int i = 0; i < 4; ++i) {
    const bool on = QByteArray(values[i]) == "1";
    EXPECT_EQ(Panel(panels[i])->text(), on ? QStringLiteral("ВКЛ") : QStringLiteral("ВЫКЛ")) << panels[i];
    EXPECT_EQ(Colour(Panel(panels[i])), on ? kRed : kGrey) << panels[i];
  }
}

TEST_F(PageBindingTest, TheInputContactIsOnlyShownAndTheOutputContactIsSwitched) {
  ASSERT_TRUE(FEmulator.SetVariable("DRYCONTACTIN", "1"));
  StartShown();
  ReadPage(TMainForm::kCommonPage);
  EXPECT_TRUE(Child<QRadioButton>("DryContactINOn")->isChecked());
  TakeRequests();
  Click("DryContactINOff");
  EXPECT_TRUE(Child<QRadioButton>("DryContactINOn")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>("DryContactINOff")->isChecked());
  EXPECT_TRUE(TakeRequests().isEmpty());
  EXPECT_EQ(CommonValue(CommonVar::DRYCONTACTIN), QByteArray("1"));

  EXPECT_TRUE(Child<QRadioButton>("DryContactOUTOff")->isChecked());
  Click("DryContactOUTOn");
  EXPECT_EQ(Names(TakeRequests()), (QStringList{"DATETIME", "SERIALN", "DRYCONTACTIN", "DRYCONTACTOUT",
                                                "ADRYCONTACTTHR", "BDRYCONTACTTHR", "RESOURCE"}));
  EXPECT_EQ(Variable("DRYCONTACTOUT"), QByteArray("1"));
  EXPECT_TRUE(Child<QRadioButton>("DryContactOUTOn")->isChecked());

  // A value the installation does not define selects neither choice, and a
  // click on the input contact goes back to that.
  ASSERT_TRUE(FEmulator.SetVariable("DRYCONTACTIN", "7"));
  ReadPage(TMainForm::kCommonPage);
  Click("DryContactINOn");
  EXPECT_FALSE(Child<QRadioButton>("DryContactINOn")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>("DryContactINOff")->isChecked());
}

TEST_F(PageBindingTest, TheEthernetChoiceChangesTheVariableAndWaitsForTheWrite) {
  ASSERT_TRUE(FEmulator.SetVariable("ETHERNET", "1"));
  StartShown();
  ReadPage(TMainForm::kNetPage);
  EXPECT_TRUE(Child<QRadioButton>("EthernetModeOn")->isChecked());
  TakeRequests();
  Click("EthernetModeOff");
  EXPECT_TRUE(TakeRequests().isEmpty());
  EXPECT_EQ(FForm->NGAS()->NetVarList().GetItem(NetVar::ETHERNET)->Value, QByteArray("0"));
  Action("DispatchButton")->trigger();
  Settle();
  EXPECT_TRUE(TakeRequests().contains("ETHERNET=0;"));
  EXPECT_EQ(Variable("ETHERNET"), QByteArray("0"));

  ASSERT_TRUE(FEmulator.SetVariable("ETHERNET", "?"));
  ReadPage(TMainForm::kNetPage);
  EXPECT_FALSE(Child<QRadioButton>("EthernetModeOn")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>("EthernetModeOff")->isChecked());
}

TEST_F(PageBindingTest, SynchronisationSetsTheInstallationsClockToThePcs) {
  StopEmulatorClock(QDateTime(QDate(2005, 3, 7), QTime(14, 5, 9)));
  StartShown();
  ReadPage(TMainForm::kCommonPage);
  EXPECT_EQ(DevDate()->date(), QDate(2005, 3, 7));
  TakeRequests();
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  Click("SynchroBtn");
  const QDateTime after = QDateTime::currentDateTime().addSecs(1);
  const QByteArrayList sent = TakeRequests();
  EXPECT_EQ(Names(sent), (QStringList{"DATETIME", "SERIALN", "DRYCONTACTIN", "DRYCONTACTOUT", "ADRYCONTACTTHR",
                                      "BDRYCONTACTTHR", "RESOURCE"}));
  const QDateTime set =
      QDateTime::fromString(QString::fromLatin1(sent.value(0).mid(9, 19)), QStringLiteral("dd/MM/yyyy HH.mm.ss"));
  ASSERT_TRUE(set.isValid()) << sent.value(0).constData();
  EXPECT_GE(set, before.addMSecs(-before.time().msec()));
  EXPECT_LE(set, after);
  EXPECT_EQ(Variable("DATETIME"), sent.value(0).mid(9, 19));
  EXPECT_EQ(DevDate()->date(), set.date());
}

TEST_F(PageBindingTest, AnEditMadeBeforeAnyReadIsKeptInItsVariable) {
  // Straight after start every variable is empty: the operator may still
  // type, and nothing reaches the installation until a write.
  StartShown();
  FForm->SelectSettingsPage(TMainForm::kCounterPage);
  Type("EffAEdit", QStringLiteral("0.4"));
  EXPECT_EQ(FForm->NGAS()->CounterVarList().GetItem(CounterVar::EFFA)->Value, QByteArray("0.4"));
  EXPECT_EQ(FEmulator.RequestCount(), 0);
  FForm->SettingsPages()->RefreshCounterPage();
  EXPECT_EQ(Child<QLineEdit>("EffAEdit")->text(), QStringLiteral("0.4"));
}
