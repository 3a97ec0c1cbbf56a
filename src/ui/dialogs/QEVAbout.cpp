#include "QEVAbout.h"

#include "JpegPicture.h"
#include "WindowPlacement.h"
#include "ui_QEVAbout.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

namespace {

const QString kVersionWord = QStringLiteral("Версия");
const QString kPictureResource = QStringLiteral(":/about/images/about-spectrum.jpg");

}  // namespace

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, kDialogWithoutButtons), FUi(std::make_unique<Ui::TAboutForm>()) {
  Q_INIT_RESOURCE(about);
  FUi->setupUi(this);
  setFixedSize(size());
  FormCreate();
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FormCreate() {
  QPalette white = FUi->AboutPanel->palette();
  white.setColor(QPalette::Window, Qt::white);
  FUi->AboutPanel->setPalette(white);
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(32);
  title.setBold(true);
  FUi->Label1->setFont(title);
  FUi->VersionNumberLabel->setText(kVersionWord);
  QFile picture(kPictureResource);
  if (picture.open(QIODevice::ReadOnly)) ShowPicture(picture.readAll());
}

void TAboutForm::SetVersionNumber(const QString& number) {
  FVersionNumber = number;
  FUi->VersionNumberLabel->setText(kVersionWord + QStringLiteral("  ") + number);
}

bool TAboutForm::ShowPicture(const QByteArray& jpeg) {
  const std::optional<TRgbPicture> picture =
      DecodeJpeg(reinterpret_cast<const uint8_t*>(jpeg.constData()), static_cast<size_t>(jpeg.size()));
  if (!picture) {
    FUi->Image1->clear();
    return false;
  }
  const QImage image(picture->Pixels.data(), picture->Width, picture->Height,
                     static_cast<qsizetype>(picture->Width) * 3, QImage::Format_RGB888);
  FUi->Image1->setPixmap(QPixmap::fromImage(image));
  return true;
}

QLabel* TAboutForm::VersionNumberLabel() const { return FUi->VersionNumberLabel; }

QLabel* TAboutForm::Image1() const { return FUi->Image1; }

void TAboutForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
}
