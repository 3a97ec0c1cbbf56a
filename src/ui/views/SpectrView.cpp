#include "SpectrView.h"

#include "NuclideTableWindow.h"
#include "OperatorDialogs.h"
#include "PageColours.h"
#include "RadiationSpectr.h"
#include "SpectrEnergy.h"
#include "SpectrPeaks.h"
#include "SpectrViewEnergyCalibration.h"
#include "Win1251.h"

#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <functional>

// The plot surface: shows the view's image and tells the view where the
// mouse is and where the context menu was asked for.
class TSpectrBox : public QWidget {
 public:
  TSpectrBox(const QImage& image, QWidget* parent) : QWidget(parent), FImage(image) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  std::function<void(int)> OnMouseMove;
  std::function<void(const QPoint&)> OnContextMenu;

  // The menu where the pointer is, or in the middle when it is elsewhere.
  void ShowMenu() {
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    if (OnContextMenu) OnContextMenu(mapToGlobal(rect().contains(pointer) ? pointer : rect().center()));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, FImage);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (OnMouseMove) OnMouseMove(event->position().toPoint().x());
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    if (OnContextMenu) OnContextMenu(event->globalPos());
  }

 private:
  const QImage& FImage;
};

namespace {

// The plot as a graphic whose context menu an assistive tool can open.
class TSpectrBoxAccessible : public QAccessibleWidget {
 public:
  explicit TSpectrBoxAccessible(TSpectrBox* box) : QAccessibleWidget(box, QAccessible::Graphic) {}
  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
  void doAction(const QString& action) override {
    if (action == showMenuAction())
      static_cast<TSpectrBox*>(widget())->ShowMenu();
    else
      QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface* SpectrBoxAccessible(const QString&, QObject* object) {
  auto* box = dynamic_cast<TSpectrBox*>(object);
  return box ? new TSpectrBoxAccessible(box) : nullptr;
}

const QColor kBluePen(0, 0, 255);
const QColor kRedPen(255, 0, 0);
// The companion's spectrum over this one: lighter than either pen, and far
// enough from both that the two lines are told apart.
const QColor kCompanionPen(110, 190, 110);
// The read-outs and the comment box share the grey of the main window's
// read-outs, dark enough for yellow and white captions to stay legible.
const QColor kPanelColour = PageColours::kValueBackground;
const QColor kPanelFont = PageColours::kValueText;
const QColor kCommentsFont(255, 255, 255);

const QString kAreaText = QStringLiteral("Площадь области между маркерами = ");
const QString kAreaFailed = QStringLiteral("Площадь области между маркерами вычислить не удалось");
const QString kBackgroundAreaText = QStringLiteral("Площадь фонового спектра между маркерами = ");
const QString kNetAreaText = QStringLiteral("Чистая площадь (основной минус фоновый) = ");
const QString kNoPeaksText = QStringLiteral("Пики Po-218, Po-214 или Po-212 для калибровки не найдены");
// Faint enough to stay behind the spectrum.
const QColor kDecadePen(215, 215, 215);
const QColor kDecadeText(120, 120, 120);
const QColor kMarkPen(150, 0, 150);

constexpr int kMargin = 3;
constexpr int kRowHeight = 21;
constexpr int kReadOutWidth = 60;
constexpr int kVerticalMax = 100;
constexpr int kMinPlotMaximum = 32;
// Far enough outside the box for any column the installation can send,
// small enough for the painter's integer coordinates.
constexpr int64_t kFarOutside = 1 << 24;

QLabel* MakePanel(QWidget* parent, const char* name, const QString& what) {
  auto* panel = new QLabel(QStringLiteral("0"), parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, kPanelColour);
  palette.setColor(QPalette::WindowText, kPanelFont);
  panel->setPalette(palette);
  QFont font = panel->font();
  font.setBold(true);
  panel->setFont(font);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAlignment(Qt::AlignCenter);
  // Its name is the number it shows; the description tells which one.
  panel->setAccessibleDescription(what);
  return panel;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QWidget* buddy) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setBuddy(buddy);
  return label;
}

// Places a label sized to its text; gives its right edge.
int PlaceLabel(QLabel* label, const QString& caption, int left, int top) {
  label->setText(caption);
  label->setGeometry(left, top, label->sizeHint().width(), kRowHeight);
  return left + label->width();
}

// The comment cut into lines by character: each line takes characters while
// it leaves room for one more "W", and at least one.
//
// A line with one more character is never narrower, so the length of each
// line is searched for, starting from the length of the line before, instead
// of measuring the line once per character it takes: a comment of many
// thousand characters is wrapped at once.
QStringList WrapByCharacter(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  qsizetype guess = std::max(1, width / std::max(1, metrics.averageCharWidth()));
  qsizetype at = 0;
  while (at < text.size()) {
    const qsizetype remaining = text.size() - at;
    // True from the first length whose line leaves no room for a "W" on.
    const auto full = [&](qsizetype length) {
      return length >= remaining || metrics.horizontalAdvance(text.mid(at, length) + QLatin1Char('W')) >= width;
    };
    // Brackets the length between one that is not full (or -1) and one that
    // is, widening from the guess, then halves the bracket.
    qsizetype high = std::min(guess, remaining);
    qsizetype low = high - 1;
    qsizetype step = 1;
    if (full(high)) {
      while (low >= 0 && full(low)) {
        high = low;
        step *= 2;
        low = high - step;
      }
      low = std::max<qsizetype>(low, -1);
    } else {
      do {
        low = high;
        high = std::min(low + step, remaining);
        step *= 2;
      } while (!full(high));
    }
    while (high - low > 1) {
      const qsizetype middle = low + (high - low) / 2;
      (full(middle) ? high : low) = middle;
    }
    const qsizetype length = std::max<qsizetype>(high, 1);
    lines << text.mid(at, length);
    at += length;
    guess = length;
  }
  return lines;
}

}  // namespace

TSpectrView::TSpectrView(TOperatorDialogs& dialogs, QWidget* owner)
    : QFrame(owner), FDialogs(dialogs), FSpectr(std::make_unique<TRadiationSpectr>()) {
  static const bool kAccessibleBox = [] {
    QAccessible::installFactory(SpectrBoxAccessible);
    return true;
  }();
  Q_UNUSED(kAccessibleBox);
  setObjectName(QStringLiteral("SpectrView"));
  resize(300, 250);
  BuildMenu();
  BuildControls();
  FEnergyCalibrationForm = std::make_unique<TEnergyCalibrationForm>(this);
  ResetMarkers();
  ArrangeControls();
  Repaint();
}

TSpectrView::~TSpectrView() = default;

QWidget* TSpectrView::SpectrBox() const { return FSpectrBox; }

void TSpectrView::BuildMenu() {
  FPopupMenu = new QMenu(this);
  FPopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  // Queued: the menu has closed, and whoever pressed the item (the mouse or
  // an assistive tool) has had its answer, before a dialog or a message
  // box waits for the operator.
  const auto item = [this](const QString& text, void (TSpectrView::*handler)()) {
    connect(FPopupMenu->addAction(text), &QAction::triggered, this, handler, Qt::QueuedConnection);
  };
  item(QStringLiteral("Калибровка по энергии"), &TSpectrView::OnPopupMenu1Click);
  FPopupMenu->addSeparator();
  item(QStringLiteral("Установить маркер 1"), &TSpectrView::OnPopupMenu1ClickSetMarker1);
  item(QStringLiteral("Установить маркер 2"), &TSpectrView::OnPopupMenu1ClickSetMarker2);
  FPopupMenu->addSeparator();
  item(QStringLiteral("Удалить маркеры"), &TSpectrView::OnPopupMenu1ClickClearMarkers);
  FPopupMenu->addSeparator();
  item(QStringLiteral("Показать площадь выделенной области"), &TSpectrView::OnPopupMenu1ClickCalculate);
  FPopupMenu->addSeparator();
  const auto checkable = [this, &item](const QString& text, void (TSpectrView::*handler)()) {
    item(text, handler);
    QAction* action = FPopupMenu->actions().constLast();
    action->setCheckable(true);
    return action;
  };
  FLogScaleItem = checkable(QStringLiteral("Логарифмическая шкала"), &TSpectrView::OnPopupMenu1ClickLogScale);
  FLogScaleItem->setObjectName(QStringLiteral("LogScaleItem"));
  // Named when the companion is known; without one there is nothing to show.
  FCompanionItem = checkable(QString(), &TSpectrView::OnPopupMenu1ClickShowCompanion);
  FCompanionItem->setObjectName(QStringLiteral("CompanionItem"));
  FCompanionItem->setVisible(false);
  FPopupMenu->addSeparator();
  FNuclidesItem = checkable(QStringLiteral("Показать нуклиды"), &TSpectrView::OnPopupMenu1ClickShowNuclides);
  FNuclidesItem->setObjectName(QStringLiteral("NuclidesItem"));
  item(QStringLiteral("Таблица нуклидов"), &TSpectrView::OnPopupMenu1ClickNuclideTable);
  item(QStringLiteral("Калибровать по пикам"), &TSpectrView::OnPopupMenu1ClickCalibrateByPeaks);
  item(QStringLiteral("Сохранить в N42..."), &TSpectrView::OnPopupMenu1ClickSaveN42);
}

void TSpectrView::SetCompanion(const TSpectrView* companion, TCompanion kind) {
  if (FCompanion) disconnect(FCompanion, &TSpectrView::SpectrChanged, this, nullptr);
  FCompanion = companion;
  FCompanionKind = kind;
  FCompanionItem->setText(kind == TCompanion::Background ? QStringLiteral("Показать фоновый спектр")
                                                         : QStringLiteral("Показать основной спектр"));
  FCompanionItem->setVisible(companion != nullptr);
  if (companion)
    connect(companion, &TSpectrView::SpectrChanged, this, [this] {
      if (FCompanionItem->isChecked()) DrawSpectr();
      if (FNuclideTable && FNuclideTable->isVisible()) OnPopupMenu1ClickNuclideTable();
    });
  DrawSpectr();
}

void TSpectrView::BuildControls() {
  FSpectrBox = new TSpectrBox(FImage, this);
  FSpectrBox->setObjectName(QStringLiteral("SpectrBox"));
  FSpectrBox->setAccessibleName(QStringLiteral("Спектр"));
  FSpectrBox->OnMouseMove = [this](int x) { SpectrBoxMouseMove(x); };
  FSpectrBox->OnContextMenu = [this](const QPoint& at) { FPopupMenu->popup(at); };

  FVSpectrScrollBar = new QScrollBar(Qt::Vertical, this);
  FVSpectrScrollBar->setObjectName(QStringLiteral("VSpectrScrollBar"));
  FVSpectrScrollBar->setAccessibleName(QStringLiteral("Масштаб по вертикали"));
  FVSpectrScrollBar->setRange(0, kVerticalMax);
  FVSpectrScrollBar->setValue(kVerticalMax);
  connect(FVSpectrScrollBar, &QScrollBar::valueChanged, this, &TSpectrView::OnScrollScrollBar);

  FHSpectrScrollBar = new QScrollBar(Qt::Horizontal, this);
  FHSpectrScrollBar->setObjectName(QStringLiteral("HSpectrScrollBar"));
  FHSpectrScrollBar->setAccessibleName(QStringLiteral("Прокрутка по каналам"));
  FHSpectrScrollBar->setRange(0, 0);
  connect(FHSpectrScrollBar, &QScrollBar::valueChanged, this, &TSpectrView::OnScrollScrollBar);

  FChannel = MakePanel(this, "Channel", QStringLiteral("Канал"));
  FEnergy = MakePanel(this, "Energy", QStringLiteral("Энергия, кэВ"));
  FChData = MakePanel(this, "ChData", QStringLiteral("Значение"));

  FScaleXTB = new QSlider(Qt::Horizontal, this);
  FScaleXTB->setObjectName(QStringLiteral("ScaleXTB"));
  FScaleXTB->setAccessibleName(QStringLiteral("X - сжатие"));
  FScaleXTB->setRange(1, 16);
  FScaleXTB->setValue(1);
  FScaleXTB->setPageStep(1);
  FScaleXTB->setTickPosition(QSlider::TicksBelow);
  connect(FScaleXTB, &QSlider::valueChanged, this, &TSpectrView::OnScaleChange);

  FLChannel = MakeLabel(this, "LChannel", FChannel);
  FLEnergy = MakeLabel(this, "LEnergy", FEnergy);
  FLChData = MakeLabel(this, "LChData", FChData);
  FLScaleXTB = MakeLabel(this, "LScaleXTB", FScaleXTB);

  FComments = new QListWidget(this);
  FComments->setObjectName(QStringLiteral("Comments"));
  FComments->setAccessibleName(QStringLiteral("Комментарий"));
  FComments->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FComments->setTextElideMode(Qt::ElideNone);
  QPalette palette = FComments->palette();
  palette.setColor(QPalette::Base, kPanelColour);
  palette.setColor(QPalette::Text, kCommentsFont);
  FComments->setPalette(palette);
}

void TSpectrView::SetSpectr(const TRadiationSpectr& spectr) {
  auto copy = std::make_unique<TRadiationSpectr>();
  copy->CopyChannels(&spectr);
  copy->SetCalibration(spectr.A(), spectr.B());
  copy->SetComment(spectr.Comment());
  FSpectr = std::move(copy);
  FHasSpectr = true;
  ResetMarkers();
  DrawSpectr();
  ShowComments();
  if (FNuclideTable && FNuclideTable->isVisible()) OnPopupMenu1ClickNuclideTable();
  emit SpectrChanged();
}

void TSpectrView::ResizeComments(int height) {
  FCommentsHeight = height;
  Repaint();
}

void TSpectrView::Repaint() {
  update();
  DrawSpectr();
  ShowComments();
}

void TSpectrView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ArrangeControls();
  Repaint();
}

void TSpectrView::ArrangeControls() {
  const int h = height();
  const int w = width();
  const int hs = FHSpectrScrollBar->sizeHint().height();
  const int vw = FVSpectrScrollBar->sizeHint().width();
  const int plotHeight = std::max(0, h - 4 - FCommentsHeight - kRowHeight - 20 - hs);
  FVSpectrScrollBar->setGeometry(kMargin, kMargin, vw, plotHeight);
  FVSpectrScrollBar->setVisible(true);

  // The bitmap takes the new size of the box; DrawSpectr fills it.
  const int plotWidth = std::max(0, w - 2 * kMargin - vw);
  FSpectrBox->setGeometry(kMargin + vw, kMargin, plotWidth, plotHeight);
  FImage = plotWidth > 0 && plotHeight > 0 ? QImage(plotWidth, plotHeight, QImage::Format_RGB32) : QImage();
  FHSpectrScrollBar->setGeometry(FSpectrBox->x(), FSpectrBox->y() + plotHeight, plotWidth, hs);

  const int top = FHSpectrScrollBar->y() + hs + 10;
  int right = PlaceLabel(FLChannel, QStringLiteral("Канал :"), 10, top);
  FChannel->setGeometry(right + 10, top, kReadOutWidth, kRowHeight);
  right = PlaceLabel(FLEnergy, QStringLiteral("Энергия :"), FChannel->geometry().right() + 1 + 20, top);
  FEnergy->setGeometry(right + 10, top, kReadOutWidth, kRowHeight);
  right = PlaceLabel(FLChData, QStringLiteral("Значение :"), FEnergy->geometry().right() + 1 + 20, top);
  FChData->setGeometry(right + 10, top, kReadOutWidth, kRowHeight);
  right = PlaceLabel(FLScaleXTB, QStringLiteral("X - сжатие"), FChData->geometry().right() + 1 + 20, top);
  const int scaleLeft = right + 10;
  FScaleXTB->setGeometry(scaleLeft, top, std::max(0, w - scaleLeft - 5), kRowHeight);

  FComments->setGeometry(kMargin, top + kRowHeight + 9, vw + plotWidth, FCommentsHeight);
}

void TSpectrView::DrawSpectr() {
  const int z = FScaleXTB->value();
  const int columns = TRadiationSpectr::kChannels / z;
  const int wb = FImage.width();
  const int hb = FImage.height();
  {
    // Setting the range may move the thumb back; that is no scroll of the
    // operator's.
    const QSignalBlocker blocker(FHSpectrScrollBar);
    FHSpectrScrollBar->setMaximum(columns > wb ? columns - wb : 0);
    // The thumb as wide as the part of the spectrum in sight.
    FHSpectrScrollBar->setPageStep(std::max(1, std::min(columns, wb)));
  }
  const int p = FHSpectrScrollBar->value();

  if (!FImage.isNull()) {
    QPainter painter(&FImage);
    painter.fillRect(FImage.rect(), palette().color(QPalette::Base));

    int32_t m = kMinPlotMaximum;
    for (int c = 0; c < TRadiationSpectr::kChannels; ++c) m = std::max(m, FSpectr->Channel(c));
    const int k = FVSpectrScrollBar->maximum() + 1 - FVSpectrScrollBar->value();
    const long double divisor = k * 0.2L * m / hb;
    // The count of a column that reaches the top of the box: the vertical
    // scale means the same on both scales.
    const long double top = k * 0.2L * m;
    const bool logarithmic = FLogScaleItem->isChecked();
    const auto columnHeight = [&](const auto& count, int c0) {
      // Up to 16 counts: a sum in 32 bits could wrap round to a negative one.
      long double sum = 0;
      for (int i = 0; i < z; ++i) sum += count(c0 + i);
      // On the logarithmic scale a zero (or negative) count lies at the
      // bottom, as on the linear one.
      const long double h =
          logarithmic ? std::log10(1.0L + std::max<long double>(sum, 0)) / std::log10(1.0L + top) * hb : sum / divisor;
      return static_cast<int>(hb - std::clamp(static_cast<int64_t>(h), -kFarOutside, kFarOutside) - 1);
    };
    if (logarithmic) DrawLogDecades(painter, top);

    const auto own = [this](int c) { return static_cast<long double>(FSpectr->Channel(c)); };
    QColor colour = kBluePen;
    QPoint from(1, hb - 1);
    const int drawn = std::min(columns, wb) - 1;
    for (int d = 0; d < drawn; ++d) {
      const int c0 = z * (p + d);
      if (c0 >= FMarkerLow) colour = kRedPen;
      if (c0 >= FMarkerHigh) colour = kBluePen;
      painter.setPen(colour);
      const QPoint to(d, columnHeight(own, c0));
      painter.drawLine(from, to);
      from = to;
    }
    // The other spectrum on this one's scale, its counts moved to this
    // one's channels by energy: two detectors put a line in different
    // channels.
    if (FCompanion && FCompanion->HasSpectr() && FCompanionItem->isChecked()) {
      const SpectrEnergy::TChannelCounts aligned =
          SpectrEnergy::Rebinned(FCompanion->Spectr(), {FSpectr->A(), FSpectr->B()});
      const auto other = [&aligned](int c) {
        return c >= 0 && c < TRadiationSpectr::kChannels ? static_cast<long double>(aligned[static_cast<size_t>(c)])
                                                         : 0.0L;
      };
      painter.setPen(kCompanionPen);
      from = QPoint(1, hb - 1);
      for (int d = 0; d < drawn; ++d) {
        const QPoint to(d, columnHeight(other, z * (p + d)));
        painter.drawLine(from, to);
        from = to;
      }
      DrawLegend(painter);
    }
    if (FNuclidesItem->isChecked()) DrawNuclideMarks(painter, p, drawn);
  }
  FSpectrBox->update();
  ShowCursorInfo();
}

void TSpectrView::ShowCursorInfo() {
  FCurChannel = (FHSpectrScrollBar->value() + FMouseX) * FScaleXTB->value();
  // Halves to even, as the default rounding mode does.
  const long double energy = std::nearbyint(FCurChannel * FSpectr->A() + FSpectr->B());
  if (!(energy > 0))
    FCurEnergy = 0;
  else if (energy >= static_cast<long double>(INT32_MAX))
    FCurEnergy = INT32_MAX;
  else
    FCurEnergy = static_cast<int32_t>(energy);
  FCurValue = FSpectr->Channel(FCurChannel);
  FChannel->setText(QString::number(FCurChannel));
  FEnergy->setText(QString::number(FCurEnergy));
  FChData->setText(QString::number(FCurValue));
}

void TSpectrView::ShowComments() {
  const int client = FComments->width() - 2 * FComments->frameWidth();
  const QStringList& wide = WrappedComment(FWideComment, client);
  // Lines that do not fit the box bring its scroll bar, which takes room
  // from every line. A row's height is known once the box holds one.
  if (FComments->count() == 0) ShowCommentLines(wide);
  const bool overflows = FComments->count() > 0 &&
                         FComments->sizeHintForRow(0) * wide.size() > FComments->height() - 2 * FComments->frameWidth();
  ShowCommentLines(
      overflows ? WrappedComment(FNarrowComment, client - FComments->verticalScrollBar()->sizeHint().width()) : wide);
}

const QStringList& TSpectrView::WrappedComment(TWrappedComment& wrapped, int width) {
  if (FSpectr->Comment() != FWrappedText) {
    FWrappedText = FSpectr->Comment();
    FWideComment = {};
    FNarrowComment = {};
  }
  if (wrapped.Width != width) {
    wrapped.Lines = WrapByCharacter(Win1251::ToUnicode(FWrappedText), QFontMetrics(FComments->font()), width);
    wrapped.Width = width;
  }
  return wrapped.Lines;
}

void TSpectrView::ShowCommentLines(const QStringList& lines) {
  if (lines == FShownComment) return;
  FComments->clear();
  FComments->addItems(lines);
  FShownComment = lines;
}

void TSpectrView::SpectrBoxMouseMove(int x) {
  FMouseX = x;
  ShowCursorInfo();
}

void TSpectrView::OnScrollScrollBar() { DrawSpectr(); }

void TSpectrView::OnScaleChange() {
  {
    const QSignalBlocker blocker(FHSpectrScrollBar);
    FHSpectrScrollBar->setValue(0);
  }
  DrawSpectr();
}

void TSpectrView::ResetMarkers() {
  FMarker1 = 0;
  FMarker2 = 0;
  FMarkerLow = 0;
  FMarkerHigh = 0;
}

void TSpectrView::SetMarker(int32_t& marker) {
  marker = FCurChannel;
  FMarkerLow = std::min(FMarker1, FMarker2);
  FMarkerHigh = std::max(FMarker1, FMarker2);
  DrawSpectr();
}

void TSpectrView::OnPopupMenu1ClickSetMarker1() { SetMarker(FMarker1); }

void TSpectrView::OnPopupMenu1ClickSetMarker2() { SetMarker(FMarker2); }

void TSpectrView::OnPopupMenu1ClickClearMarkers() {
  ResetMarkers();
  DrawSpectr();
}

void TSpectrView::OnPopupMenu1ClickCalculate() {
  using TMessageKind = TOperatorDialogs::TMessageKind;
  // A marker at 0 is an unset one; with both unset there is no region.
  if (FMarker1 == 0 && FMarker2 == 0) {
    FDialogs.Message(TMessageKind::Warning, kAreaFailed, QMessageBox::Yes);
    return;
  }
  FMarkerLow = std::min(FMarker1, FMarker2);
  FMarkerHigh = std::max(FMarker1, FMarker2);
  const std::optional<int32_t> area = SpectrEnergy::Area(*FSpectr, FMarkerLow, FMarkerHigh);
  if (!area) {
    FDialogs.Message(TMessageKind::Warning, kAreaFailed, QMessageBox::Yes);
    return;
  }
  const SpectrEnergy::TNetArea net = SpectrEnergy::NetArea(*FSpectr, BackgroundSpectr(), FMarkerLow, FMarkerHigh);
  QString text = kAreaText + QString::number(*area) + QLatin1Char('\n') +
                 QStringLiteral("Каналы %1–%2, энергия %3–%4 кэВ")
                     .arg(net.Low)
                     .arg(net.High)
                     .arg(net.FromKev, 0, 'f', 0)
                     .arg(net.ToKev, 0, 'f', 0);
  // On the main view, the background between the same energies and what is
  // left of the main spectrum above it.
  if (BackgroundSpectr())
    text += QLatin1Char('\n') + kBackgroundAreaText + QString::number(net.Background, 'f', 0) + QLatin1Char('\n') +
            kNetAreaText + QString::number(net.Net, 'f', 0) + QStringLiteral(" ± ") +
            QString::number(net.Sigma, 'f', 0);
  FDialogs.Message(TMessageKind::Information, text, QMessageBox::Yes);
}

const TRadiationSpectr* TSpectrView::BackgroundSpectr() const {
  return FCompanion && FCompanionKind == TCompanion::Background && FCompanion->HasSpectr() ? &FCompanion->Spectr()
                                                                                           : nullptr;
}

void TSpectrView::OnPopupMenu1ClickLogScale() { DrawSpectr(); }

void TSpectrView::OnPopupMenu1ClickShowCompanion() { DrawSpectr(); }

void TSpectrView::OnPopupMenu1Click() { RunCalibration(FCalChannel1, FCalEnergy1, FCalChannel2, FCalEnergy2); }

void TSpectrView::RunCalibration(int32_t channel1, int32_t energy1, int32_t channel2, int32_t energy2) {
  TEnergyCalibrationForm& form = *FEnergyCalibrationForm;
  form.SetCurChannel(FCurChannel);
  form.SetCurEnergy(FCurEnergy);
  form.SetChannel1(channel1);
  form.SetEnergy1(energy1);
  form.SetChannel2(channel2);
  form.SetEnergy2(energy2);
  if (FDialogs.RunModal(form) != QDialog::Accepted) return;
  FCalChannel1 = form.Channel1();
  FCalEnergy1 = form.Energy1();
  FCalChannel2 = form.Channel2();
  FCalEnergy2 = form.Energy2();
  // Two points on one channel give no line; the spectrum keeps its own.
  if (const auto line = SpectrEnergy::TwoPoint(FCalChannel1, FCalEnergy1, FCalChannel2, FCalEnergy2))
    FSpectr->SetCalibration(line->A, line->B);
  // The marks and the overlay follow the new energies.
  DrawSpectr();
  if (FNuclideTable && FNuclideTable->isVisible()) OnPopupMenu1ClickNuclideTable();
}

void TSpectrView::OnPopupMenu1ClickShowNuclides() { DrawSpectr(); }

void TSpectrView::OnPopupMenu1ClickNuclideTable() {
  if (!FNuclideTable) FNuclideTable = std::make_unique<TNuclideTableWindow>(FDialogs);
  FNuclideTable->SetAnalysis(SpectrPeaks::Analyse(*FSpectr, BackgroundSpectr()));
  FNuclideTable->show();
  FNuclideTable->raise();
}

void TSpectrView::OnPopupMenu1ClickCalibrateByPeaks() {
  const auto found = SpectrPeaks::CalibrateFromPeaks(*FSpectr);
  if (!found) {
    FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, kNoPeaksText, QMessageBox::Yes);
    return;
  }
  // Nothing changes until the operator accepts the points in the dialog.
  RunCalibration(static_cast<int32_t>(std::lround(found->Channel1)), static_cast<int32_t>(std::lround(found->Energy1)),
                 static_cast<int32_t>(std::lround(found->Channel2)), static_cast<int32_t>(std::lround(found->Energy2)));
}

void TSpectrView::OnPopupMenu1ClickSaveN42() { emit SaveN42Requested(); }

void TSpectrView::DrawLogDecades(QPainter& painter, long double top) const {
  const int hb = FImage.height();
  const int wb = FImage.width();
  QFont font = painter.font();
  font.setPointSize(7);
  painter.setFont(font);
  for (long double decade = 1; decade <= top; decade *= 10) {
    const int y = static_cast<int>(hb - std::log10(1.0L + decade) / std::log10(1.0L + top) * hb - 1);
    painter.setPen(kDecadePen);
    painter.drawLine(0, y, wb, y);
    painter.setPen(kDecadeText);
    painter.drawText(QRect(2, y - 12, 60, 12), Qt::AlignLeft | Qt::AlignBottom,
                     QString::number(static_cast<double>(decade), 'f', 0));
  }
}

void TSpectrView::DrawNuclideMarks(QPainter& painter, int firstColumn, int columns) const {
  const int z = FScaleXTB->value();
  QFont font = painter.font();
  font.setPointSize(7);
  painter.setFont(font);
  painter.setPen(kMarkPen);
  int row = 0;
  for (const SpectrPeaks::TPeak& peak : SpectrPeaks::FindPeaks(*FSpectr)) {
    const int x = static_cast<int>(std::lround(peak.Channel / z)) - firstColumn;
    if (x < 0 || x >= columns) continue;
    // The name where the calibration places a nuclide's line, the energy
    // otherwise; rows alternate so that close marks stay legible.
    const QString text = peak.Nuclide.isEmpty() ? QStringLiteral("%1 кэВ").arg(peak.Energy, 0, 'f', 0)
                                                : QString::fromLatin1(peak.Nuclide);
    const int y = 4 + 12 * (row++ % 2);
    painter.drawLine(x, y + 13, x, y + 22);
    // On a patch of the plot's own colour: a label over a peak's line stays
    // legible.
    const QRect label = painter.boundingRect(QRect(x - 40, y, 80, 12), Qt::AlignHCenter | Qt::AlignBottom, text);
    painter.fillRect(label, palette().color(QPalette::Base));
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom, text);
  }
}

void TSpectrView::DrawLegend(QPainter& painter) const {
  const QString text =
      FCompanionKind == TCompanion::Background ? QStringLiteral("фоновый спектр") : QStringLiteral("основной спектр");
  QFont font = painter.font();
  font.setPointSize(8);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(text) + 30;
  const QRect box(FImage.width() - width - 6, 6, width, metrics.height() + 6);
  painter.setPen(kDecadeText);
  painter.setBrush(palette().color(QPalette::Base));
  painter.drawRect(box);
  painter.setPen(QPen(kCompanionPen, 2));
  const int y = box.center().y();
  painter.drawLine(box.left() + 4, y, box.left() + 20, y);
  painter.setPen(kDecadeText);
  painter.drawText(box.adjusted(24, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
  painter.setBrush(Qt::NoBrush);
}
