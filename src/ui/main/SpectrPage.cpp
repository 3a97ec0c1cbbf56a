#include "SpectrPage.h"

#include "AccessRights.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceCatalogue.h"
#include "NGAS.h"
#include "OperatorDialogs.h"
#include "PageFill.h"
#include "PageTabs.h"
#include "ProgramVersion.h"
#include "RadiationSpectr.h"
#include "SpectrN42.h"
#include "SpectrView.h"

#include <QAction>
#include <QLocale>

namespace {

// The sub-pages of "Спектр", in the order of the page tree.
constexpr int kBkSpectrPage = 1;

const QString kSpectrReadFailed = QStringLiteral("Спектр считан неудачно. Отображение невозможно");
const QString kSpectrSaveFailed = QStringLiteral("Записать спектр в файл не удалось!");
const QString kN42Filter = QStringLiteral("Документы N42 (*.n42);;Все файлы (*.*)");

const QString kSpectrFilter = QStringLiteral("Файлы спектральных характеристик (*.spc);;Все файлы (*.*)");
const QString kCsvFilter = QStringLiteral("Таблица CSV (*.csv)");
const QString kSpectrSuffix = QStringLiteral("spc");

TOperatorDialogs::TFileRequest LoadSpectrDialog() { return {kSpectrFilter, kSpectrSuffix}; }

// The spectrum file first, as the installation's other programs read it;
// a table for spreadsheets after it.
TOperatorDialogs::TFileRequest SaveSpectrDialog() {
  return {kSpectrFilter + QStringLiteral(";;") + kCsvFilter, kSpectrSuffix};
}

}  // namespace

TSpectrPage::TSpectrPage(TMainController& controller, TOperatorDialogs& dialogs, QWidget& mainSheet, QWidget& bkSheet,
                         const TPageTabs& tabs)
    : FController(controller),
      FDialogs(dialogs),
      FTabs(tabs),
      FMainView(new TSpectrView(dialogs, &mainSheet)),
      FBkView(new TSpectrView(dialogs, &bkSheet)) {
  FMainView->setObjectName(QStringLiteral("FMainSpectrView"));
  FMainView->setAccessibleName(QStringLiteral("Основной спектр"));
  FBkView->setObjectName(QStringLiteral("FBkSpectrView"));
  FBkView->setAccessibleName(QStringLiteral("Фоновый спектр"));
  // Each view can draw the other's spectrum over its own.
  FMainView->SetCompanion(FBkView, TSpectrView::TCompanion::Background);
  FBkView->SetCompanion(FMainView, TSpectrView::TCompanion::Main);
  FillPage(&mainSheet, FMainView);
  FillPage(&bkSheet, FBkView);
  connect(FMainView, &TSpectrView::SaveN42Requested, this, &TSpectrPage::SaveN42Command);
  connect(FBkView, &TSpectrView::SaveN42Requested, this, &TSpectrPage::SaveN42Command);
}

void TSpectrPage::LevelChanged(const TAccessRights& level) {
  const bool main = level.SpectrPages[0];
  const bool background = level.SpectrPages[kBkSpectrPage];
  const auto companion = [](TSpectrView* view, TSpectrView* other, bool shown, TSpectrView::TCompanion kind) {
    if (!shown) view->CompanionItem()->setChecked(false);
    view->SetCompanion(shown ? other : nullptr, kind);
  };
  companion(FMainView, FBkView, background, TSpectrView::TCompanion::Background);
  companion(FBkView, FMainView, main, TSpectrView::TCompanion::Main);
}

TSpectrView* TSpectrPage::CurrentView() const { return FTabs.Current() == kBkSpectrPage ? FBkView : FMainView; }

void TSpectrPage::ReadSpectrCommand(TBusyToken token, bool background) {
  const QString caption =
      background ? QStringLiteral("загрузка фонового спектра КЕВ") : QStringLiteral("загрузка спектра КЕВ");
  FController.Exchange(
      TMainController::TWait::Plain, caption,
      [background](TNGAS& ngas) { return background ? ngas.ReadBkSpectr() : ngas.ReadMainSpectr(); },
      [this, token, background](bool read) {
        if (!read) {
          Warning(kSpectrReadFailed);
          return;
        }
        TNGAS& ngas = *FController.NGAS();
        (background ? FBkView : FMainView)->SetSpectr(background ? ngas.BkSpectr() : ngas.MainSpectr());
      });
}

void TSpectrPage::ReadSpectrFileCommand() {
  const QString fileName = FDialogs.OpenFileName(LoadSpectrDialog());
  if (fileName.isEmpty()) return;
  // A file that does not load leaves the view as it was, without a word.
  TRadiationSpectr spectr;
  if (spectr.LoadFile(fileName)) CurrentView()->SetSpectr(spectr);
}

void TSpectrPage::SaveSpectrFileCommand() {
  const QString fileName = FDialogs.SaveFileName(SaveSpectrDialog());
  if (fileName.isEmpty()) return;
  const TRadiationSpectr& spectr = CurrentView()->Spectr();
  // The operator chose the table by its filter, and with it the extension.
  const bool saved = IsCsvFileName(fileName)
                         ? SaveFileAtomically(fileName, SpectrToCsv(spectr, TCsvFormat::ForLocale(QLocale::system())))
                         : spectr.SaveFile(fileName);
  // A spectrum believed saved and not on the disk would be lost at exit.
  if (!saved) Warning(kSpectrSaveFailed);
}

void TSpectrPage::SaveN42Command() {
  if (!FMainView->HasSpectr() && !FBkView->HasSpectr()) {
    Warning(QStringLiteral("Нет спектра для записи"));
    return;
  }
  const QString fileName = FDialogs.SaveFileName({kN42Filter, QStringLiteral("n42")});
  if (fileName.isEmpty()) return;
  // The installation's clock and measuring time as last read date the
  // measurements; without them the document goes without times.
  QByteArray clock;
  QByteArray minutes;
  QString serial;
  if (TNGAS* ngas = FController.NGAS()) {
    clock = ngas->CommonVarList().GetItem(CommonVar::DATETIME)->Value;
    minutes = ngas->CounterVarList().GetItem(CounterVar::DURATIONTIME)->Value;
    serial = QString::fromLatin1(ngas->CommonVarList().GetItem(CommonVar::SERIALN)->Value.trimmed());
  }
  std::vector<SpectrN42::TMeasurement> measurements;
  if (FMainView->HasSpectr()) measurements.push_back(SpectrN42::Timed(FMainView->Spectr(), false, clock, minutes));
  if (FBkView->HasSpectr()) measurements.push_back(SpectrN42::Timed(FBkView->Spectr(), true, {}, {}));
  if (!SpectrN42::Save(fileName, measurements, {serial, ProgramVersion::kNumber})) Warning(kSpectrSaveFailed);
}

void TSpectrPage::Warning(const QString& text) {
  FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, text, QMessageBox::Yes);
}
