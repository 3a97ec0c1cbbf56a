// The spectrum commands of the main window: the two views on the spectrum
// pages, the reads from the installation, the spectrum files and the
// coefficient buttons of the counter page.

#include "AerosolMain.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "NGAS.h"
#include "OperatorDialogs.h"
#include "PageTabs.h"
#include "RadiationSpectr.h"
#include "SpectrView.h"
#include "TextUtils.h"
#include "Win1251.h"
#include "ui_AerosolMain.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

const QString kSpectrReadFailed = QStringLiteral("Спектр считан неудачно. Отображение невозможно");
const QString kSpectrSaveFailed = QStringLiteral("Записать спектр в файл не удалось!");

const QString kSpectrFilter = QStringLiteral("Файлы спектральных характеристик (*.spc);;Все файлы (*.*)");
const QString kCsvFilter = QStringLiteral("Таблица CSV (*.csv)");
const QString kSpectrSuffix = QStringLiteral("spc");

TOperatorDialogs::TFileRequest LoadSpectrDialog() { return {kSpectrFilter, kSpectrSuffix}; }

// The spectrum file first, as the installation's other programs read it;
// a table for spreadsheets after it.
TOperatorDialogs::TFileRequest SaveSpectrDialog() {
  return {kSpectrFilter + QStringLiteral(";;") + kCsvFilter, kSpectrSuffix};
}

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

void TMainForm::CreateSpectrViews() {
  FMainSpectrView = new TSpectrView(FDialogs, FUi->MainSpectrSheet);
  FMainSpectrView->setObjectName(QStringLiteral("FMainSpectrView"));
  FMainSpectrView->setAccessibleName(QStringLiteral("Основной спектр"));
  FBkSpectrView = new TSpectrView(FDialogs, FUi->BkSpectrSheet);
  FBkSpectrView->setObjectName(QStringLiteral("FBkSpectrView"));
  FBkSpectrView->setAccessibleName(QStringLiteral("Фоновый спектр"));
  // Each view can draw the other's spectrum over its own.
  FMainSpectrView->SetCompanion(FBkSpectrView, TSpectrView::TCompanion::Background);
  FBkSpectrView->SetCompanion(FMainSpectrView, TSpectrView::TCompanion::Main);

  connect(FUi->FromSpectrBtn, &QPushButton::clicked, this, &TMainForm::FromSpectrBtnClick);
  connect(FUi->FromBkSpectrBtn, &QPushButton::clicked, this, &TMainForm::FromBkSpectrBtnClick);
  connect(FUi->ToSpectrBtn, &QPushButton::clicked, this, &TMainForm::ToSpectrBtnClick);
  connect(FUi->ToBkSpectrBtn, &QPushButton::clicked, this, &TMainForm::ToBkSpectrBtnClick);
}

bool TMainForm::SelectSpectrPage(int page) { return FSpectrTabs->Select(page); }

TSpectrView* TMainForm::CurrentSpectrView() const {
  return CurrentSpectrPage() == kBkSpectrPage ? FBkSpectrView : FMainSpectrView;
}

void TMainForm::ReadSpectrCommand(TBusyToken token, bool background) {
  const QString caption =
      background ? QStringLiteral("загрузка фонового спектра КЕВ") : QStringLiteral("загрузка спектра КЕВ");
  Exchange(TWait::Plain, caption, background ? &TNGAS::ReadBkSpectr : &TNGAS::ReadMainSpectr,
           [this, token, background](bool read) {
             if (!read) {
               Warning(kSpectrReadFailed);
               return;
             }
             (background ? FBkSpectrView : FMainSpectrView)
                 ->SetSpectr(background ? NGAS()->BkSpectr() : NGAS()->MainSpectr());
           });
}

void TMainForm::ReadSpectrFileCommand() {
  const QString fileName = FDialogs.OpenFileName(LoadSpectrDialog());
  if (fileName.isEmpty()) return;
  // A file that does not load leaves the view as it was, without a word.
  TRadiationSpectr spectr;
  if (spectr.LoadFile(fileName)) CurrentSpectrView()->SetSpectr(spectr);
}

void TMainForm::SaveSpectrFileCommand() {
  const QString fileName = FDialogs.SaveFileName(SaveSpectrDialog());
  if (fileName.isEmpty()) return;
  const TRadiationSpectr& spectr = CurrentSpectrView()->Spectr();
  // The operator chose the table by its filter, and with it the extension.
  const bool saved = IsCsvFileName(fileName)
                         ? SaveFileAtomically(fileName, SpectrToCsv(spectr, TCsvFormat::ForLocale(QLocale::system())))
                         : spectr.SaveFile(fileName);
  // A spectrum believed saved and not on the disk would be lost at exit.
  if (!saved) Warning(kSpectrSaveFailed);
}

void TMainForm::FromSpectrBtnClick() {
  if (FMainSpectrView) ShowCoefficients(FMainSpectrView->Spectr(), FUi->SpectrAEdit, FUi->SpectrBEdit);
}

void TMainForm::FromBkSpectrBtnClick() {
  if (FBkSpectrView) ShowCoefficients(FBkSpectrView->Spectr(), FUi->BkSpectrAEdit, FUi->BkSpectrBEdit);
}

void TMainForm::ToSpectrBtnClick() {
  if (FMainSpectrView) TakeCoefficients(FUi->SpectrAEdit, FUi->SpectrBEdit, FMainSpectrView->Spectr());
}

void TMainForm::ToBkSpectrBtnClick() {
  if (FBkSpectrView) TakeCoefficients(FUi->BkSpectrAEdit, FUi->BkSpectrBEdit, FBkSpectrView->Spectr());
}
