// The program as the operator first sees it: its icon on every window, the
// toolkit's own texts in the operator's language, page tabs that show where
// one is, and captions that stand out from their panels.

#include "ComResourceSetupEng.h"
#include "DeviceCatalogue.h"
#include "EnterDevNumber.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "PageColours.h"
#include "ProgramSetup.h"
#include "SettingsPages.h"
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
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& colour) {
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF()) + 0.05;
  };
  return std::max(luminance(a), luminance(b)) / std::min(luminance(a), luminance(b));
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

TEST(ProgramSetup, EveryWindowCarriesTheProgramIconAndTheToolkitSpeaksRussian) {
  ProgramSetup::SetProgramIcon();
  const qint64 program = QApplication::windowIcon().cacheKey();
  ASSERT_FALSE(QApplication::windowIcon().pixmap(16).isNull()) << "the icon is linked into the program";
  TEnterDevNumberWindow number;
  TWaitWindow wait;
  EXPECT_EQ(number.windowIcon().cacheKey(), program);
  EXPECT_EQ(wait.windowIcon().cacheKey(), program);
  EXPECT_NE(TComPropertiesDialog().windowIcon().cacheKey(), program) << "the serial dialog has its own";

  ASSERT_TRUE(ProgramSetup::LoadToolkitTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
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
  EXPECT_GE(Contrast(PageColours::kTabText, PageColours::kTabBackground), 4.5);
  EXPECT_GE(Contrast(PageColours::kSelectedTabText, PageColours::kSelectedTabBackground), 4.5);
  for (const char* name : {"MainPageControl", "Page1PageControl"}) {
    QTabBar* bar = Child<QTabWidget>(name)->tabBar();
    const int selected = bar->currentIndex();
    const QColor shown = TabBackground(bar, selected);
    EXPECT_EQ(shown, PageColours::kSelectedTabBackground) << name;
    EXPECT_GE(Contrast(shown, TabBackground(bar, selected == 0 ? 1 : 0)), 3.0) << name << ": the open page is marked";
  }

  // Every panel that carries a caption or a value (all but the three lamps),
  // with the indicators at rest and lit.
  const auto checkPanels = [&](const char* when) {
    int checked = 0;
    for (QLabel* panel : form.findChildren<QLabel*>()) {
      if (!panel->autoFillBackground() || (panel->text().isEmpty() && !panel->property("valuePanel").toBool()))
        continue;
      const QPalette palette = panel->palette();
      EXPECT_GE(Contrast(palette.color(QPalette::WindowText), palette.color(QPalette::Window)), 4.5)
          << when << ": " << panel->objectName().toStdString();
      ++checked;
    }
    // The settings pages' read-outs and indicators, and the three read-outs of
    // each spectrum view.
    EXPECT_EQ(checked, 15 + 14 + 2 * 3) << "read-outs and indicators";
  };
  checkPanels("at rest");
  TNGAS& ngas = *form.NGAS();
  ngas.MeasureVarList().GetItem(MeasureVar::STATUS)->Value = "63";
  ngas.MeasureVarList().GetItem(MeasureVar::ALPHAALARM1ON)->Value = "1";
  ngas.AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_SIRENE)->Value = "1";
  ngas.TestVarList().GetItem(TestVar::TEST)->Value = "131";
  form.SettingsPages()->RefreshCommonPage();
  form.SettingsPages()->RefreshMeasurePage();
  form.SettingsPages()->RefreshTestPage();
  checkPanels("lit");
}
