#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TAboutForm;
}
class QLabel;

// The About box: the product, the systems it runs on, the version line and
// a picture of what the installation measures (the alpha spectrum of the
// radon and thoron daughters on its filter). Shown modally, closed with OK.
class TAboutForm : public QDialog {
  Q_OBJECT
  Q_PROPERTY(QString VersionNumber READ VersionNumber WRITE SetVersionNumber)

 public:
  explicit TAboutForm(QWidget* owner = nullptr);
  ~TAboutForm() override;

  QString VersionNumber() const { return FVersionNumber; }
  // The version line reads "Версия", two spaces and the number.
  void SetVersionNumber(const QString& number);

  // Puts a JPEG into the picture box. A picture that does not decode leaves
  // the box empty and gives false.
  bool ShowPicture(const QByteArray& jpeg);

  QLabel* VersionNumberLabel() const;
  QLabel* Image1() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();

  std::unique_ptr<Ui::TAboutForm> FUi;
  QString FVersionNumber;
};
