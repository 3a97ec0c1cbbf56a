#include "EmulatedSpectrum.h"
#include "NuclideTableWindow.h"
#include "RadiationSpectr.h"
#include "ScriptedDialogs.h"
#include "SpectrView.h"
#include "SpectrViewEnergyCalibration.h"
#include "Win1251.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);

TRadiationSpectr Spectr(const std::function<int32_t(int)>& count) {
  TRadiationSpectr spectr;
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c) spectr.SetChannel(c, count(c));
  return spectr;
}

class SpectrViewTest : public testing::Test {
 protected:
  // A shown view whose plot box has the given size; a child, so that it
  // takes a new size at once.
  void Place(int plotWidth, int plotHeight, int commentsHeight = 40) {
    FHost.show();
    View.ResizeComments(commentsHeight);
    const int vw = View.VSpectrScrollBar()->sizeHint().width();
    const int hs = View.HSpectrScrollBar()->sizeHint().height();
    FHost.resize(plotWidth + 100, plotHeight + commentsHeight + 200);
    View.resize(plotWidth + 6 + vw, plotHeight + 4 + commentsHeight + 41 + hs);
    ASSERT_EQ(View.SpectrImage().size(), QSize(plotWidth, plotHeight));
  }
  QRgb Pixel(int x, int y) const { return View.SpectrImage().pixel(x, y); }
  // The colours drawn in a column of the plot, background left out.
  QSet<QRgb> Column(int x) const {
    QSet<QRgb> colours;
    for (int y = 0; y < View.SpectrImage().height(); ++y) colours << Pixel(x, y);
    colours.remove(Pixel(View.SpectrImage().width() - 1, 0));
    return colours;
  }
  void Calibrate(int channel1, int energy1, int channel2, int energy2, int result = QDialog::Accepted) {
    Dialogs.DialogAnswers.push_back([=](QDialog& dialog) {
      auto& form = static_cast<TEnergyCalibrationForm&>(dialog);
      form.SetCurChannel(channel1);
      form.SetCurEnergy(energy1);
      form.to1BtnClick();
      form.SetCurChannel(channel2);
      form.SetCurEnergy(energy2);
      form.to2BtnClick();
      return result;
    });
    View.OnPopupMenu1Click();
  }
  QString AreaMessage() {
    View.OnPopupMenu1ClickCalculate();
    return Dialogs.Asked.back().Kind == TMessageKind::Information ? Dialogs.Asked.back().Text
                                                                  : QStringLiteral("failed");
  }

  TScriptedDialogs Dialogs;
  QWidget FHost;
  TSpectrView& View = *new TSpectrView(Dialogs, &FHost);
};

}  // namespace

TEST_F(SpectrViewTest, ColumnsScaleAndScrollAsTheCompressionSays) {
  Place(400, 200);
  // All counts below 32 are scaled as if the largest were 32: at the
  // five-fold scale a count of 16 reaches half the box.
  View.SetSpectr(Spectr([](int) { return 16; }));
  View.VSpectrScrollBar()->setValue(96);
  EXPECT_EQ(Pixel(50, 99), kBlue);

  // Compression 16: 64 columns, the last not drawn. 1600 / (101 * 0.2 * 100 / 200) = 158.
  View.SetSpectr(Spectr([](int) { return 100; }));
  View.VSpectrScrollBar()->setValue(0);
  View.ScaleXTB()->setValue(16);
  EXPECT_EQ(View.HSpectrScrollBar()->maximum(), 0);
  EXPECT_EQ(Pixel(62, 200 - 158 - 1), kBlue);
  EXPECT_TRUE(Column(63).isEmpty());
  EXPECT_TRUE(Column(200).isEmpty());

  // Compression 1 on 1000 pixels: 24 columns to scroll; at the end column
  // 998 shows channel 1022 and 999 (channel 1023) is not drawn.
  Place(1000, 200);
  View.SetSpectr(Spectr([](int c) { return c >= 1022 ? 500 : 0; }));
  View.ScaleXTB()->setValue(1);
  EXPECT_EQ(View.HSpectrScrollBar()->maximum(), 24);
  View.HSpectrScrollBar()->setValue(24);
  View.VSpectrScrollBar()->setValue(91);
  EXPECT_EQ(Pixel(998, 200 - 100 - 1), kBlue);
  EXPECT_TRUE(Column(999).isEmpty());
  View.SpectrBoxMouseMove(998);
  EXPECT_EQ(View.CurChannel(), 1022);
  EXPECT_EQ(View.CurValue(), 500);
  EXPECT_EQ(View.ChData()->text(), QStringLiteral("500"));

  // A new compression starts from the first channel again.
  View.ScaleXTB()->setValue(2);
  EXPECT_EQ(View.HSpectrScrollBar()->value(), 0);
  EXPECT_EQ(View.CurChannel(), 998 * 2);
  EXPECT_EQ(View.CurValue(), 0) << "a channel beyond 1023 counts 0";
}

TEST_F(SpectrViewTest, MarkersColourTheirRegionAndGiveItsArea) {
  Place(400, 200);
  View.SetSpectr(Spectr([](int c) { return c; }));
  EXPECT_EQ(AreaMessage(), QStringLiteral("failed")) << "no marker set";
  EXPECT_EQ(Dialogs.Asked.back().Text, QStringLiteral("Площадь области между маркерами вычислить не удалось"));
  EXPECT_EQ(Dialogs.Asked.back().Buttons, QMessageBox::Yes);

  View.SpectrBoxMouseMove(100);
  View.OnPopupMenu1ClickSetMarker2();
  EXPECT_TRUE(Column(50).contains(kRed));
  EXPECT_FALSE(Column(150).contains(kRed));
  EXPECT_TRUE(Column(150).contains(kBlue));
  EXPECT_EQ(AreaMessage(), QStringLiteral("Площадь области между маркерами = 5050\n"
                                          "Каналы 0–100, энергия 0–100 кэВ"));
  EXPECT_EQ(Dialogs.Asked.back().Buttons, QMessageBox::Yes);

  for (const bool firstHigh : {true, false}) {
    View.SpectrBoxMouseMove(firstHigh ? 200 : 150);
    View.OnPopupMenu1ClickSetMarker1();
    View.SpectrBoxMouseMove(firstHigh ? 150 : 200);
    View.OnPopupMenu1ClickSetMarker2();
    EXPECT_EQ(AreaMessage(), QStringLiteral("Площадь области между маркерами = 8925\n"
                                            "Каналы 150–200, энергия 150–200 кэВ"))
        << firstHigh;
    EXPECT_TRUE(Column(175).contains(kRed));
  }

  View.SpectrBoxMouseMove(120);
  View.OnPopupMenu1ClickSetMarker1();
  View.OnPopupMenu1ClickSetMarker2();
  for (int x = 0; x < 399; ++x) ASSERT_FALSE(Column(x).contains(kRed)) << x;
  EXPECT_EQ(AreaMessage(), QStringLiteral("Площадь области между маркерами = 120\n"
                                          "Каналы 120–120, энергия 120–120 кэВ"));

  View.OnPopupMenu1ClickClearMarkers();
  EXPECT_EQ(AreaMessage(), QStringLiteral("failed"));

  // A sum that 32 bits cannot hold is no area.
  View.SetSpectr(Spectr([](int) { return INT32_MAX; }));
  View.SpectrBoxMouseMove(1);
  View.OnPopupMenu1ClickSetMarker1();
  EXPECT_EQ(AreaMessage(), QStringLiteral("failed"));
}

TEST_F(SpectrViewTest, LogarithmicScaleAndTheOtherSpectrumOnTheSameScaleWithTheNetArea) {
  Place(400, 200);
  auto& background = *new TSpectrView(Dialogs, &FHost);
  View.SetCompanion(&background, TSpectrView::TCompanion::Background);
  background.SetCompanion(&View, TSpectrView::TCompanion::Main);
  EXPECT_EQ(View.CompanionItem()->text(), QStringLiteral("Показать фоновый спектр"));
  EXPECT_EQ(background.CompanionItem()->text(), QStringLiteral("Показать основной спектр"));
  // The largest count 1000 reaches the top at the scale k = 5; on the
  // logarithmic scale 10 counts stand log(11) / log(1001) of the height
  // high (69 pixels) and a zero count lies at the bottom.
  View.SetSpectr(Spectr([](int c) { return c == 500 ? 1000 : c >= 300 && c < 310 ? 0 : 10; }));
  View.VSpectrScrollBar()->setValue(96);
  EXPECT_EQ(Pixel(50, 200 - 2 - 1), kBlue);
  View.LogScaleItem()->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(View.LogScaleItem()->isChecked());
  EXPECT_EQ(Pixel(50, 200 - 69 - 1), kBlue);
  EXPECT_EQ(Pixel(305, 199), kBlue);

  // The background over it once there is one, on this view's scale:
  // log(4) / log(1001) gives 40 pixels; a new background is drawn at once.
  const QRgb light = qRgb(110, 190, 110);
  View.CompanionItem()->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(Column(50).contains(light)) << "no background read yet";
  background.SetSpectr(Spectr([](int) { return 3; }));
  EXPECT_EQ(Pixel(50, 200 - 40 - 1), light);
  background.SetSpectr(Spectr([](int) { return 0; }));
  EXPECT_EQ(Pixel(50, 199), light);
  background.SetSpectr(Spectr([](int) { return 3; }));

  View.SpectrBoxMouseMove(100);
  View.OnPopupMenu1ClickSetMarker1();
  View.SpectrBoxMouseMove(200);
  View.OnPopupMenu1ClickSetMarker2();
  EXPECT_EQ(AreaMessage(), QStringLiteral("Площадь области между маркерами = 1010\n"
                                          "Каналы 100–200, энергия 100–200 кэВ\n"
                                          "Площадь фонового спектра между маркерами = 303\n"
                                          "Чистая площадь (основной минус фоновый) = 707 ± 36"));
  // Two channels a column: main 20 at 88 pixels, background 6 at 56, in
  // the marked region as well, where the main line turns red.
  View.ScaleXTB()->setValue(2);
  EXPECT_EQ(Pixel(75, 200 - 88 - 1), kRed);
  EXPECT_EQ(Pixel(75, 200 - 56 - 1), light);
  // The background view tells its own area only.
  background.SpectrBoxMouseMove(100);
  background.OnPopupMenu1ClickSetMarker1();
  background.OnPopupMenu1ClickCalculate();
  EXPECT_EQ(Dialogs.Asked.back().Text, QStringLiteral("Площадь области между маркерами = 303\n"
                                                      "Каналы 0–100, энергия 0–100 кэВ"));
}

TEST_F(SpectrViewTest, CalibrationFromTwoPointsAndTheEnergyReadOut) {
  Place(400, 200);
  Calibrate(100, 500, 300, 1500);
  EXPECT_EQ(View.Spectr().A(), 5);
  EXPECT_EQ(View.Spectr().B(), 0);
  View.SpectrBoxMouseMove(120);
  EXPECT_EQ(View.Energy()->text(), QStringLiteral("600"));

  // Equal channels keep the coefficients but the points entered.
  Calibrate(50, 10, 50, 20);
  EXPECT_EQ(View.Spectr().A(), 5);
  EXPECT_EQ(View.CalEnergy2(), 20);
  // Cancelled: nothing changes, whatever was copied in the dialog.
  Calibrate(1, 1, 2, 2, QDialog::Rejected);
  EXPECT_EQ(View.CalChannel1(), 50);

  // The dialog opens on the cursor and the last points.
  Dialogs.DialogAnswers.push_back([](QDialog& dialog) {
    auto& form = static_cast<TEnergyCalibrationForm&>(dialog);
    EXPECT_EQ(form.ChannelEdit()->text(), QStringLiteral("120"));
    EXPECT_EQ(form.EnergyEdit()->text(), QStringLiteral("600"));
    EXPECT_EQ(form.EnergyPanel2()->text(), QStringLiteral("20"));
    return QDialog::Rejected;
  });
  View.OnPopupMenu1Click();

  // Halves to even; below zero shown as 0; a new spectrum keeps the points.
  TRadiationSpectr half;
  half.SetCalibration(0.5L, -1);
  View.SetSpectr(half);
  EXPECT_EQ(View.CalChannel1(), 50);
  for (const auto& [x, energy] : {std::pair{5, 2}, std::pair{7, 2}, std::pair{9, 4}, std::pair{0, 0}}) {
    View.SpectrBoxMouseMove(x);
    EXPECT_EQ(View.CurEnergy(), energy) << x;
  }
}

TEST_F(SpectrViewTest, TheViewKeepsItsOwnCopyAndWrapsTheCommentByCharacter) {
  const int listWidth = 200;
  Place(listWidth - View.VSpectrScrollBar()->sizeHint().width(), 100, 800);
  TRadiationSpectr spectr = Spectr([](int c) { return c % 7; });
  QByteArray comment;
  for (int i = 0; i < 600; ++i) comment += static_cast<char>(i % 3 == 0 ? 'W' : 'a' + i % 26);
  spectr.SetComment(comment);
  spectr.SetCalibration(2, 3);
  View.SetSpectr(spectr);
  spectr.SetChannel(5, 99);
  spectr.SetA(7);
  EXPECT_EQ(View.Spectr().Channel(5), 5);
  EXPECT_EQ(View.Spectr().A(), 2);

  const QListWidget* box = View.Comments();
  const int client = box->width() - 2 * box->frameWidth();
  const QFontMetrics metrics(box->font());
  QString joined;
  for (int i = 0; i < box->count(); ++i) {
    const QString line = box->item(i)->text();
    joined += line;
    if (i + 1 == box->count()) break;
    EXPECT_GE(metrics.horizontalAdvance(line + 'W'), client) << i;
    EXPECT_LT(metrics.horizontalAdvance(line.chopped(1) + 'W'), client) << i;
  }
  EXPECT_GT(box->count(), 3);
  EXPECT_EQ(joined, Win1251::ToUnicode(comment));

  // Wrapped once per comment and width: a repaint or a new height keeps the
  // lines the box holds, a new width wraps them again.
  const QSignalSpy refilled(box->model(), &QAbstractItemModel::rowsInserted);
  View.Repaint();
  View.resize(View.width(), View.height() + 10);
  EXPECT_EQ(refilled.count(), 0);
  View.resize(View.width() - 40, View.height());
  EXPECT_EQ(refilled.count(), 1);
  EXPECT_GE(metrics.horizontalAdvance(box->item(0)->text() + 'W'), box->width() - 2 * box->frameWidth());
}

TEST_F(SpectrViewTest, CommentLinesAreThoseOfTheCharacterByCharacterRule) {
  // The rule as described: a line takes characters while the line and one
  // "W" are narrower than the box, and at least one.
  const auto described = [](const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (qsizetype at = 0; at < text.size();) {
      QString line;
      while (at + line.size() < text.size() && metrics.horizontalAdvance(line + QLatin1Char('W')) < width)
        line += text[at + line.size()];
      if (line.isEmpty()) line = text[at];
      lines << line;
      at += line.size();
    }
    return lines;
  };
  const struct {
    const char* what;
    QString text;
    int plotWidth;
  } rows[] = {
      {"narrow letters, then wide ones, then narrow again",
       QString(300, QLatin1Char('i')) + QString(100, QLatin1Char('W')) + QString(300, QLatin1Char('i')), 300},
      {"Cyrillic words", QStringLiteral("Фон помещения ; проба 7 ; ").repeated(12), 250},
      {"line breaks and tabs are characters", QStringLiteral("a\r\nb\tc\r\n").repeated(40), 200},
      {"a box a character or two wide", QStringLiteral("WiWiW"), 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Place(row.plotWidth, 50, 4000);
    TRadiationSpectr spectr;
    spectr.SetComment(Win1251::FromUnicode(row.text));
    View.SetSpectr(spectr);
    const QListWidget* box = View.Comments();
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) shown << box->item(i)->text();
    ASSERT_LT(box->sizeHintForRow(0) * box->count(), box->height()) << "the box needs no scroll bar";
    EXPECT_EQ(shown, described(row.text, QFontMetrics(box->font()), box->width() - 2 * box->frameWidth()));
  }
}

TEST(EnergyCalibrationForm, EditsTakeBackWhatIsNotAnIntegerAndTheButtonsCopyTheCurrentPoint) {
  TEnergyCalibrationForm form;
  form.SetCurChannel(412);
  form.SetCurEnergy(3250);
  form.EnergyEdit()->setText(QStringLiteral("5.5"));
  EXPECT_EQ(form.EnergyEdit()->text(), QStringLiteral("3250"));
  form.EnergyEdit()->setText(QStringLiteral("5000"));
  QTest::mouseClick(form.to2Btn(), Qt::LeftButton);
  EXPECT_EQ(form.Channel2(), 412);
  EXPECT_EQ(form.EnergyPanel2()->text(), QStringLiteral("5000"));
  EXPECT_EQ(form.Channel1(), 0);

  QLineEdit* channel = form.ChannelEdit();
  const std::pair<const char*, int> typed[] = {{"", 0}, {"41", 41}, {"41x", 41}, {"-", 0}, {"-5", -5}, {"2000", 2000}};
  for (const auto& [text, value] : typed) {
    channel->clear();
    QTest::keyClicks(channel, QString::fromLatin1(text));
    EXPECT_EQ(form.CurChannel(), value) << text;
  }
  EXPECT_EQ(channel->text(), QStringLiteral("2000"));
  channel->setText(QStringLiteral("99999999999"));
  EXPECT_EQ(channel->text(), QStringLiteral("2000"));
}

TEST_F(SpectrViewTest, ControlsAndMenuItemsAreNamedForAccessibility) {
  Place(400, 200);
  View.SpectrBoxMouseMove(37);
  const auto name = [](QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
  };
  QAccessibleInterface* plot = QAccessible::queryAccessibleInterface(View.SpectrBox());
  EXPECT_EQ(plot->text(QAccessible::Name), QStringLiteral("Спектр"));
  ASSERT_TRUE(plot->actionInterface());
  plot->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
  EXPECT_TRUE(View.PopupMenu()->isVisible());
  View.PopupMenu()->hide();
  EXPECT_EQ(name(View.Channel()), QStringLiteral("37"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(View.Channel())->text(QAccessible::Description),
            QStringLiteral("Канал"));
  EXPECT_EQ(name(View.ScaleXTB()), QStringLiteral("X - сжатие"));
  EXPECT_FALSE(name(View.VSpectrScrollBar()).isEmpty());
  EXPECT_FALSE(name(View.HSpectrScrollBar()).isEmpty());
  EXPECT_EQ(name(View.Comments()), QStringLiteral("Комментарий"));
  EXPECT_EQ(name(View.EnergyCalibrationForm()->to1Btn()), QStringLiteral("Копировать в точку 1"));

  QStringList items;
  for (const QAction* action : View.PopupMenu()->actions()) items << (action->isSeparator() ? "-" : action->text());
  // The items act once the menu has closed.
  View.PopupMenu()->actions().at(2)->trigger();
  EXPECT_EQ(View.Marker1(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(View.Marker1(), 37);
  EXPECT_EQ(items, (QStringList{"Калибровка по энергии", "-", "Установить маркер 1", "Установить маркер 2", "-",
                                "Удалить маркеры", "-", "Показать площадь выделенной области", "-",
                                "Логарифмическая шкала", "", "-", "Показать нуклиды", "Таблица нуклидов",
                                "Калибровать по пикам", "Сохранить в N42..."}));
  EXPECT_FALSE(View.CompanionItem()->isVisible()) << "no companion, nothing to show";
  EXPECT_TRUE(View.LogScaleItem()->isCheckable());
}

TEST_F(SpectrViewTest, PeaksAreMarkedTabledAndCalibrateTheSpectrumOnlyWhenAccepted) {
  Place(512, 200);
  // The emulator's filter spectrum with an americium peak in the tails, in a
  // view that knows no calibration yet.
  const TEmulatedSpectrum emulated = TEmulatedSpectrum::Main(60, {{"Am-241", 2000}});
  TRadiationSpectr spectr;
  spectr.LoadDeviceBlock(emulated.Bytes().constData(), emulated.Bytes().size(), false);
  View.SetSpectr(spectr);

  // Proposed in the dialog; cancelled, nothing changes.
  int32_t proposed[4] = {0, 0, 0, 0};
  for (const int answer : {int{QDialog::Rejected}, int{QDialog::Accepted}}) {
    Dialogs.DialogAnswers.push_back([&proposed, answer](QDialog& dialog) {
      auto& form = static_cast<TEnergyCalibrationForm&>(dialog);
      proposed[0] = form.Channel1();
      proposed[1] = form.Energy1();
      proposed[2] = form.Channel2();
      proposed[3] = form.Energy2();
      return answer;
    });
    View.OnPopupMenu1ClickCalibrateByPeaks();
    EXPECT_EQ(proposed[1], 6002);
    EXPECT_EQ(proposed[3], 7687);
    EXPECT_NEAR(proposed[0], emulated.ChannelOf(6002), 1);
    EXPECT_NEAR(proposed[2], emulated.ChannelOf(7687), 1);
    if (answer == QDialog::Rejected) EXPECT_EQ(View.Spectr().A(), 1);
  }
  EXPECT_NEAR(static_cast<double>(View.Spectr().A()), emulated.Calibration().A, 0.01 * emulated.Calibration().A);

  // Marks only while asked for, in their own colour.
  const auto marked = [this] {
    for (int x = 0; x < View.SpectrImage().width(); ++x)
      if (Column(x).contains(qRgb(150, 0, 150))) return true;
    return false;
  };
  View.ScaleXTB()->setValue(2);
  EXPECT_FALSE(marked());
  View.NuclidesItem()->setChecked(true);
  View.OnPopupMenu1ClickShowNuclides();
  EXPECT_TRUE(marked());

  // The table stands beside the window, not modal, a row a region.
  View.OnPopupMenu1ClickNuclideTable();
  TNuclideTableWindow* table = View.NuclideTable();
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->isVisible());
  EXPECT_FALSE(table->isModal());
  const QString text = table->TableText(QLatin1Char(';'));
  for (const char* nuclide : {"Am-241", "Po-218", "Bi-212", "Po-214", "Po-212"})
    EXPECT_TRUE(text.contains(QLatin1String(nuclide))) << nuclide;
  EXPECT_TRUE(text.startsWith(QStringLiteral("Нуклид;Канал;Энергия, кэВ;")));
  table->close();
}

TEST_F(SpectrViewTest, TheBackgroundIsDrawnWhereItsEnergiesFallInThisSpectrum) {
  Place(400, 200);
  auto& background = *new TSpectrView(Dialogs, &FHost);
  View.SetCompanion(&background, TSpectrView::TCompanion::Background);
  // The main detector 10 keV a channel, the background's 5: the background's
  // line at its channel 200 (1000 keV) belongs over the main channel 100.
  TRadiationSpectr main = Spectr([](int) { return 10; });
  main.SetCalibration(10, 0);
  View.SetSpectr(main);
  TRadiationSpectr other = Spectr([](int c) { return c == 200 ? 1000 : 0; });
  other.SetCalibration(5, 0);
  background.SetSpectr(other);
  View.CompanionItem()->setChecked(true);
  View.OnPopupMenu1ClickShowCompanion();
  const QRgb light = qRgb(110, 190, 110);
  int highest = -1;
  int top = 200;
  for (int x = 0; x < 300; ++x)
    for (int y = 30; y < 200; ++y)
      if (Pixel(x, y) == light && y < top) {
        top = y;
        highest = x;
      }
  EXPECT_NEAR(highest, 100, 1);
}
