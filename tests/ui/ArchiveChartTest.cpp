#include "ArchiveChartData.h"
#include "ArchiveChartPlot.h"
#include "ArchiveChartWindow.h"
#include "ChartAxis.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "ScriptedDialogs.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace {

using ChartAxis::TRange;

const double kNone = std::nan("");
const qint64 kMarch7 = QDateTime(QDate(2005, 3, 7), QTime(14, 0), Qt::UTC).toSecsSinceEpoch();

std::unique_ptr<TDeviceArchive> Archive(const QByteArrayList& names, const std::vector<QByteArrayList>& rows) {
  auto archive = std::make_unique<TDeviceArchive>();
  TOPVarList columns;
  for (const QByteArray& name : names) columns.Add(name);
  archive->SetColumns(columns);
  for (const QByteArrayList& row : rows) {
    TOPVarList record;
    for (qsizetype c = 0; c < names.size(); ++c) record.Add(names[c], {}, row.value(c));
    archive->AppendRecord(record);
  }
  return archive;
}

int SeriesNamed(const TArchiveChartData& data, const char* name) {
  for (size_t i = 0; i < data.Series().size(); ++i)
    if (data.Series()[i].Name == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

TEST(ArchiveChartData, RecordsLieAtTheirTimeOrArePlacedByPosition) {
  const std::optional<double> none;
  const struct {
    const char* rule;
    std::vector<std::optional<double>> moments;
    std::vector<double> places;
  } rows[] = {
      {"every record timed", {0.0, 600.0, 1200.0}, {0, 600, 1200}},
      {"between timed neighbours, in proportion", {0.0, none, none, 900.0}, {0, 300, 600, 900}},
      {"before the first and after the last at the mean interval", {none, 100.0, 300.0, none}, {-100, 100, 300, 500}},
      {"one timed record: a minute apart", {none, 500.0, none}, {440, 500, 560}},
      {"no timed record: the position", {none, none, none}, {0, 1, 2}},
      {"a clock set back", {1000.0, none, 400.0}, {1000, 700, 400}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rule);
    EXPECT_EQ(TArchiveChartData::Place(row.moments), row.places);
  }

  // From the archive: an invalid date, a time set back, a text column and a
  // number column with one damaged value.
  const auto archive = Archive({"DATETIME", "MODE", "SERIALN", "SUMALPHA", "ALPHAALARM1", "ALPHAALARM2ON"},
                               {{"07/03/2005 14.00.00", "0", "KEV", "5", "10", "0"},
                                {"31/02/2005 14.10.00", "0", "KEV", "ERR", "10", "0"},
                                {"07/03/2005 14.20.00", "1", "KEV", "12", "10", "1"},
                                {"07/03/2005 13.50.00", "0", "KEV", " 2.5 ", "10", "0"}});
  const TArchiveChartData data(*archive, {"", "Режим"});
  EXPECT_TRUE(data.Timed());
  EXPECT_EQ(data.UntimedCount(), 1);
  EXPECT_FALSE(data.HasTime(1));
  EXPECT_EQ(data.X(1), kMarch7 + 600);
  EXPECT_EQ(data.Order(), (std::vector<int>{3, 0, 1, 2}));
  EXPECT_EQ(data.Extent(), (TRange{double(kMarch7 - 600), double(kMarch7 + 1200)}));
  EXPECT_EQ(data.Within({double(kMarch7), double(kMarch7 + 600)}), (std::pair{1, 3}));
  EXPECT_EQ(data.Nearest(kMarch7 + 250), 0);
  EXPECT_EQ(data.Nearest(kMarch7 + 350), 1);
  EXPECT_EQ(data.Nearest(kMarch7 + 1e6), 2);

  ASSERT_EQ(data.Series().size(), 4u) << "SERIALN is no number";
  const auto& alpha = data.Series()[static_cast<size_t>(SeriesNamed(data, "SUMALPHA"))];
  EXPECT_TRUE(std::isnan(alpha.Values[1]));
  EXPECT_EQ(alpha.Values[3], 2.5);
  EXPECT_TRUE(alpha.ShownByDefault);
  EXPECT_EQ(alpha.Level1, SeriesNamed(data, "ALPHAALARM1"));
  EXPECT_EQ(alpha.Level2, -1);
  EXPECT_EQ(data.Series()[0].Caption, QStringLiteral("Режим"));
  for (const char* hidden : {"MODE", "ALPHAALARM1", "ALPHAALARM2ON"})
    EXPECT_FALSE(data.Series()[static_cast<size_t>(SeriesNamed(data, hidden))].ShownByDefault) << hidden;
  EXPECT_FALSE(TArchiveChartData(*Archive({"SUMALPHA"}, {{"1"}, {"2"}}), {}).Timed());
}

TEST(ChartAxis, ScalesZoomAroundThePointerAndTicksFallOnRoundValues) {
  const struct {
    double value;
    TRange range;
    bool log;
    double fraction;
  } fractions[] = {
      {5, {0, 10}, false, 0.5}, {-5, {0, 10}, false, -0.5}, {10, {1, 100}, true, 0.5},
      {1, {1, 100}, true, 0},   {0, {1, 100}, true, 0},     {-3, {1, 100}, true, 0},
  };
  for (const auto& row : fractions)
    EXPECT_DOUBLE_EQ(ChartAxis::Fraction(row.value, row.range, row.log), row.fraction) << row.value;

  const TRange all{0, 1000};
  const struct {
    const char* what;
    TRange range;
    double anchor;
    double factor;
    TRange zoomed;
  } zooms[] = {
      {"in around the pointer", {0, 1000}, 250, 0.5, {125, 625}},
      {"out, stopped at the whole", {100, 300}, 200, 100, {0, 1000}},
      {"out at an edge, moved back inside", {800, 1000}, 900, 2, {600, 1000}},
      {"in, not below the least span", {400, 500}, 450, 0.01, {420, 480}},
  };
  for (const auto& row : zooms)
    EXPECT_EQ(ChartAxis::Zoom(row.range, row.anchor, row.factor, all, 60), row.zoomed) << row.what;
  EXPECT_EQ(ChartAxis::Pan({100, 300}, 50, all), (TRange{150, 350}));
  EXPECT_EQ(ChartAxis::Pan({100, 300}, -500, all), (TRange{0, 200}));

  EXPECT_EQ(ChartAxis::ValueRange(0, 20, false), (TRange{-1, 21}));
  EXPECT_EQ(ChartAxis::ValueRange(5, 5, false), (TRange{4.5, 5.5}));
  EXPECT_EQ(ChartAxis::ValueRange(kNone, kNone, true), (TRange{1, 10}));
  EXPECT_EQ(ChartAxis::ValueTicks({-1, 21}, false, 5), (std::vector<double>{0, 5, 10, 15, 20}));
  EXPECT_EQ(ChartAxis::ValueTicks({0.5, 2000}, true, 5), (std::vector<double>{1, 10, 100, 1000}));
  EXPECT_EQ(ChartAxis::ValueTicks({3, 30}, true, 5), (std::vector<double>{5, 10, 20}));
  EXPECT_EQ(ChartAxis::ValueTicks({33, 48}, true, 4), (std::vector<double>{35, 40, 45}));

  // A day in ticks of six hours from midnight, labelled by the time of day.
  const ChartAxis::TTimeTicks day = ChartAxis::TimeTicks({kMarch7 - 14 * 3600.0, kMarch7 + 9 * 3600.0 + 1}, 5);
  EXPECT_EQ(day.Step, 21600);
  ASSERT_EQ(day.At.size(), 4u);
  EXPECT_EQ(ChartAxis::TimeLabel(day.At[0], day.Step), QStringLiteral("00:00"));
  EXPECT_EQ(ChartAxis::TimeLabel(day.At[3], day.Step), QStringLiteral("18:00"));
  EXPECT_EQ(ChartAxis::DayLabel(day.At[0]), QStringLiteral("07.03.2005"));
  EXPECT_EQ(ChartAxis::TimeTicks({0, 30 * 86400.0}, 8).Step, 7 * 86400);
}

class ArchiveChartWindowTest : public testing::Test {
 protected:
  // A day of records every ten minutes; alpha goes over its first level
  // (10) in the afternoon and over the second (20) at 18:00; the second
  // record has no time.
  void SetUp() override {
    std::vector<QByteArrayList> rows;
    for (int n = 0; n < 144; ++n) {
      const QDateTime at = QDateTime(QDate(2005, 3, 7), QTime(0, 0), Qt::UTC).addSecs(600 * n);
      const double alpha = n == 108 ? 25 : 5 + 7 * std::sin(n * 3.14159 / 144);
      rows.push_back({n == 1 ? "--" : at.toString(QStringLiteral("dd/MM/yyyy HH.mm.ss")).toLatin1(), "0",
                      QByteArray::number(alpha, 'f', 2), "10", "20"});
    }
    Window.SetArchive(*Archive({"DATETIME", "MODE", "SUMALPHA", "ALPHAALARM1", "ALPHAALARM2"}, rows), {});
    Window.resize(900, 520);
    Window.show();
    Alpha = SeriesNamed(Window.Data(), "SUMALPHA");
  }
  int Count(QRgb colour) const {
    int count = 0;
    const QImage& image = Plot().Image();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
    return count;
  }
  TArchiveChartPlot& Plot() const { return *Window.ChartPlot(); }
  void Wheel(int x, int delta) {
    const QPointF at(x, 100);
    QWheelEvent wheel(at, Plot().mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&Plot(), &wheel);
  }

  TScriptedDialogs Dialogs;
  TArchiveChartWindow Window{Dialogs};
  int Alpha = -1;
};

TEST_F(ArchiveChartWindowTest, DrawsTheLevelsDashedMarksThePointsAboveAndTheLegendSwitchesColumns) {
  EXPECT_TRUE(Window.isWindow());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&Window)->text(QAccessible::Name), QStringLiteral("График архива"));
  EXPECT_EQ(Window.NoticeLabel()->text(),
            QStringLiteral("Записей без верного времени: 1. Они размещены по порядку между соседними записями."));
  EXPECT_FALSE(Window.LegendEntry(SeriesNamed(Window.Data(), "MODE"))->isChecked());
  ASSERT_TRUE(Window.LegendEntry(Alpha)->isChecked());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Window.LegendEntry(Alpha))->text(QAccessible::Name),
            QStringLiteral("SUMALPHA"));

  const QRgb alpha = Plot().Colour(Alpha).rgb();
  const QRgb level1 = TArchiveChartPlot::kLevel1Colour.rgb();
  EXPECT_GT(Count(alpha), 300);
  EXPECT_GT(Count(TArchiveChartPlot::kLevel2Colour.rgb()), 20) << "the second level and the mark over it";
  // The first level is a dashed row: many runs of its colour along it.
  const QImage& image = Plot().Image();
  int bestRuns = 0;
  for (int y = 0; y < image.height(); ++y) {
    int runs = 0;
    for (int x = 1; x < image.width(); ++x) runs += image.pixel(x, y) == level1 && image.pixel(x - 1, y) != level1;
    bestRuns = std::max(bestRuns, runs);
  }
  EXPECT_GT(bestRuns, 30);

  Window.LegendEntry(Alpha)->click();
  EXPECT_EQ(Count(alpha), 0);
  EXPECT_EQ(Count(level1), 0) << "the levels go with their column";
  Window.LegendEntry(Alpha)->click();
  Window.LogScaleBox()->click();
  EXPECT_TRUE(Plot().Logarithmic());
  EXPECT_GT(Count(alpha), 300);
}

TEST_F(ArchiveChartWindowTest, TheMouseZoomsPansAndReadsOutAndTheRecordsInSightAreSaved) {
  const TRange all = Plot().TimeRange();
  const int x = static_cast<int>(Plot().PixelOf(Window.Data().X(36)));
  const double under = Plot().MomentAt(x);
  Wheel(x, 240);
  EXPECT_NEAR(Plot().TimeRange().Span(), all.Span() * 0.64, 1);
  EXPECT_NEAR(Plot().MomentAt(x), under, Plot().TimeRange().Span() / 500) << "the pointer keeps its moment";
  // The read-out follows the pointer to the nearest record.
  EXPECT_EQ(Plot().CursorRecord(), 36);
  EXPECT_EQ(Window.RecordReadOut()->text(), QStringLiteral("37"));
  EXPECT_EQ(Window.TimeReadOut()->text(), QStringLiteral("07/03/2005 06.00.00"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Window.ValueReadOut(Alpha))->text(QAccessible::Name),
            Window.ValueReadOut(Alpha)->text());
  EXPECT_EQ(Window.ValueReadOut(Alpha)->text(), QStringLiteral("9.95"));
  Plot().PointAt(static_cast<int>(Plot().PixelOf(Window.Data().X(1))));
  EXPECT_EQ(Window.TimeReadOut()->text(), QStringLiteral("нет верного времени (--)"));

  const TRange zoomed = Plot().TimeRange();
  QTest::mousePress(&Plot(), Qt::LeftButton, {}, QPoint(400, 100));
  QTest::mouseMove(&Plot(), QPoint(500, 100));
  QTest::mouseRelease(&Plot(), Qt::LeftButton, {}, QPoint(500, 100));
  EXPECT_LT(Plot().TimeRange().From, zoomed.From) << "dragged right, earlier records come in";
  EXPECT_DOUBLE_EQ(Plot().TimeRange().Span(), zoomed.Span());

  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("sight.csv"));
  const QString png = dir.filePath(QStringLiteral("chart.png"));
  Dialogs.FileNames = {csv, png, dir.filePath(QStringLiteral("missing/chart.png"))};
  Window.SaveRecordsButton()->click();
  const auto [first, end] = Window.Data().Within(Plot().TimeRange());
  QFile table(csv);
  ASSERT_TRUE(table.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = table.readAll().split('\n');
  ASSERT_EQ(lines.size(), end - first + 2);
  const char separator = TCsvFormat::ForLocale(QLocale::system()).Separator;
  EXPECT_EQ(lines[0], QByteArray("\xEF\xBB\xBF"
                                 "DATETIME") +
                          separator + "SUMALPHA\r");
  EXPECT_TRUE(lines[1].startsWith("2005-03-07T")) << lines[1].constData();

  Window.SavePictureButton()->click();
  // The plot under a title and the period, over the legend.
  EXPECT_EQ(QImage(png).width(), Plot().Image().width());
  EXPECT_GT(QImage(png).height(), Plot().Image().height() + 40);
  Window.SavePictureButton()->click();
  EXPECT_EQ(Dialogs.Texts(), QStringList{QStringLiteral("Записать рисунок в файл не удалось!")});

  QTest::mouseDClick(&Plot(), Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_EQ(Plot().TimeRange(), all);
}

TEST_F(ArchiveChartWindowTest, KeysDoWhatTheMouseDoes) {
  const TRange all = Plot().TimeRange();
  const struct {
    Qt::Key key;
    double span;  // of the whole
    int moved;    // -1 earlier, 0 centred, +1 later
  } rows[] = {{Qt::Key_Plus, 0.8, 0},    {Qt::Key_Plus, 0.64, 0},  {Qt::Key_Left, 0.64, -1}, {Qt::Key_Right, 0.64, 0},
              {Qt::Key_Right, 0.64, +1}, {Qt::Key_Minus, 0.8, +1}, {Qt::Key_Home, 1, 0}};
  const double middle = (all.From + all.To) / 2;
  for (const auto& row : rows) {
    QTest::keyClick(&Plot(), row.key);
    const TRange range = Plot().TimeRange();
    EXPECT_NEAR(range.Span(), all.Span() * row.span, all.Span() / 1000) << row.key;
    const double centre = (range.From + range.To) / 2;
    EXPECT_EQ(centre < middle - 1 ? -1 : centre > middle + 1 ? +1 : 0, row.moved) << row.key;
  }
}

TEST(ArchiveChartWindow, GapsBreakTheLineRecordsGoOutInTimeOrderAndWithoutTimesTheyAreCounted) {
  TScriptedDialogs dialogs;
  TArchiveChartWindow window(dialogs);
  window.resize(700, 400);
  window.show();
  // Four records, one without a number, the clock set back before the
  // third one.
  window.SetArchive(*Archive({"DATETIME", "RADON"}, {{"07/03/2005 14.00.00", "10"},
                                                     {"07/03/2005 15.00.00", "--"},
                                                     {"07/03/2005 13.00.00", "30"},
                                                     {"07/03/2005 16.00.00", "20"}}),
                    {});
  TArchiveChartPlot& plot = *window.ChartPlot();
  const QRgb radon = plot.Colour(0).rgb();
  const auto drawn = [&plot, radon](double from, double to) {
    int count = 0;
    for (int x = static_cast<int>(plot.PixelOf(from)) + 3; x < static_cast<int>(plot.PixelOf(to)) - 3; ++x)
      for (int y = 0; y < plot.Image().height(); ++y) count += plot.Image().pixel(x, y) == radon;
    return count;
  };
  const double x0 = window.Data().X(0);
  EXPECT_GT(drawn(window.Data().X(2), x0), 0) << "13:00 to 14:00 is joined";
  EXPECT_EQ(drawn(x0, window.Data().X(3)), 0) << "no number at 15:00: no line from 14:00 to 16:00";

  QTemporaryDir dir;
  dialogs.FileNames = {dir.filePath(QStringLiteral("r.csv"))};
  window.SaveRecordsButton()->click();
  QFile file(dir.filePath(QStringLiteral("r.csv")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> rows = file.readAll().split('\n');
  ASSERT_EQ(rows.size(), 6);
  EXPECT_TRUE(rows[1].startsWith("2005-03-07T13:00:00"));
  EXPECT_TRUE(rows[3].startsWith("2005-03-07T15:00:00"));

  window.SetArchive(*Archive({"RADON"}, {{"1"}, {"2"}, {"4"}}), {});
  EXPECT_EQ(window.NoticeLabel()->text(),
            QStringLiteral("Ни у одной записи нет верного времени: записи размещены по порядку номеров."));
  window.ChartPlot()->PointAt(static_cast<int>(window.ChartPlot()->PixelOf(2)));
  EXPECT_EQ(window.RecordReadOut()->text(), QStringLiteral("3"));
  EXPECT_EQ(window.TimeReadOut()->text(), QStringLiteral("нет верного времени"));
  EXPECT_EQ(window.ValueReadOut(0)->text(), QStringLiteral("4"));
}

TEST_F(ArchiveChartWindowTest, EveryControlAndReadOutIsReachableUnderTheNameItShows) {
  Plot().PointAt(300);
  const auto name = [](QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
  };
  const std::pair<QWidget*, QString> rows[] = {
      {Window.LogScaleBox(), QStringLiteral("Логарифмическая шкала")},
      {Window.ShowAllButton(), QStringLiteral("Показать все")},
      {Window.SavePictureButton(), QStringLiteral("Сохранить рисунок...")},
      {Window.SaveRecordsButton(), QStringLiteral("Сохранить записи...")},
      {Window.ChartPlot(), QStringLiteral("График")},
      {Window.LegendEntry(Alpha), QStringLiteral("SUMALPHA")},
      {Window.RecordReadOut(), Window.RecordReadOut()->text()},
      {Window.TimeReadOut(), Window.TimeReadOut()->text()},
      {Window.ValueReadOut(Alpha), Window.ValueReadOut(Alpha)->text()},
  };
  for (const auto& [widget, shown] : rows) EXPECT_EQ(name(widget), shown) << widget->objectName().toStdString();
  EXPECT_FALSE(Window.TimeReadOut()->text().isEmpty());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Window.ValueReadOut(Alpha))->text(QAccessible::Description),
            QStringLiteral("SUMALPHA"));
}

TEST(ArchiveChartWindow, ASpikeInTenThousandRecordsShowsAChangedLevelStepsAndChoicesStay) {
  TScriptedDialogs dialogs;
  TArchiveChartWindow window(dialogs);
  window.resize(800, 500);
  window.show();
  // Radon flat but for one record; the first alpha level raised halfway.
  std::vector<QByteArrayList> rows;
  for (int n = 0; n < 10000; ++n)
    rows.push_back({QDateTime(QDate(2005, 3, 7), QTime(0, 0), Qt::UTC)
                        .addSecs(60 * n)
                        .toString(QStringLiteral("dd/MM/yyyy HH.mm.ss"))
                        .toLatin1(),
                    n == 6789 ? "100" : "10", "10", n < 5000 ? "50" : "80"});
  const auto archive = Archive({"DATETIME", "RADON", "SUMALPHA", "ALPHAALARM1"}, rows);
  window.SetArchive(*archive, {});
  const TArchiveChartPlot& plot = *window.ChartPlot();
  const QImage& image = plot.Image();
  window.LegendEntry(SeriesNamed(window.Data(), "SUMALPHA"))->click();
  const QRgb radon = plot.Colour(SeriesNamed(window.Data(), "RADON")).rgb();
  bool spike = false;
  for (int y = 0; y < image.height() / 4; ++y)
    for (int x = 0; x < image.width(); ++x) spike = spike || image.pixel(x, y) == radon;
  EXPECT_TRUE(spike) << "the one record of 100 among 10 reaches the top of the band";

  window.LegendEntry(SeriesNamed(window.Data(), "RADON"))->click();
  window.LegendEntry(SeriesNamed(window.Data(), "SUMALPHA"))->click();
  const auto levelRow = [&image](int from, int to) {
    int best = -1, most = 0;
    for (int y = 0; y < image.height(); ++y) {
      int count = 0;
      for (int x = from; x < to; ++x) count += image.pixel(x, y) == TArchiveChartPlot::kLevel1Colour.rgb();
      if (count > most) std::tie(best, most) = std::pair{y, count};
    }
    return best;
  };
  const int before = levelRow(100, 300);
  const int after = levelRow(500, 700);
  EXPECT_GT(before, after + 50) << "80 stands higher than 50";

  // The operator's choice holds for the next archive.
  window.SetArchive(*archive, {});
  EXPECT_FALSE(window.LegendEntry(SeriesNamed(window.Data(), "RADON"))->isChecked());
  EXPECT_TRUE(window.LegendEntry(SeriesNamed(window.Data(), "SUMALPHA"))->isChecked());
}

// What an operator saw go wrong over two thousand records: serial numbers as
// a band, ticks on arbitrary days, labels cut or overprinted, a read-out
// left on a record out of sight, a saved picture that named nothing.
TEST(ArchiveChartData, TextColumnsGetNoBandAndBandsNameTheUnitOfTheirCaption) {
  const struct {
    const char* name;
    QByteArrayList values;
    const char* caption;
    bool band;
    const char* unit;
  } columns[] = {
      {"SERIALN", {"00107", "00107", "00107"}, "", false, ""},
      {"SERIALN", {"107", "107", "107"}, "", false, "" /* a serial number even without leading zeros */},
      {"CODE", {"7", "0012", "13"}, "", false, "" /* one value written as a name makes the column text */},
      {"SUMALPHA", {"0.5", "-0.25", "0"}, "Измеренная объемная активность альфа-излучателей (Бк/м**3)", true, "Бк/м³"},
      {"FLOW", {"20", "20.5", "21"}, "Расход воздуха (л/мин)", true, "л/мин"},
      {"STATUS", {"0", "1", "0"}, "Состояние установки", true, ""},
  };
  for (const auto& column : columns) {
    SCOPED_TRACE(column.name);
    std::vector<QByteArrayList> rows;
    for (const QByteArray& value : column.values) rows.push_back({value});
    const TArchiveChartData data(*Archive({column.name}, rows), {QString::fromUtf8(column.caption)});
    ASSERT_EQ(data.Series().size(), column.band ? 1u : 0u);
    if (column.band) {
      EXPECT_EQ(data.Series()[0].Unit, QString::fromUtf8(column.unit));
    }
  }
}

TEST(ChartAxis, LongTicksFallOnCalendarBoundaries) {
  const auto at = [](int year, int month, int day) {
    return static_cast<double>(QDateTime(QDate(year, month, day), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
  };
  const auto date = [](double moment) { return QDateTime::fromSecsSinceEpoch(std::llround(moment), Qt::UTC); };
  const struct {
    const char* boundary;
    TRange range;
    int maxTicks;
    std::function<bool(const QDateTime&)> isBoundary;
  } rows[] = {
      {"midnight",
       {at(2026, 9, 20) + 3600, at(2026, 9, 27)},
       8,
       [](const QDateTime& t) { return t.time() == QTime(0, 0); }},
      {"Monday",
       {at(2026, 9, 17) + 5000, at(2026, 11, 20)},
       10,
       [](const QDateTime& t) { return t.time() == QTime(0, 0) && t.date().dayOfWeek() == Qt::Monday; }},
      {"the 1st",
       {at(2026, 3, 19), at(2026, 12, 19)},
       10,
       [](const QDateTime& t) { return t.time() == QTime(0, 0) && t.date().day() == 1; }},
      {"a quarter",
       {at(2024, 12, 19), at(2026, 12, 19)},
       9,
       [](const QDateTime& t) { return t.date().day() == 1 && (t.date().month() - 1) % 3 == 0; }},
      {"1 January",
       {at(2016, 12, 19), at(2026, 12, 19)},
       10,
       [](const QDateTime& t) { return t.time() == QTime(0, 0) && t.date().day() == 1 && t.date().month() == 1; }},
      {"1 January of a decade",
       {at(1955, 6, 1), at(2026, 12, 19)},
       8,
       [](const QDateTime& t) { return t.date() == QDate(t.date().year(), 1, 1) && t.date().year() % 10 == 0; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.boundary);
    const ChartAxis::TTimeTicks ticks = ChartAxis::TimeTicks(row.range, row.maxTicks);
    ASSERT_GE(ticks.At.size(), 2u);
    EXPECT_LE(static_cast<int>(ticks.At.size()), row.maxTicks + 1);
    for (const double tick : ticks.At) {
      EXPECT_TRUE(row.isBoundary(date(tick))) << date(tick).toString(Qt::ISODate).toStdString();
      EXPECT_TRUE(tick >= row.range.From && tick <= row.range.To);
    }
  }
}

TEST_F(ArchiveChartWindowTest, TheReadOutStaysInSightEdgeLabelsStayWholeAndThePictureSaysWhatItShows) {
  // The cursor on the last record, then the keys zoom into the middle and
  // pan to the start: the read-out follows onto records in sight.
  Plot().PointAt(static_cast<int>(Plot().PixelOf(Window.Data().X(143))));
  ASSERT_EQ(Plot().CursorRecord(), 143);
  for (const Qt::Key key : {Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left,
                            Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Right}) {
    QTest::keyClick(&Plot(), key);
    const int cursor = Plot().CursorRecord();
    ASSERT_GE(cursor, 0);
    const double x = Window.Data().X(cursor);
    EXPECT_TRUE(x >= Plot().TimeRange().From && x <= Plot().TimeRange().To) << key;
    EXPECT_EQ(Window.RecordReadOut()->text(), QString::number(cursor + 1));
  }

  // A day from midnight to midnight puts its last tick, and the date under
  // it, on the right edge: the labels are moved inwards, not cut.
  TArchiveChartWindow day{Dialogs};
  std::vector<QByteArrayList> rows;
  for (int n = 0; n <= 48; ++n)
    rows.push_back({QDateTime(QDate(2005, 3, 7), QTime(0, 0), Qt::UTC)
                        .addSecs(1800 * n)
                        .toString(QStringLiteral("dd/MM/yyyy HH.mm.ss"))
                        .toLatin1(),
                    QByteArray::number(n % 7)});
  day.SetArchive(*Archive({"DATETIME", "SUMALPHA"}, rows), {});
  day.resize(900, 520);
  day.show();
  const QImage& image = day.ChartPlot()->Image();
  for (int y = image.height() - 34; y < image.height(); ++y)
    for (const int x : {0, image.width() - 1}) EXPECT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << ' ' << y;

  Window.setWindowTitle(QStringLiteral("График архива"));
  const QImage picture = Plot().Picture(Window.windowTitle());
  ASSERT_EQ(picture.width(), Plot().Image().width());
  int inkRowsAbove = 0;
  for (int y = 0; y < 40; ++y) {
    bool ink = false;
    for (int x = 0; x < picture.width() && !ink; ++x) ink = picture.pixel(x, y) != qRgb(255, 255, 255);
    inkRowsAbove += ink;
  }
  EXPECT_GT(inkRowsAbove, 8) << "title and period over the chart";
  int swatch = 0;
  for (int y = picture.height() - 40; y < picture.height(); ++y)
    for (int x = 0; x < 40; ++x) swatch += picture.pixel(x, y) == Plot().Colour(Alpha).rgb();
  EXPECT_GT(swatch, 50) << "the legend names SUMALPHA in its colour";
}
