// The program as the operator first sees it: its icon on every window, the
// toolkit's own texts in the operator's language, page tabs that show where
// one is, and captions that stand out from their panels.

#include "ComResourceSetupEng.h"
#include "EnterDevNumber.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "NGASDelayTime.h"
#include "PageColours.h"
#include "ProgramSetup.h"
#include "TransferWaitWindow.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTranslator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// Contrast of two colours as the web's accessibility guidelines define it,
// from 1 (the same) to 21 (black on white).
double Luminance(const QColor& colour) {
  const auto linear = [](double value) {
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double one = Luminance(a) + 0.05;
  const double other = Luminance(b) + 0.05;
  return std::max(one, other) / std::min(one, other);
}

// The colour covering most of a tab: its background.
QColor TabBackground(QTabBar* bar, int tab) {
  const QImage image = bar->grab(bar->tabRect(tab)).toImage();
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
  return QColor(std::max_element(counts.cbegin(), counts.cend()).key());
}

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

class WindowLookTest : public MainFormFixture {};

TEST_F(WindowLookTest, TheSelectedTabsStandOutAndEveryCaptionIsLegible) {
  TMainForm& form = StartConnected();
  form.show();
  EXPECT_EQ(form.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());

  for (const auto& [text, background] : {std::pair{PageColours::kTabText, PageColours::kTabBackground},
                                         {PageColours::kTabText, PageColours::kTabHoverBackground},
                                         {PageColours::kSelectedTabText, PageColours::kSelectedTabBackground}})
    EXPECT_GE(Contrast(text, background), 4.5) << background.name().toStdString();
  for (const char* name : {"MainPageControl", "Page1PageControl"}) {
    QTabBar* bar = Child<QTabWidget>(name)->tabBar();
    const int selected = bar->currentIndex();
    const int other = selected == 0 ? 1 : 0;
    const QColor shown = TabBackground(bar, selected);
    EXPECT_EQ(shown, PageColours::kSelectedTabBackground) << name;
    EXPECT_GE(Contrast(shown, TabBackground(bar, other)), 3.0) << name << ": the open page is marked";
  }

  // Every panel that carries a caption or a value (all but the three lamps),
  // with the indicators at rest and lit.
  const auto checkPanels = [&](const char* when) {
    int checked = 0;
    for (QLabel* panel : form.findChildren<QLabel*>()) {
      const bool value = panel->property("valuePanel").toBool();
      if (!panel->autoFillBackground() || (panel->text().isEmpty() && !value)) continue;
      const QPalette palette = panel->palette();
      EXPECT_GE(Contrast(palette.color(QPalette::WindowText), palette.color(QPalette::Window)), 4.5)
          << when << ": " << panel->objectName().toStdString();
      ++checked;
    }
    EXPECT_EQ(checked, 15 + 14) << "read-outs and indicators";
  };
  checkPanels("at rest");
  TNGAS& ngas = *form.NGAS();
  const struct {
    TOPVarList* List;
    const char* Name;
    const char* Value;
  } lit[] = {{&ngas.MeasureVarList(), "STATUS", "63"},
             {&ngas.MeasureVarList(), "ALPHAALARM1ON", "1"},
             {&ngas.AlarmBlockVarList(), "BAS_SIRENE", "1"},
             {&ngas.TestVarList(), "TEST", "131"}};
  for (const auto& row : lit) row.List->GetItem(row.List->IndexOfVar(row.Name, {}))->Value = row.Value;
  form.RefreshCommonPage();
  form.RefreshMeasurePage();
  form.RefreshTestPage();
  checkPanels("lit");
}
