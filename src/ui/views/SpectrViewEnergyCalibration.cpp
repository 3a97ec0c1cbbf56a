#include "SpectrViewEnergyCalibration.h"

#include "TextUtils.h"
#include "WindowPlacement.h"
#include "ui_SpectrViewEnergyCalibration.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>

namespace {

// An arrow pointing right into the row of a point: "copy the current point
// there". Drawn here so that it looks the same under every style.
QIcon CopyGlyph(int row) {
  constexpr int kWidth = 24;
  constexpr int kHeight = 16;
  QPixmap pixmap(kWidth, kHeight);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  arrow.moveTo(2, 5);
  arrow.lineTo(13, 5);
  arrow.lineTo(13, 1);
  arrow.lineTo(21, 8);
  arrow.lineTo(13, 15);
  arrow.lineTo(13, 11);
  arrow.lineTo(2, 11);
  arrow.closeSubpath();
  painter.setPen(QPen(QColor(0, 0, 128), 1));
  painter.setBrush(row == 1 ? QColor(0, 128, 0) : QColor(0, 96, 192));
  painter.drawPath(arrow);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPixelSize(8);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(3, 5, 10, 7), Qt::AlignCenter, QString::number(row));
  return QIcon(pixmap);
}

// The edit's text with no need of a number yet: the field is being cleared
// or a negative number is being typed.
bool Unfinished(const QString& text) { return text.isEmpty() || text == QStringLiteral("-"); }

}  // namespace

TEnergyCalibrationForm::TEnergyCalibrationForm(QWidget* owner)
    : QDialog(owner, kDialogWithoutButtons), FUi(std::make_unique<Ui::TEnergyCalibrationForm>()) {
  FUi->setupUi(this);
  setFixedSize(size());
  FUi->to1Btn->setIcon(CopyGlyph(1));
  FUi->to2Btn->setIcon(CopyGlyph(2));
  connect(FUi->to1Btn, &QToolButton::clicked, this, &TEnergyCalibrationForm::to1BtnClick);
  connect(FUi->to2Btn, &QToolButton::clicked, this, &TEnergyCalibrationForm::to2BtnClick);
  connect(FUi->ChannelEdit, &QLineEdit::textChanged, this, &TEnergyCalibrationForm::ChannelEditChange);
  connect(FUi->EnergyEdit, &QLineEdit::textChanged, this, &TEnergyCalibrationForm::EnergyEditChange);
  SetCurChannel(0);
  SetCurEnergy(0);
  SetChannel1(0);
  SetEnergy1(0);
  SetChannel2(0);
  SetEnergy2(0);
}

TEnergyCalibrationForm::~TEnergyCalibrationForm() = default;

void TEnergyCalibrationForm::SetCurChannel(int32_t n) {
  FCurChannel = n;
  FUi->ChannelEdit->setText(QString::number(n));
}

void TEnergyCalibrationForm::SetCurEnergy(int32_t e) {
  FCurEnergy = e;
  FUi->EnergyEdit->setText(QString::number(e));
}

void TEnergyCalibrationForm::SetChannel1(int32_t n) {
  FChannel1 = n;
  FUi->ChannelPanel1->setText(QString::number(n));
}

void TEnergyCalibrationForm::SetEnergy1(int32_t e) {
  FEnergy1 = e;
  FUi->EnergyPanel1->setText(QString::number(e));
}

void TEnergyCalibrationForm::SetChannel2(int32_t n) {
  FChannel2 = n;
  FUi->ChannelPanel2->setText(QString::number(n));
}

void TEnergyCalibrationForm::SetEnergy2(int32_t e) {
  FEnergy2 = e;
  FUi->EnergyPanel2->setText(QString::number(e));
}

void TEnergyCalibrationForm::to1BtnClick() {
  SetChannel1(FCurChannel);
  SetEnergy1(FCurEnergy);
}

void TEnergyCalibrationForm::to2BtnClick() {
  SetChannel2(FCurChannel);
  SetEnergy2(FCurEnergy);
}

void TEnergyCalibrationForm::ChannelEditChange() { TakeNumber(FUi->ChannelEdit, FCurChannel); }

void TEnergyCalibrationForm::EnergyEditChange() { TakeNumber(FUi->EnergyEdit, FCurEnergy); }

void TEnergyCalibrationForm::TakeNumber(QLineEdit* edit, int32_t& value) {
  const QString text = edit->text();
  if (Unfinished(text)) {
    value = 0;
    return;
  }
  static const QRegularExpression kInteger(QStringLiteral("^[+-]?[0-9]+$"));
  const std::optional<int> number =
      kInteger.match(text).hasMatch() ? TextUtils::ParseInt32(text.toLatin1()) : std::nullopt;
  if (number) {
    value = *number;
    return;
  }
  // A stray character is taken back at once.
  edit->setText(QString::number(value));
}

QLineEdit* TEnergyCalibrationForm::ChannelEdit() const { return FUi->ChannelEdit; }
QLineEdit* TEnergyCalibrationForm::EnergyEdit() const { return FUi->EnergyEdit; }
QToolButton* TEnergyCalibrationForm::to1Btn() const { return FUi->to1Btn; }
QToolButton* TEnergyCalibrationForm::to2Btn() const { return FUi->to2Btn; }
QLabel* TEnergyCalibrationForm::ChannelPanel1() const { return FUi->ChannelPanel1; }
QLabel* TEnergyCalibrationForm::EnergyPanel1() const { return FUi->EnergyPanel1; }
QLabel* TEnergyCalibrationForm::ChannelPanel2() const { return FUi->ChannelPanel2; }
QLabel* TEnergyCalibrationForm::EnergyPanel2() const { return FUi->EnergyPanel2; }

void TEnergyCalibrationForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
}
