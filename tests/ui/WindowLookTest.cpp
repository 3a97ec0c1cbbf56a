// The program as the operator first sees it: its icon on every window and the
// toolkit's own texts in the operator's language.

#include "ComResourceSetupEng.h"
#include "EnterDevNumber.h"
#include "NGASDelayTime.h"
#include "ProgramSetup.h"
#include "TransferWaitWindow.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QString YesButtonText() {
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  return box.button(QMessageBox::Yes)->text();
}

}  // namespace

TEST(ProgramSetup, EveryWindowCarriesTheProgramIconAndTheSerialDialogItsOwn) {
  ProgramSetup::SetProgramIcon();
  const QIcon program = QApplication::windowIcon();
  ASSERT_FALSE(program.isNull()) << "the icon is linked into the program";
  EXPECT_TRUE(program.availableSizes().contains(QSize(16, 16)));
  EXPECT_TRUE(program.availableSizes().contains(QSize(256, 256)));
  TDelayTimeWindow delay;
  TEnterDevNumberWindow number;
  TWaitWindow wait;
  for (const QWidget* window : std::initializer_list<const QWidget*>{&delay, &number, &wait})
    EXPECT_EQ(window->windowIcon().cacheKey(), program.cacheKey()) << window->metaObject()->className();
  TComPropertiesDialog serial;
  EXPECT_NE(serial.windowIcon().cacheKey(), program.cacheKey());
  EXPECT_FALSE(serial.windowIcon().pixmap(16).isNull());
}

TEST(ProgramSetup, ToolkitTextsFollowARussianLocaleAndStayEnglishOtherwise) {
  ProgramSetup::LoadToolkitTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(YesButtonText(), QStringLiteral("&Yes"));
  EXPECT_TRUE(ProgramSetup::LoadToolkitTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
  EXPECT_EQ(YesButtonText(), QStringLiteral("&Да"));
  EXPECT_NE(QCoreApplication::translate("QLineEdit", "Select All"), QStringLiteral("Select All"));
  // The other tests read the toolkit's English texts.
  qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
  EXPECT_EQ(YesButtonText(), QStringLiteral("&Yes"));
}
