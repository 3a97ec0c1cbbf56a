#include "EnterPasswordWindow.h"
#include "JpegPicture.h"
#include "MainFormFixture.h"
#include "Passwords.h"
#include "QEVAbout.h"
#include "SerialPort.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

QString VisibleTabs(const QTabWidget* tabs) {
  QString shown;
  for (int i = 0; i < tabs->count(); ++i) shown += tabs->isTabVisible(i) ? '1' : '0';
  return shown;
}

}  // namespace

class AccessAboutTest : public MainFormFixture {
 protected:
  // qev.pwd made from plain lines, as the administrator makes it.
  void WritePasswords(const QByteArray& source) {
    TPasswords passwords(true);
    passwords.LoadSourceFromBytes(source);
    WriteFile(QStringLiteral("qev.pwd"), passwords.SaveToBytes(QStringLiteral("qev.pwd")));
  }
  QString Pages() const {
    return VisibleTabs(Child<QTabWidget>("MainPageControl")) + '/' + VisibleTabs(SettingsPages()) + '/' +
           VisibleTabs(Child<QTabWidget>("SpectrPageControl"));
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
  EXPECT_EQ(FDialogs.DialogsRun, 3);
  Type(QStringLiteral("Operator"), false);
  Action("AccessLevelMenuItem")->trigger();
  EXPECT_EQ(FDialogs.DialogsRun, 4);
  EXPECT_EQ(Pages(), "11010/1110000/11");

  // Another password replaces the level; it does not add to it.
  Type(QStringLiteral("Dump"));
  Action("AccessLevelMenuItem")->trigger();
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
