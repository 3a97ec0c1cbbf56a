#include "ArchiveChartPlot.h"

#include "ArchiveChartData.h"
#include "TextUtils.h"

#include <QKeyEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

const QColor TArchiveChartPlot::kLevel1Colour(235, 140, 0);
const QColor TArchiveChartPlot::kLevel2Colour(215, 0, 0);

namespace {

using ChartAxis::TRange;

// Room for the value labels on the left, the time labels (time and date in
// two rows) under the bands.
constexpr int kAxisWidth = 64;
constexpr int kRightMargin = 14;
constexpr int kTopMargin = 8;
constexpr int kTimeAxisHeight = 36;
constexpr int kBandGap = 8;
constexpr int kTimeTickSpacing = 90;
constexpr int kValueTickSpacing = 28;
constexpr double kWheelStep = 0.8;
constexpr double kMinTimeSpan = 60;
constexpr double kMinRecordSpan = 2;

const QColor kBackground(255, 255, 255);
const QColor kFrame(170, 170, 170);
const QColor kGrid(232, 232, 232);
const QColor kLabel(70, 70, 70);
const QColor kCursor(90, 90, 90);
const QColor kGapShade(215, 0, 0, 28);
const QColor kGapMark(215, 0, 0);

// The columns the operator reads most keep their colours whatever else the
// archive holds; the others take the rest in turn. None of them is the
// amber or the red of the alarm levels.
struct TNamedColour {
  const char* Name;
  QColor Colour;
};
const TNamedColour kNamedColours[] = {{"SUMALPHA", QColor(0, 90, 200)},
                                      {"SUMBETA", QColor(0, 140, 70)},
                                      {"RADON", QColor(140, 60, 180)},
                                      {"FLOW", QColor(0, 150, 160)},
                                      {"VOLUME", QColor(150, 100, 30)}};
const QColor kOtherColours[] = {QColor(90, 90, 90),  QColor(200, 0, 130), QColor(100, 130, 0),  QColor(40, 40, 160),
                                QColor(120, 70, 40), QColor(0, 110, 110), QColor(160, 90, 160), QColor(70, 110, 150)};

bool IsNumber(double value) { return !std::isnan(value); }

// The part of a line between two pixel columns; null when it lies outside.
QLineF ClipToColumns(QLineF line, double left, double right) {
  if (line.x1() > line.x2()) line = QLineF(line.p2(), line.p1());
  if (line.x2() < left || line.x1() > right) return {};
  const auto at = [&line](double x) {
    const double t = (x - line.x1()) / (line.x2() - line.x1());
    return QPointF(x, line.y1() + t * (line.y2() - line.y1()));
  };
  QPointF from = line.p1();
  QPointF to = line.p2();
  if (from.x() < left) from = at(left);
  if (to.x() > right) to = at(right);
  return {from, to};
}

}  // namespace

struct TArchiveChartPlot::TBand {
  QRect Rect;
  TRange Values;
  double YOf(double value, bool logarithmic) const {
    const double fraction = std::clamp(ChartAxis::Fraction(value, Values, logarithmic), -0.02, 1.02);
    return Rect.bottom() - fraction * (Rect.height() - 1);
  }
};

TArchiveChartPlot::TArchiveChartPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ChartPlot"));
  setAccessibleName(QStringLiteral("График"));
  setAccessibleDescription(
      QStringLiteral("Колесо мыши или + и -: масштаб по времени; перетаскивание или стрелки: сдвиг; двойной щелчок "
                     "или Home: все записи"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::CrossCursor);
  setMinimumSize(320, 200);
}

void TArchiveChartPlot::SetData(const TArchiveChartData* data) {
  FData = data;
  FShown.clear();
  FColours.clear();
  if (FData) {
    size_t other = 0;
    for (const TArchiveChartData::TSeries& series : FData->Series()) {
      FShown.push_back(series.ShownByDefault);
      QColor colour;
      for (const TNamedColour& named : kNamedColours)
        if (TextUtils::SameTextAscii(series.Name, named.Name)) colour = named.Colour;
      if (!colour.isValid()) colour = kOtherColours[other++ % std::size(kOtherColours)];
      FColours.push_back(colour);
    }
    FRange = FData->Extent();
  }
  FGaps.clear();
  FCursor = -1;
  Draw();
}

void TArchiveChartPlot::SetShown(int series, bool shown) {
  if (series < 0 || series >= static_cast<int>(FShown.size())) return;
  FShown[static_cast<size_t>(series)] = shown;
  Draw();
}

bool TArchiveChartPlot::Shown(int series) const {
  return series >= 0 && series < static_cast<int>(FShown.size()) && FShown[static_cast<size_t>(series)];
}

QColor TArchiveChartPlot::Colour(int series) const {
  return series >= 0 && series < static_cast<int>(FColours.size()) ? FColours[static_cast<size_t>(series)] : QColor();
}

void TArchiveChartPlot::SetLogarithmic(bool logarithmic) {
  FLogarithmic = logarithmic;
  Draw();
}

void TArchiveChartPlot::ShowAll() {
  if (!FData) return;
  FRange = FData->Extent();
  Draw();
}

double TArchiveChartPlot::MinSpan() const { return FData && FData->Timed() ? kMinTimeSpan : kMinRecordSpan; }

void TArchiveChartPlot::ZoomAt(int x, double factor) {
  if (!FData) return;
  FRange = ChartAxis::Zoom(FRange, MomentAt(x), factor, FData->Extent(), MinSpan());
  KeepCursorInSight();
  Draw();
}

void TArchiveChartPlot::PanBy(int pixels) {
  if (!FData) return;
  const double width = std::max(1, this->width() - kAxisWidth - kRightMargin);
  FRange = ChartAxis::Pan(FRange, -pixels * FRange.Span() / width, FData->Extent());
  KeepCursorInSight();
  Draw();
}

void TArchiveChartPlot::KeepCursorInSight() {
  if (FCursor < 0) return;
  const double x = FData->X(FCursor);
  if (x >= FRange.From && x <= FRange.To) return;
  // The read-out goes to the record in sight nearest to where it was, or
  // shows none when no record is in sight.
  const auto [first, end] = FData->Within(FRange);
  if (first >= end) return SetCursor(-1);
  SetCursor(FData->Order()[static_cast<size_t>(x > FRange.To ? end - 1 : first)]);
}

void TArchiveChartPlot::SetGaps(std::vector<ChartAxis::TRange> gaps) {
  FGaps = std::move(gaps);
  Draw();
}

QImage TArchiveChartPlot::Picture(const QString& title) const {
  if (FImage.isNull()) return {};
  QFont bold = font();
  bold.setBold(true);
  bold.setPointSizeF(font().pointSizeF() + 1);
  const QFontMetrics boldMetrics(bold);
  const QFontMetrics metrics(font());
  const int margin = 10;
  const int row = metrics.height() + 4;

  // The period in sight, the legend of the shown columns with their units
  // and captions: a picture that says what it shows away from the program.
  QString period;
  if (FData && FData->Timed())
    period =
        QStringLiteral("Период: %1 — %2").arg(ChartAxis::MomentLabel(FRange.From), ChartAxis::MomentLabel(FRange.To));
  else if (FData)
    period = QStringLiteral("Записи с %1 по %2").arg(std::ceil(FRange.From) + 1).arg(std::floor(FRange.To) + 1);
  std::vector<int> shown;
  for (size_t i = 0; i < FShown.size(); ++i)
    if (FShown[i]) shown.push_back(static_cast<int>(i));

  const int headerHeight = margin + boldMetrics.height() + row;
  const int legendHeight = static_cast<int>(shown.size()) * row + margin;
  QImage picture(FImage.width(), headerHeight + FImage.height() + legendHeight, QImage::Format_RGB32);
  picture.fill(kBackground);
  QPainter painter(&picture);
  painter.setPen(kLabel);
  painter.setFont(bold);
  painter.drawText(QRect(margin, margin, picture.width() - 2 * margin, boldMetrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
  painter.setFont(font());
  painter.drawText(QRect(margin, margin + boldMetrics.height(), picture.width() - 2 * margin, row),
                   Qt::AlignLeft | Qt::AlignVCenter, period);
  painter.drawImage(0, headerHeight, FImage);
  int y = headerHeight + FImage.height();
  for (const int index : shown) {
    const TArchiveChartData::TSeries& series = FData->Series()[static_cast<size_t>(index)];
    painter.fillRect(QRect(margin, y + row / 2 - 5, 10, 10), Colour(index));
    QString text = QString::fromLatin1(series.Name);
    if (!series.Unit.isEmpty()) text += QStringLiteral(", ") + series.Unit;
    if (!series.Caption.isEmpty()) text += QStringLiteral(" — ") + series.Caption;
    painter.setPen(kLabel);
    painter.drawText(QRect(margin + 16, y, picture.width() - margin - 16, row), Qt::AlignLeft | Qt::AlignVCenter, text);
    y += row;
  }
  return picture;
}

void TArchiveChartPlot::PointAt(int x) {
  if (!FData) return;
  SetCursor(FData->Nearest(MomentAt(x)));
}

void TArchiveChartPlot::SetCursor(int record) {
  if (record == FCursor) return;
  FCursor = record;
  Draw();
  emit CursorMoved(record);
}

double TArchiveChartPlot::PixelOf(double x) const {
  const double width = std::max(1, this->width() - kAxisWidth - kRightMargin);
  return kAxisWidth + (x - FRange.From) / FRange.Span() * width;
}

double TArchiveChartPlot::MomentAt(int pixel) const {
  const double width = std::max(1, this->width() - kAxisWidth - kRightMargin);
  return FRange.From + (pixel - kAxisWidth) / width * FRange.Span();
}

TRange TArchiveChartPlot::BandRange(int series) const {
  const auto& all = FData->Series();
  const TArchiveChartData::TSeries& shown = all[static_cast<size_t>(series)];
  const std::pair<int, int> inSight = FData->Within(FRange);
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  const auto take = [&](const std::vector<double>& values) {
    for (int p = inSight.first; p < inSight.second; ++p) {
      const double value = values[static_cast<size_t>(FData->Order()[static_cast<size_t>(p)])];
      if (!IsNumber(value) || (FLogarithmic && !(value > 0))) continue;
      low = std::min(low, value);
      high = std::max(high, value);
    }
  };
  // The levels count, so that the operator sees how far the values stay
  // below them.
  take(shown.Values);
  for (const int level : {shown.Level1, shown.Level2})
    if (level >= 0) take(all[static_cast<size_t>(level)].Values);
  return ChartAxis::ValueRange(low, high, FLogarithmic);
}

void TArchiveChartPlot::Draw() {
  if (FImage.isNull()) return;
  QPainter painter(&FImage);
  painter.fillRect(FImage.rect(), kBackground);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
  painter.setFont(small);

  std::vector<int> shown;
  for (size_t i = 0; i < FShown.size(); ++i)
    if (FShown[i]) shown.push_back(static_cast<int>(i));
  if (!FData || FData->RecordCount() == 0 || shown.empty()) {
    painter.setPen(kLabel);
    painter.drawText(FImage.rect(), Qt::AlignCenter,
                     !FData || FData->RecordCount() == 0 ? QStringLiteral("Нет записей с числовыми значениями")
                                                         : QStringLiteral("Отметьте в легенде столбцы для графика"));
    update();
    return;
  }

  const int top = kTopMargin;
  const int bottom = FImage.height() - kTimeAxisHeight;
  const int count = static_cast<int>(shown.size());
  const int bandHeight = std::max(12, (bottom - top - kBandGap * (count - 1)) / count);
  DrawTimeAxis(painter, top, top + count * bandHeight + (count - 1) * kBandGap);
  std::vector<TBand> bands;
  for (int i = 0; i < count; ++i) {
    const QRect rect(kAxisWidth, top + i * (bandHeight + kBandGap), FImage.width() - kAxisWidth - kRightMargin,
                     bandHeight);
    bands.push_back({rect, BandRange(shown[static_cast<size_t>(i)])});
    DrawBand(painter, bands.back(), shown[static_cast<size_t>(i)]);
  }

  if (FCursor >= 0) {
    const double x = std::round(PixelOf(FData->X(FCursor)));
    if (x >= kAxisWidth && x < FImage.width() - kRightMargin) {
      painter.setPen(QPen(kCursor, 1));
      painter.drawLine(QLineF(x, top, x, bands.back().Rect.bottom()));
      painter.setRenderHint(QPainter::Antialiasing);
      for (int i = 0; i < count; ++i) {
        const auto& series = FData->Series()[static_cast<size_t>(shown[static_cast<size_t>(i)])];
        const double value = series.Values[static_cast<size_t>(FCursor)];
        if (!IsNumber(value)) continue;
        painter.setPen(QPen(kBackground, 1.5));
        painter.setBrush(Colour(shown[static_cast<size_t>(i)]));
        painter.drawEllipse(QPointF(x, bands[static_cast<size_t>(i)].YOf(value, FLogarithmic)), 4, 4);
      }
    }
  }
  update();
}

void TArchiveChartPlot::DrawTimeAxis(QPainter& painter, int top, int bottom) {
  const int left = kAxisWidth;
  const int right = FImage.width() - kRightMargin;
  const int maxTicks = std::max(2, (right - left) / kTimeTickSpacing);
  const QFontMetrics metrics(painter.font());
  const int row = metrics.height();
  std::vector<std::pair<double, QString>> ticks;
  std::vector<QString> days;
  if (FData->Timed()) {
    const ChartAxis::TTimeTicks time = ChartAxis::TimeTicks(FRange, maxTicks);
    QString previousDay;
    for (const double at : time.At) {
      ticks.emplace_back(at, ChartAxis::TimeLabel(at, time.Step));
      const QString day = ChartAxis::DayLabel(at);
      days.push_back(time.Step < 86400 && day != previousDay ? day : QString());
      previousDay = day;
    }
  } else {
    // Record numbers count from 1, as the selection dialog counts them.
    for (const double at : ChartAxis::ValueTicks(FRange, false, maxTicks)) {
      if (at != std::floor(at)) continue;
      ticks.emplace_back(at, QString::number(at + 1, 'f', 0));
      days.push_back(QString());
    }
    painter.setPen(kLabel);
    painter.drawText(QRect(0, bottom + 2 + row, left - 4, row), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("№ записи"));
  }
  // Where history is missing: shaded over the bands, a red bar on the axis.
  for (const ChartAxis::TRange& gap : FGaps) {
    const double from = std::clamp(PixelOf(gap.From), static_cast<double>(left), static_cast<double>(right));
    const double to = std::clamp(PixelOf(gap.To), static_cast<double>(left), static_cast<double>(right));
    if (to <= from) continue;
    painter.fillRect(QRectF(from, top, to - from, bottom - top), kGapShade);
    painter.fillRect(QRectF(from, bottom - 1, std::max(2.0, to - from), 4), kGapMark);
  }
  for (size_t i = 0; i < ticks.size(); ++i) {
    const double x = std::round(PixelOf(ticks[i].first));
    if (x < left || x > right) continue;
    painter.setPen(kGrid);
    painter.drawLine(QLineF(x, top, x, bottom));
    painter.setPen(kLabel);
    painter.drawLine(QLineF(x, bottom, x, bottom + 3));
    // A label at either end is moved inwards rather than cut by the edge.
    const int labelWidth = std::max(metrics.horizontalAdvance(ticks[i].second), metrics.horizontalAdvance(days[i])) + 4;
    const int labelLeft = std::clamp(static_cast<int>(x) - labelWidth / 2, 0, FImage.width() - labelWidth);
    const QRect label(labelLeft, bottom + 3, labelWidth, row);
    painter.drawText(label, Qt::AlignCenter, ticks[i].second);
    if (!days[i].isEmpty()) painter.drawText(label.translated(0, row), Qt::AlignCenter, days[i]);
  }
}

void TArchiveChartPlot::DrawBand(QPainter& painter, const TBand& band, int seriesIndex) {
  const auto& all = FData->Series();
  const TArchiveChartData::TSeries& series = all[static_cast<size_t>(seriesIndex)];
  const QRect& rect = band.Rect;
  const QFontMetrics metrics(painter.font());

  const int maxTicks = std::max(2, rect.height() / kValueTickSpacing);
  for (const double value : ChartAxis::ValueTicks(band.Values, FLogarithmic, maxTicks)) {
    const double y = std::round(band.YOf(value, FLogarithmic));
    painter.setPen(kGrid);
    painter.drawLine(QLineF(rect.left(), y, rect.right(), y));
    painter.setPen(kLabel);
    painter.drawText(QRectF(0, y - metrics.height() / 2.0, kAxisWidth - 6, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, ChartAxis::ValueLabel(value));
  }
  painter.setPen(kFrame);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect);

  painter.save();
  painter.setClipRect(rect.adjusted(1, 1, 0, 0));
  const double level2 = series.Level2 >= 0 ? DrawLevel(painter, band, series.Level2, kLevel2Colour)
                                           : std::numeric_limits<double>::quiet_NaN();
  const double level1 = series.Level1 >= 0 ? DrawLevel(painter, band, series.Level1, kLevel1Colour)
                                           : std::numeric_limits<double>::quiet_NaN();

  // One step through the records in sight and one beyond each edge, so that
  // the line runs on to the edges. Each pixel column keeps the first, the
  // last, the least and the greatest point of its records.
  const auto [first, end] = FData->Within(FRange);
  const int from = std::max(first - 1, 0);
  const int to = std::min(end + 1, FData->RecordCount());
  const double left = rect.left() - 1.0;
  const double right = rect.right() + 1.0;
  const auto levelOf = [&all](int level, int record) {
    return level < 0 ? std::numeric_limits<double>::quiet_NaN()
                     : all[static_cast<size_t>(level)].Values[static_cast<size_t>(record)];
  };
  std::vector<QLineF> lines;
  std::vector<QPointF> dots;
  std::vector<std::pair<QPointF, int>> marks;
  bool open = false;
  double columnX = 0, bottomY = 0, topY = 0, firstY = 0, lastY = 0;
  int markLevel = 0;
  double markY = 0;
  bool joined = false;
  QPointF last;
  const auto flush = [&] {
    if (!open) return;
    const QPointF start(columnX, firstY);
    const bool inside = columnX >= left && columnX <= right;
    if (joined) {
      const QLineF line = ClipToColumns(QLineF(last, start), left, right);
      if (!line.isNull()) lines.push_back(line);
    } else if (inside) {
      dots.push_back(start);
    }
    if (inside && bottomY != topY) lines.emplace_back(columnX, bottomY, columnX, topY);
    if (inside && markLevel > 0) marks.emplace_back(QPointF(columnX, markY), markLevel);
    last = QPointF(columnX, lastY);
    joined = true;
    open = false;
  };
  for (int p = from; p < to; ++p) {
    const int record = FData->Order()[static_cast<size_t>(p)];
    const double value = series.Values[static_cast<size_t>(record)];
    if (!IsNumber(value)) {
      flush();
      joined = false;
      continue;
    }
    const double x = std::floor(PixelOf(FData->X(record)));
    const double y = std::round(band.YOf(value, FLogarithmic));
    if (!open || x != columnX) {
      flush();
      open = true;
      columnX = x;
      bottomY = topY = firstY = y;
      markLevel = 0;
    }
    bottomY = std::max(bottomY, y);  // pixels grow downwards
    topY = std::min(topY, y);
    lastY = y;
    const double level2 = levelOf(series.Level2, record);
    const double level1 = levelOf(series.Level1, record);
    const int above = IsNumber(level2) && value > level2 ? 2 : IsNumber(level1) && value > level1 ? 1 : 0;
    // The mark sits on the highest point above a level, in the colour of
    // the highest level passed in the column.
    if (above > 0) {
      markY = markLevel == 0 ? y : std::min(markY, y);
      markLevel = std::max(markLevel, above);
    }
  }
  flush();

  const QColor colour = Colour(seriesIndex);
  painter.setPen(QPen(colour, 1));
  painter.drawLines(lines.data(), static_cast<int>(lines.size()));
  painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawPoints(dots.data(), static_cast<int>(dots.size()));
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& [at, level] : marks) {
    const QColor mark = level == 2 ? kLevel2Colour : kLevel1Colour;
    painter.setPen(QPen(mark.darker(140), 1));
    painter.setBrush(mark);
    painter.drawEllipse(at, 3, 3);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  // The labels of the levels go over the line and its marks, so that no
  // point above a level hides what the level is.
  const QString unit = series.Unit.isEmpty() ? QString() : QStringLiteral(" ") + series.Unit;
  const QRect label2 = LevelLabel(painter, band, level2, kLevel2Colour, QStringLiteral("Уставка 2"), unit, {});
  LevelLabel(painter, band, level1, kLevel1Colour, QStringLiteral("Уставка 1"), unit, label2);
  painter.restore();

  // The name over the band's top left corner, on the background so that the
  // line under it does not cross the letters.
  QFont bold = painter.font();
  bold.setBold(true);
  painter.save();
  painter.setFont(bold);
  const QString title =
      QString::fromLatin1(series.Name) + (series.Unit.isEmpty() ? QString() : QStringLiteral(", ") + series.Unit);
  const QRect titleRect = QFontMetrics(bold).boundingRect(title).adjusted(-3, -1, 3, 1);
  const QRect placed(rect.left() + 4, rect.top() + 2, titleRect.width(), titleRect.height());
  painter.fillRect(placed, QColor(255, 255, 255, 210));
  painter.setPen(colour);
  painter.drawText(placed, Qt::AlignCenter, title);
  painter.restore();
}

double TArchiveChartPlot::DrawLevel(QPainter& painter, const TBand& band, int level, const QColor& colour) {
  const std::vector<double>& values = FData->Series()[static_cast<size_t>(level)].Values;
  const auto [first, end] = FData->Within(FRange);
  const int from = std::max(first - 1, 0);
  const int to = std::min(end + 1, FData->RecordCount());
  double shownValue = std::numeric_limits<double>::quiet_NaN();
  if (from >= to) return shownValue;
  // A setting changed during the archive gives a step: each level runs from
  // its first record to the record that brought the next one.
  QPen pen(colour, 2, Qt::CustomDashLine);
  pen.setDashPattern({4, 3});
  painter.setPen(pen);
  const auto valueAt = [&](int p) { return values[static_cast<size_t>(FData->Order()[static_cast<size_t>(p)])]; };
  const auto xAt = [&](int p) {
    return std::clamp(PixelOf(FData->X(FData->Order()[static_cast<size_t>(p)])), band.Rect.left() - 1.0,
                      band.Rect.right() + 1.0);
  };
  int start = from;
  // The label names the level in effect at the right of what is in sight:
  // the last run drawn.
  const auto drawRun = [&](int stop) {
    const double value = valueAt(start);
    if (!IsNumber(value)) return;
    const double y = std::round(band.YOf(value, FLogarithmic));
    painter.drawLine(QLineF(xAt(start), y, xAt(stop), y));
    if (xAt(stop) >= band.Rect.left()) shownValue = value;
  };
  for (int p = from + 1; p < to; ++p) {
    const double a = valueAt(start);
    const double b = valueAt(p);
    if (a == b || (!IsNumber(a) && !IsNumber(b))) continue;
    drawRun(p);
    start = p;
  }
  drawRun(to - 1);
  return shownValue;
}

QRect TArchiveChartPlot::LevelLabel(QPainter& painter, const TBand& band, double value, const QColor& colour,
                                    const QString& text, const QString& unit, const QRect& clearOf) {
  if (!IsNumber(value)) return {};
  const QString label = text + QStringLiteral(": ") + ChartAxis::ValueLabel(value) + unit;
  const QFontMetrics metrics(painter.font());
  const int y = static_cast<int>(band.YOf(value, FLogarithmic));
  // Above its line, or under it where the band ends above the line or the
  // other level's label is there.
  QRect box(band.Rect.right() - metrics.horizontalAdvance(label) - 8, y - metrics.height() - 1,
            metrics.horizontalAdvance(label) + 4, metrics.height());
  if (box.top() <= band.Rect.top() || box.intersects(clearOf)) box.moveTop(y + 3);
  painter.fillRect(box, QColor(255, 255, 255, 230));
  painter.setPen(colour.darker(120));
  painter.drawText(box, Qt::AlignCenter, label);
  return box;
}

void TArchiveChartPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, FImage);
}

void TArchiveChartPlot::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FImage = width() > 0 && height() > 0 ? QImage(size(), QImage::Format_RGB32) : QImage();
  Draw();
}

void TArchiveChartPlot::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  FDragging = true;
  FDragX = event->position().toPoint().x();
  setCursor(Qt::ClosedHandCursor);
}

void TArchiveChartPlot::mouseMoveEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (FDragging) {
    PanBy(x - FDragX);
    FDragX = x;
  }
  PointAt(x);
}

void TArchiveChartPlot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  FDragging = false;
  setCursor(Qt::CrossCursor);
}

void TArchiveChartPlot::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  ShowAll();
}

void TArchiveChartPlot::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y();
  if (steps == 0) return QWidget::wheelEvent(event);
  ZoomAt(event->position().toPoint().x(), std::pow(kWheelStep, steps / 120.0));
  PointAt(event->position().toPoint().x());
  event->accept();
}

void TArchiveChartPlot::keyPressEvent(QKeyEvent* event) {
  const int centre = (kAxisWidth + width() - kRightMargin) / 2;
  const int tenth = std::max(1, (width() - kAxisWidth - kRightMargin) / 10);
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomAt(centre, kWheelStep);
      break;
    case Qt::Key_Minus:
      ZoomAt(centre, 1 / kWheelStep);
      break;
    case Qt::Key_Left:
      PanBy(tenth);
      break;
    case Qt::Key_Right:
      PanBy(-tenth);
      break;
    case Qt::Key_Home:
      ShowAll();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}
