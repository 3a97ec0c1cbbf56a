// The coefficient buttons of the counter page: the energy calibration of a
// spectrum view shown in the page's edits, or taken from them.

#include "AerosolMain.h"
#include "RadiationSpectr.h"
#include "SpectrView.h"
#include "TextUtils.h"
#include "Win1251.h"
#include "ui_AerosolMain.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

// The coefficients in the installation's form: "." whatever the locale.
void ShowCoefficients(const TRadiationSpectr& spectr, QLineEdit* aEdit, QLineEdit* bEdit) {
  aEdit->setText(Win1251::ToUnicode(TextUtils::FormatDecimal(spectr.A())));
  bEdit->setText(Win1251::ToUnicode(TextUtils::FormatDecimal(spectr.B())));
}

// Both texts must be numbers ("." or the PC's own separator), or the
// spectrum keeps its coefficients.
void TakeCoefficients(const QLineEdit* aEdit, const QLineEdit* bEdit, TRadiationSpectr& spectr) {
  const std::optional<long double> a = TextUtils::ParseDecimal(Win1251::FromUnicode(aEdit->text()));
  const std::optional<long double> b = TextUtils::ParseDecimal(Win1251::FromUnicode(bEdit->text()));
  if (a && b) spectr.SetCalibration(*a, *b);
}

}  // namespace

void TMainForm::ConnectCoefficientButtons() {
  connect(FUi->FromSpectrBtn, &QPushButton::clicked, this, &TMainForm::FromSpectrBtnClick);
  connect(FUi->FromBkSpectrBtn, &QPushButton::clicked, this, &TMainForm::FromBkSpectrBtnClick);
  connect(FUi->ToSpectrBtn, &QPushButton::clicked, this, &TMainForm::ToSpectrBtnClick);
  connect(FUi->ToBkSpectrBtn, &QPushButton::clicked, this, &TMainForm::ToBkSpectrBtnClick);
}

void TMainForm::FromSpectrBtnClick() {
  ShowCoefficients(MainSpectrView()->Spectr(), FUi->SpectrAEdit, FUi->SpectrBEdit);
}

void TMainForm::FromBkSpectrBtnClick() {
  ShowCoefficients(BkSpectrView()->Spectr(), FUi->BkSpectrAEdit, FUi->BkSpectrBEdit);
}

void TMainForm::ToSpectrBtnClick() { TakeCoefficients(FUi->SpectrAEdit, FUi->SpectrBEdit, MainSpectrView()->Spectr()); }

void TMainForm::ToBkSpectrBtnClick() {
  TakeCoefficients(FUi->BkSpectrAEdit, FUi->BkSpectrBEdit, BkSpectrView()->Spectr());
}
