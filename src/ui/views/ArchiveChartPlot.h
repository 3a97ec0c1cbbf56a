#pragma once

#include "ChartAxis.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <vector>

class QPainter;
class TArchiveChartData;

// The picture of the archive chart: one band per shown column, stacked over
// a common time axis, each band with its own value axis (linear or
// logarithmic) fitted to the records in sight, the alarm levels of a column
// dashed across its band and the points above them marked. Painted with
// QPainter into an image; a column of pixels draws the least and the
// greatest value of its records, so ten thousand records cost no more than
// a few hundred.
//
// The wheel zooms the time axis around the pointer, a drag pans it, a double
// click shows every record; the keys do the same (+ and -, the arrows,
// Home). The record nearest to the pointer is the cursor, marked by a
// vertical line.
class TArchiveChartPlot : public QWidget {
  Q_OBJECT

 public:
  // Dashed levels and the marks of the points above them.
  static const QColor kLevel1Colour;
  static const QColor kLevel2Colour;

  explicit TArchiveChartPlot(QWidget* parent = nullptr);

  // Borrowed; every column at its default, every record in sight, no
  // cursor. Null shows nothing.
  void SetData(const TArchiveChartData* data);
  void SetShown(int series, bool shown);
  bool Shown(int series) const;
  QColor Colour(int series) const;
  void SetLogarithmic(bool logarithmic);
  bool Logarithmic() const { return FLogarithmic; }

  ChartAxis::TRange TimeRange() const { return FRange; }
  void ShowAll();
  // factor below 1 zooms in; the moment at pixel x stays there.
  void ZoomAt(int x, double factor);
  void PanBy(int pixels);
  // The cursor goes to the record nearest to pixel x.
  void PointAt(int x);
  int CursorRecord() const { return FCursor; }
  // Where a moment lies in the picture, and the moment at a pixel.
  double PixelOf(double x) const;
  double MomentAt(int pixel) const;

  // Stretches of the time axis where records are missing, shaded and marked
  // on the axis; SetData clears them.
  void SetGaps(std::vector<ChartAxis::TRange> gaps);

  // The picture as last drawn.
  const QImage& Image() const { return FImage; }
  // The picture as a file keeps it: the title and the period in sight over
  // it, the legend of the shown columns with their units under it.
  QImage Picture(const QString& title) const;

 signals:
  // The cursor moved to this record (-1: none).
  void CursorMoved(int record);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct TBand;
  void Draw();
  void DrawTimeAxis(QPainter& painter, int top, int bottom);
  void DrawBand(QPainter& painter, const TBand& band, int series);
  // Gives the level's value at the right of what is in sight (NaN: none).
  double DrawLevel(QPainter& painter, const TBand& band, int level, const QColor& colour);
  // Gives where the label went, which the next level's label keeps clear of.
  QRect LevelLabel(QPainter& painter, const TBand& band, double value, const QColor& colour, const QString& text,
                   const QString& unit, const QRect& clearOf);
  ChartAxis::TRange BandRange(int series) const;
  double MinSpan() const;
  void SetCursor(int record);
  // After the range changed: the cursor moves onto a record in sight.
  void KeepCursorInSight();

  const TArchiveChartData* FData = nullptr;
  std::vector<bool> FShown;
  std::vector<QColor> FColours;
  bool FLogarithmic = false;
  ChartAxis::TRange FRange;
  int FCursor = -1;
  std::vector<ChartAxis::TRange> FGaps;
  bool FDragging = false;
  int FDragX = 0;
  QImage FImage;
};
