// Draws the program's own pictures: the open and the closed padlock of the
// password forms (PNG) and the About box's alpha spectrum of the radon and
// thoron daughters on an aerosol filter (JPEG, written with libjpeg, which
// the program decodes it with).
//
// Build and run from the repository root:
//   g++ -std=c++17 -fPIC scripts/artwork/MakeArtwork.cpp -o /tmp/make-artwork \
//       $(pkg-config --cflags --libs Qt6Gui) -ljpeg
//   QT_QPA_PLATFORM=offscreen /tmp/make-artwork src/access/images src/ui/dialogs/images

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

void DrawShackle(QPainter& painter, bool open) {
  // The open shackle is lifted: its left leg stays in the body, the right
  // one comes out.
  const double lift = open ? 6 : 0;
  QPainterPath shackle;
  shackle.moveTo(15, 25);
  shackle.lineTo(15, 18 - lift);
  shackle.arcTo(15, 8 - lift, 20, 20, 180, -180);
  shackle.lineTo(35, open ? 16 : 25);
  painter.setPen(QPen(QColor(120, 124, 132), 5.5, Qt::SolidLine, Qt::FlatCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(shackle);
  painter.setPen(QPen(QColor(200, 204, 212), 1.5));
  painter.drawArc(QRectF(16.5, 9.5 - lift, 17, 17), 40 * 16, 100 * 16);
}

QImage Padlock(bool open) {
  QImage image(50, 50, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawShackle(painter, open);
  QLinearGradient brass(0, 24, 0, 47);
  brass.setColorAt(0, QColor(246, 206, 92));
  brass.setColorAt(1, QColor(186, 132, 28));
  painter.setPen(QPen(QColor(120, 84, 14), 1.2));
  painter.setBrush(brass);
  painter.drawRoundedRect(QRectF(8, 24, 34, 23), 3.5, 3.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(60, 40, 10));
  painter.drawEllipse(QPointF(25, 32.5), 3.2, 3.2);
  painter.drawPolygon(QPolygonF({QPointF(23.6, 34), QPointF(26.4, 34), QPointF(27.3, 41.5), QPointF(22.7, 41.5)}));
  return image;
}

// An alpha peak of a filter source: a Gaussian with the low-energy tail that
// the dust on the filter gives.
double Peak(double energy, double centre, double height) {
  const double sigma = 0.07;
  const double d = energy - centre;
  const double core = std::exp(-d * d / (2 * sigma * sigma));
  const double tail = d < 0 ? 0.22 * std::exp(d / 0.35) * (1 - std::exp(-d * d / 0.02)) : 0;
  return height * (core + tail);
}

QImage Spectrum() {
  const int width = 283;
  const int height = 105;
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF plot(16, 8, 260, 82);
  const double eMin = 4.5;
  const double eMax = 9.5;
  const auto x = [&](double e) { return plot.left() + (e - eMin) / (eMax - eMin) * plot.width(); };
  const auto y = [&](double c) { return plot.bottom() - c * plot.height(); };

  painter.setPen(QPen(QColor(225, 229, 240), 1));
  for (double e = 5; e <= 9; e += 1) painter.drawLine(QPointF(x(e), plot.top()), QPointF(x(e), plot.bottom()));

  QPainterPath curve;
  curve.moveTo(x(eMin), y(0));
  for (double e = eMin; e <= eMax; e += 0.005) {
    const double c = Peak(e, 6.00, 0.62) + Peak(e, 7.69, 0.95) + Peak(e, 8.78, 0.30) + 0.015;
    curve.lineTo(x(e), y(c));
  }
  curve.lineTo(x(eMax), y(0));
  curve.closeSubpath();
  QLinearGradient fill(0, plot.top(), 0, plot.bottom());
  fill.setColorAt(0, QColor(70, 110, 200));
  fill.setColorAt(1, QColor(190, 210, 245));
  painter.setPen(QPen(QColor(0, 0, 128), 1.2));
  painter.setBrush(fill);
  painter.drawPath(curve);

  painter.setPen(QPen(QColor(0, 0, 128), 1));
  painter.drawLine(QPointF(plot.left(), plot.bottom()), QPointF(plot.right(), plot.bottom()));
  painter.drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.left(), plot.bottom()));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(9);
  painter.setFont(font);
  for (int e = 5; e <= 9; ++e)
    painter.drawText(QRectF(x(e) - 10, plot.bottom() + 2, 20, 11), Qt::AlignCenter, QString::number(e));
  painter.drawText(QRectF(plot.left() + 6, plot.top(), 60, 11), Qt::AlignLeft, QStringLiteral("E, МэВ"));
  const struct {
    double Energy;
    double Height;
    const char16_t* Name;
  } labels[] = {{6.00, 0.62, u"²¹⁸Po"}, {7.69, 0.95, u"²¹⁴Po"}, {8.78, 0.30, u"²¹²Po"}};
  for (const auto& label : labels) {
    const QRectF box(x(label.Energy) - 20, y(label.Height) - 13, 40, 11);
    painter.drawText(box.translated(0, label.Height > 0.9 ? 11 : 0).translated(label.Height > 0.9 ? 24 : 0, 0),
                     Qt::AlignCenter, QString::fromUtf16(label.Name));
  }
  return image;
}

bool WriteJpeg(const QImage& image, const char* path) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  jpeg_start_compress(&info, TRUE);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-artwork PADLOCK-FOLDER ABOUT-FOLDER\n");
    return 2;
  }
  const QString padlocks = QString::fromLocal8Bit(argv[1]);
  const QString about = QString::fromLocal8Bit(argv[2]);
  const bool done = Padlock(true).save(padlocks + "/padlock-open.png") &&
                    Padlock(false).save(padlocks + "/padlock-closed.png") &&
                    WriteJpeg(Spectrum(), (about + "/about-spectrum.jpg").toLocal8Bit().constData());
  return done ? 0 : 1;
}
