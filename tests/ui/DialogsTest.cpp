#include "EnterDevNumber.h"
#include "NGASDelayTime.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct TTyped {
  const char* Text;
  int Expected;
};

void Type(QLineEdit* edit, const char* text) {
  edit->clear();
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

}  // namespace

TEST(DelayTimeWindow, AcceptsOneTo255AndGivesMinusOneOtherwise) {
  TDelayTimeWindow window;
  const TTyped rows[] = {{"", -1}, {"0", -1}, {"7", 7}, {"1", 1}, {"255", 255}, {"256", -1}, {"999", -1}, {"007", 7}};
  for (const TTyped& row : rows) {
    Type(window.NumME(), row.Text);
    EXPECT_EQ(window.GetValue(), row.Expected) << "typed '" << row.Text << "'";
  }
}

TEST(DelayTimeWindow, SetValueShowsOnlyValidPeriods) {
  TDelayTimeWindow window;
  window.SetValue(12);
  EXPECT_EQ(window.GetValue(), 12);
  for (int invalid : {0, 300, -5}) {
    window.SetValue(12);
    window.SetValue(invalid);
    EXPECT_EQ(window.GetValue(), -1) << invalid;
    EXPECT_TRUE(window.NumME()->text().trimmed().isEmpty()) << invalid;
  }
}

TEST(EnterDevNumberWindow, AcceptsZeroTo255AndGivesMinusOneOtherwise) {
  TEnterDevNumberWindow window;
  const TTyped rows[] = {{"0", 0}, {"255", 255}, {"999", -1}, {"", -1}, {"44", 44}};
  for (const TTyped& row : rows) {
    Type(window.NumME(), row.Text);
    EXPECT_EQ(window.GetValue(), row.Expected) << "typed '" << row.Text << "'";
  }
}

TEST(EnterDevNumberWindow, InvalidSetValueKeepsTheFieldAsItWas) {
  TEnterDevNumberWindow window;
  window.SetValue(17);
  window.SetValue(300);
  EXPECT_EQ(window.GetValue(), 17);
  window.SetValue(-1);
  EXPECT_EQ(window.GetValue(), 17);
  window.SetValue(0);
  EXPECT_EQ(window.GetValue(), 0);
}

TEST(NumberDialogs, MaskTakesOnlyThreeDigits) {
  TEnterDevNumberWindow window;
  Type(window.NumME(), "1a2b34");
  EXPECT_EQ(window.GetValue(), 123);
  Type(window.NumME(), "-5");
  EXPECT_EQ(window.GetValue(), 5);
}

TEST(NumberDialogs, OpeningSelectsTheTextSoTypingReplacesIt) {
  TDelayTimeWindow delay;
  delay.SetValue(5);
  delay.show();
  QTest::keyClicks(delay.NumME(), QStringLiteral("12"));
  EXPECT_EQ(delay.GetValue(), 12);
  delay.hide();

  TEnterDevNumberWindow number;
  number.SetValue(5);
  number.show();
  QTest::keyClicks(number.NumME(), QStringLiteral("12"));
  EXPECT_EQ(number.GetValue(), 12);
}

TEST(NumberDialogs, OkAcceptsEnterAcceptsEscapeRejects) {
  TEnterDevNumberWindow window;
  QTimer::singleShot(0, &window, [&] { window.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click(); });
  EXPECT_EQ(window.exec(), QDialog::Accepted);
  QTimer::singleShot(0, &window, [&] { QTest::keyClick(window.NumME(), Qt::Key_Return); });
  EXPECT_EQ(window.exec(), QDialog::Accepted);
  QTimer::singleShot(0, &window, [&] { QTest::keyClick(window.NumME(), Qt::Key_Escape); });
  EXPECT_EQ(window.exec(), QDialog::Rejected);
  QTimer::singleShot(0, &window, [&] { window.findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click(); });
  EXPECT_EQ(window.exec(), QDialog::Rejected);
}

TEST(NumberDialogs, CaptionsAndLayout) {
  TDelayTimeWindow delay;
  TEnterDevNumberWindow number;
  EXPECT_EQ(delay.windowTitle(), QStringLiteral("Интервал"));
  // The title bar stays empty: a title the window system got empty would be
  // filled with the program's name.
  EXPECT_TRUE(number.windowTitle().trimmed().isEmpty());
  EXPECT_FALSE(number.windowTitle().isEmpty());
  EXPECT_EQ(delay.findChild<QLabel*>(QStringLiteral("NumLabel"))->text(), QStringLiteral("Интервал, сек. :"));
  EXPECT_EQ(number.findChild<QLabel*>(QStringLiteral("NumLabel"))->text(), QStringLiteral("Номер прибора :"));
  EXPECT_EQ(delay.size(), QSize(320, 100));
  EXPECT_EQ(number.size(), QSize(320, 100));
  EXPECT_FALSE(delay.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

TEST(WaitWindow, ShowWaitShowsTheTextAtOnceAndKeepsAVisibleWindowInPlace) {
  TWaitWindow window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Подождите"));
  EXPECT_EQ(window.size(), QSize(544, 93));
  window.ShowWait(QStringLiteral("загрузка измеренных значений"));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.MessageText(), QStringLiteral("загрузка измеренных значений"));

  window.move(window.pos() + QPoint(40, 30));
  const QPoint moved = window.pos();
  window.ShowWait(QStringLiteral("запись параметров КЕВ"));
  EXPECT_EQ(window.MessageText(), QStringLiteral("запись параметров КЕВ"));
  EXPECT_EQ(window.pos(), moved);
  EXPECT_FALSE(window.close()) << "the window system cannot close it while the exchange runs";
  EXPECT_TRUE(window.isVisible());
}

TEST(WaitWindow, ProgressFollowsTheDriverAndStaysWhereItWasLeft) {
  TWaitWindow window;
  window.ShowWait(QStringLiteral("x"));
  TProgressSink* progress = window.WaitProgress();
  EXPECT_EQ(progress->Minimum(), 0);
  EXPECT_EQ(progress->Maximum(), 100);
  progress->SetPosition(25);
  EXPECT_EQ(window.WaitProgressBar()->value(), 25);
  window.hide();
  window.ShowWait(QStringLiteral("y"));
  EXPECT_EQ(window.WaitProgressBar()->value(), 25);
}

TEST(WaitWindow2Btn, TwoBarsOutOfRangePositionsShowEmptyOrFullAndTheCancelButtonStaysHidden) {
  TWaitWindow2Btn window;
  window.ShowWait(QStringLiteral("загрузка архива"));
  EXPECT_EQ(window.size(), QSize(544, 161));
  EXPECT_FALSE(window.CancelBtn()->isVisible());
  EXPECT_EQ(window.CancelBtn()->text(), QStringLiteral("Отменить"));

  window.GlobalWaitProgress()->SetPosition(140);
  EXPECT_EQ(window.GlobalWaitProgressBar()->value(), 100);
  window.GlobalWaitProgress()->SetPosition(-3);
  EXPECT_EQ(window.GlobalWaitProgressBar()->value(), 0);
  window.WaitProgress()->SetPosition(60);
  EXPECT_EQ(window.WaitProgressBar()->value(), 60);
  EXPECT_EQ(window.GlobalWaitProgressBar()->value(), 0);
}
