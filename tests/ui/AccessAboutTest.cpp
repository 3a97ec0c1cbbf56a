#include "EnterPasswordWindow.h"
#include "JpegPicture.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "Passwords.h"
#include "QEVAbout.h"
#include "SerialPort.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include <functional>

class AccessAboutTest : public MainFormFixture {
 protected:
  // qev.pwd made from plain lines, as the administrator makes it.
  void WritePasswords(const QByteArray& source) {
    TPasswords passwords(true);
    passwords.LoadSourceFromBytes(source);
    WriteFile(QStringLiteral("qev.pwd"), passwords.SaveToBytes(QStringLiteral("qev.pwd")));
  }
  QString Pages() const {
    return ShownPages("MainPageControl") + '/' + ShownPages("Page1PageControl") + '/' + ShownPages("SpectrPageControl");
  }
  // Answers the password entry by typing text and pressing OK, or cancels.
  void Type(const QString& text, bool confirm = true) {
    FDialogs.DialogAnswers.push_back([text, confirm](QDialog& dialog) {
      QTest::keyClicks(dynamic_cast<TEnterPasswordForm&>(dialog).PasswordEdit(), text);
      return confirm ? QDialog::Accepted : QDialog::Rejected;
    });
  }
};

TEST_F(AccessAboutTest, StartGrantsTheLevelOfTheEmptyPassword) {
  struct TRow {
    const char* Name;
    std::optional<QByteArray> Source;  // no qev.pwd without one
    bool Scrambled;
    QString Pages;
    bool MenuEnabled;
  };
  const TRow rows[] = {
      {"no file", std::nullopt, true, "10000/1100000/00", false},
      {"level only", QByteArray("3-1\r\n1-1;1-2;1-3;1-4; Operator\r\n"), true, "00100/0000000/00", true},
      {"no empty password", QByteArray("2-1;4; Admin\r\n"), true, "10000/1100000/00", true},
      {"empty file", QByteArray(), false, "10000/1100000/00", true},
  };
  for (const TRow& row : rows) {
    if (row.Source) {
      if (row.Scrambled)
        WritePasswords(*row.Source);
      else
        WriteFile(QStringLiteral("qev.pwd"), *row.Source);
    }
    Start();
    EXPECT_EQ(Pages(), row.Pages) << row.Name;
    EXPECT_EQ(Action("AccessLevelMenuItem")->isEnabled(), row.MenuEnabled) << row.Name;
    EXPECT_EQ(FDialogs.DialogsRun, 0) << row.Name;
  }
}

TEST_F(AccessAboutTest, AccessLevelCommandAppliesOnlyAKnownPassword) {
  WritePasswords("1-1\r\n1-1;1-2;1-3;2-1;2-2;4; Operator\r\n5 Dump\r\n");
  Start();
  EXPECT_EQ(Pages(), "10000/1000000/00");

  Type(QStringLiteral("Operator"));
  Action("AccessLevelMenuItem")->trigger();
  Settle();
  EXPECT_EQ(Pages(), "11010/1110000/11");
  EXPECT_EQ(FDialogs.DialogsRun, 1);

  // A wrong password shows the notice and changes nothing; so does a cancel,
  // without the notice. Case counts.
  Type(QStringLiteral("operator"));
  FDialogs.DialogAnswers.push_back([](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("PasswordIsIncorrectForm"));
    return QDialog::Accepted;
  });
  Action("AccessLevelMenuItem")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, 3);
  Type(QStringLiteral("Operator"), false);
  Action("AccessLevelMenuItem")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, 4);
  EXPECT_EQ(Pages(), "11010/1110000/11");

  // Another password replaces the level; it does not add to it.
  Type(QStringLiteral("Dump"));
  Action("AccessLevelMenuItem")->trigger();
  Settle();
  EXPECT_EQ(Pages(), "00001/0000000/00");
}

TEST_F(AccessAboutTest, AboutBoxShowsVersionAndPicture) {
  Start();
  TAboutForm* about = FForm->AboutForm();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->VersionNumberLabel()->text(), QStringLiteral("Версия"));
  FDialogs.DialogAnswers.push_back([](QDialog& dialog) {
    auto& shown = dynamic_cast<TAboutForm&>(dialog);
    EXPECT_EQ(shown.VersionNumberLabel()->text(), QStringLiteral("Версия  1.70"));
    EXPECT_EQ(shown.Image1()->pixmap().size(), QSize(283, 105));
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(shown.Image1());
    EXPECT_FALSE(picture->text(QAccessible::Name).isEmpty());
    return QDialog::Accepted;
  });
  Action("AboutMenuItem")->trigger();
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, 1);
  about->SetVersionNumber(QString());
  EXPECT_EQ(about->VersionNumberLabel()->text(), QStringLiteral("Версия  "));

  // A damaged picture leaves the box without one.
  QFile resource(QStringLiteral(":/about/images/about-spectrum.jpg"));
  ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
  const QByteArray jpeg = resource.readAll();
  QByteArray damaged = jpeg;
  damaged[damaged.size() / 2] = '\xFF';
  damaged[damaged.size() / 2 + 1] = '\xD9';
  for (const QByteArray& bad : {jpeg.left(jpeg.size() / 2), damaged, QByteArray("not a picture"), QByteArray()}) {
    EXPECT_FALSE(about->ShowPicture(bad));
    EXPECT_TRUE(about->Image1()->pixmap().isNull());
  }
  EXPECT_TRUE(about->ShowPicture(jpeg));
}

// A narrow level over both tab bars: every route the operator, an assistive
// tool or the program may take lands on a page shown, and nothing of a hidden
// page is read, written or switched.
TEST_F(AccessAboutTest, NoRouteReachesAHiddenPage) {
  using TRoute = std::function<void(QTabWidget*)>;
  const auto key = [](Qt::Key key, Qt::KeyboardModifiers modifiers, bool onBar) -> TRoute {
    return [=](QTabWidget* tabs) {
      QTest::keyClick(onBar ? tabs->tabBar() : static_cast<QWidget*>(tabs), key, modifiers);
    };
  };
  const auto wheel = [](int delta) -> TRoute {
    return [delta](QTabWidget* tabs) {
      for (const QPoint angle : {QPoint(0, delta), QPoint(delta, 0)}) {
        QWheelEvent event({5, 5}, {}, {}, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabs->tabBar(), &event);
      }
    };
  };
  const auto press = [](QAccessibleInterface* control) {
    control->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  };
  const auto pressEveryTab = [&](QTabWidget* tabs) {
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(tabs->tabBar());
    for (int i = 0; i < bar->childCount(); ++i)
      if (bar->child(i)->role() == QAccessible::PageTab) press(bar->child(i));
  };
  const auto pressHiddenButton = [&](QTabWidget* tabs) {
    press(QAccessible::queryAccessibleInterface(tabs->window()->findChild<QWidget*>("SireneBtn")));
    QTest::qWait(200);  // the press is animated: the click follows a moment later
  };
  const auto selectEveryPage = [this](QTabWidget*) {
    for (int page = TMainForm::kCommonPage; page <= TMainForm::kNetPage; ++page) FForm->SelectSettingsPage(page);
    EXPECT_FALSE(FForm->SelectMainPage(TMainForm::kSpectrPage) || FForm->SelectSpectrPage(TMainForm::kBkSpectrPage));
  };
  const std::pair<const char*, TRoute> routes[] = {
      {"Ctrl+Tab", key(Qt::Key_Tab, Qt::ControlModifier, false)},
      {"Ctrl+Shift+Tab", key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, false)},
      {"Right", key(Qt::Key_Right, Qt::NoModifier, true)},
      {"Left", key(Qt::Key_Left, Qt::NoModifier, true)},
      {"wheel up", wheel(120)},
      {"wheel down", wheel(-120)},
      {"accessible tabs", pressEveryTab},
      {"accessible button of a hidden page", pressHiddenButton},
      {"code", selectEveryPage},
  };
  TMainForm& form = StartConnected();
  form.show();
  form.ApplyAccessRights("1-2;1-6;3;");
  QSet<QByteArray> granted;
  for (const TOPVarList* group : {&form.NGAS()->MeasureVarList(), &form.NGAS()->ServiceVarList()})
    for (int i = 0; i < group->Count(); ++i) granted << group->GetItem(i)->Name;

  for (const auto& [control, captions] :
       {std::pair{"MainPageControl", "Настройки установки,Архив"}, {"Page1PageControl", "Измерение,Служебное"}}) {
    QTabWidget* tabs = Child<QTabWidget>(control);
    form.SelectMainPage(TMainForm::kSettingsPage);
    // What an assistive tool is told agrees with the screen.
    QStringList told;
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(tabs->tabBar());
    for (int i = 0; i < bar->childCount(); ++i)
      if (bar->child(i)->role() == QAccessible::PageTab && !bar->child(i)->state().invisible)
        told << bar->child(i)->text(QAccessible::Name);
    EXPECT_EQ(told.join(','), QString::fromUtf8(captions));
    for (const auto& [route, take] : routes) {
      for (int step = 0; step < 3; ++step) {
        take(tabs);
        Settle();
        EXPECT_TRUE(tabs->tabBar()->isTabVisible(tabs->currentIndex())) << control << ' ' << route;
      }
      for (const QString& name : Names(TakeRequests()))
        EXPECT_TRUE(granted.contains(name.toLatin1())) << control << ' ' << route << ": " << name.toStdString();
    }
  }
  EXPECT_TRUE(FDialogs.Asked.empty()) << "no test-mode question either";
}

TEST_F(AccessAboutTest, AChangeOfLevelLeavesNothingUnreadToWrite) {
  TMainForm& form = StartConnected();
  form.show();
  SettingsPages()->setCurrentIndex(TMainForm::kNetPage);
  Settle();
  ASSERT_TRUE(Action("DispatchButton")->isEnabled());
  TakeRequests();

  // The view moves to "Общее" without a read; then comes back to "Сеть",
  // still without one.
  for (const char* level : {"1-1;1-2;", "1-7;"}) {
    form.ApplyAccessRights(level);
    EXPECT_FALSE(Action("DispatchButton")->isEnabled()) << level;
    Action("DispatchButton")->trigger();
    Settle();
    form.DispatchButtonClick();
    Settle();
    EXPECT_TRUE(TakeRequests().isEmpty()) << level << ": nothing is written";
  }
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_TRUE(Action("DispatchButton")->isEnabled()) << "the page read offers the write again";
  TakeRequests();

  // A level that names no tab leaves no page and no command.
  for (const char* level : {"1;", "1-;", "9-1"}) {
    form.ApplyAccessRights(level);
    EXPECT_EQ(SettingsPages()->count() + Child<QTabWidget>("MainPageControl")->count(), 0) << level;
    for (const char* name :
         {"RequestButton", "DispatchButton", "ToolButton1", "ToolButton2", "ReadSpectrMenuItem", "SaveSpectrMenuItem"})
      EXPECT_FALSE(Action(name)->isVisible() && Action(name)->isEnabled()) << level << ' ' << name;
    form.RequestButtonClick();
    Settle();
    form.DispatchButtonClick();
    Settle();
    EXPECT_TRUE(TakeRequests().isEmpty()) << level;
  }
}

// The counter-not-connected notice and a declined test mode show "Общее" only
// when the operator may see it.
TEST_F(AccessAboutTest, TheFlowsToTheCommonPageKeepToTheLevel) {
  TMainForm& form = StartConnected();
  form.ApplyAccessRights("1-3;1-5;");
  ASSERT_EQ(CurrentSheet("Page1PageControl"), QStringLiteral("CounterSheet"));
  Action("RequestButton")->trigger();
  Settle();
  ASSERT_TRUE(Action("DispatchButton")->isEnabled());
  ASSERT_TRUE(FEmulator.SetVariable("MAINENERGYA", "0"));
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_FALSE(Action("DispatchButton")->isEnabled()) << "the counter's parameters cannot be edited";
  FDialogs.Answers = {QMessageBox::No};
  SettingsPages()->setCurrentWidget(Child<QWidget>("TestSheet"));

  ASSERT_EQ(FDialogs.Asked.size(), 2u);
  EXPECT_EQ(CurrentSheet("Page1PageControl"), QStringLiteral("TestSheet"));
  const QStringList names = Names(TakeRequests());
  EXPECT_FALSE(names.contains(QStringLiteral("DATETIME"))) << "the common page is not read";
  EXPECT_FALSE(names.contains(QStringLiteral("MODE")));
}
