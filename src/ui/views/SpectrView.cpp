#include "SpectrView.h"

#include "OperatorDialogs.h"
#include "PageColours.h"
#include "RadiationSpectr.h"
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
    const auto columnHeight = [&](const TRadiationSpectr& spectr, int c0) {
      // Up to 16 counts: a sum in 32 bits could wrap round to a negative one.
      int64_t sum = 0;
      for (int i = 0; i < z; ++i) sum += spectr.Channel(c0 + i);
      // On the logarithmic scale a zero (or negative) count lies at the
      // bottom, as on the linear one.
      const long double h =
          logarithmic ? std::log10(1.0L + std::max<int64_t>(sum, 0)) / std::log10(1.0L + top) * hb : sum / divisor;
      return static_cast<int>(hb - std::clamp(static_cast<int64_t>(h), -kFarOutside, kFarOutside) - 1);
    };

    QColor colour = kBluePen;
    QPoint from(1, hb - 1);
    const int drawn = std::min(columns, wb) - 1;
    for (int d = 0; d < drawn; ++d) {
      const int c0 = z * (p + d);
      if (c0 >= FMarkerLow) colour = kRedPen;
      if (c0 >= FMarkerHigh) colour = kBluePen;
      painter.setPen(colour);
      const QPoint to(d, columnHeight(*FSpectr, c0));
      painter.drawLine(from, to);
      from = to;
    }
    // The other spectrum in the same channels and on this one's scale.
    if (FCompanion && FCompanion->HasSpectr() && FCompanionItem->isChecked()) {
      painter.setPen(kCompanionPen);
      from = QPoint(1, hb - 1);
      for (int d = 0; d < drawn; ++d) {
        const QPoint to(d, columnHeight(FCompanion->Spectr(), z * (p + d)));
        painter.drawLine(from, to);
        from = to;
      }
    }
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
  const std::optional<int32_t> area = Area(*FSpectr, FMarkerLow, FMarkerHigh);
  if (!area) {
    FDialogs.Message(TMessageKind::Warning, kAreaFailed, QMessageBox::Yes);
    return;
  }
  QString text = kAreaText + QString::number(*area);
  // On the main view, the background under the same markers and what is
  // left of the main spectrum above it.
  if (FCompanion && FCompanionKind == TCompanion::Background && FCompanion->HasSpectr()) {
    const std::optional<int32_t> background = Area(FCompanion->Spectr(), FMarkerLow, FMarkerHigh);
    if (!background) {
      FDialogs.Message(TMessageKind::Warning, kAreaFailed, QMessageBox::Yes);
      return;
    }
    text += QLatin1Char('\n') + kBackgroundAreaText + QString::number(*background) + QLatin1Char('\n') + kNetAreaText +
            QString::number(int64_t{*area} - *background);
  }
  FDialogs.Message(TMessageKind::Information, text, QMessageBox::Yes);
}

std::optional<int32_t> TSpectrView::Area(const TRadiationSpectr& spectr, int32_t low, int32_t high) {
  int64_t area = 0;
  for (int c = std::max(low, 0); c <= std::min(high, TRadiationSpectr::kChannels - 1); ++c) area += spectr.Channel(c);
  if (area < INT32_MIN || area > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(area);
}

void TSpectrView::OnPopupMenu1ClickLogScale() { DrawSpectr(); }

void TSpectrView::OnPopupMenu1ClickShowCompanion() { DrawSpectr(); }

void TSpectrView::OnPopupMenu1Click() {
  TEnergyCalibrationForm& form = *FEnergyCalibrationForm;
  form.SetCurChannel(FCurChannel);
  form.SetCurEnergy(FCurEnergy);
  form.SetChannel1(FCalChannel1);
  form.SetEnergy1(FCalEnergy1);
  form.SetChannel2(FCalChannel2);
  form.SetEnergy2(FCalEnergy2);
  if (FDialogs.RunModal(form) != QDialog::Accepted) return;
  FCalChannel1 = form.Channel1();
  FCalEnergy1 = form.Energy1();
  FCalChannel2 = form.Channel2();
  FCalEnergy2 = form.Energy2();
  // Two points on one channel give no line; the spectrum keeps its own.
  long double a = 1;
  long double b = 0;
  if (CalcCalibration(a, b)) FSpectr->SetCalibration(a, b);
}

bool TSpectrView::CalcCalibration(long double& a, long double& b) const {
  a = 1;
  b = 0;
  if (FCalChannel2 == FCalChannel1) return false;
  // In 64 bits: the difference of two 32-bit values may not fit in 32.
  const int64_t energies = int64_t{FCalEnergy2} - FCalEnergy1;
  const int64_t channels = int64_t{FCalChannel2} - FCalChannel1;
  a = static_cast<long double>(energies) / static_cast<long double>(channels);
  b = FCalEnergy1 - FCalChannel1 * a;
  return true;
}
