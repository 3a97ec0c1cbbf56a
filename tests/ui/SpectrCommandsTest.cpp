#include "CsvTable.h"
#include "DeviceCatalogue.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "RadiationSpectr.h"
#include "SpectrView.h"
#include "TransferWaitWindow.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

bool SameCounts(const TRadiationSpectr& a, const TRadiationSpectr& b) {
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c)
    if (a.Channel(c) != b.Channel(c)) return false;
  return true;
}

}  // namespace

class SpectrCommandsTest : public MainFormFixture {
 protected:
  TMainForm& StartOnSpectrPage(int page) {
    TMainForm& form = StartConnected();
    // As the operator selects it: the file commands follow the page.
    Child<QTabWidget>("MainPageControl")->setCurrentIndex(TMainForm::kSpectrPage);
    Settle();
    form.SelectSpectrPage(page);
    return form;
  }
};

TEST_F(SpectrCommandsTest, ReadsPutEachSpectrumIntoItsViewAndAFailedReadChangesNeither) {
  TMainForm& form = StartOnSpectrPage(TMainForm::kMainSpectrPage);
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(form.WaitWindow()->MessageText(), QStringLiteral("загрузка спектра КЕВ"));
  EXPECT_EQ(form.MainSpectrView()->Spectr().Channel(300), FEmulator.MainSpectrum().Count(300));
  EXPECT_TRUE(SameCounts(form.MainSpectrView()->Spectr(), form.NGAS()->MainSpectr()));
  EXPECT_TRUE(SameCounts(form.BkSpectrView()->Spectr(), TRadiationSpectr()));

  form.SelectSpectrPage(TMainForm::kBkSpectrPage);
  Action("RequestButton")->trigger();
  Settle();
  EXPECT_EQ(form.WaitWindow()->MessageText(), QStringLiteral("загрузка фонового спектра КЕВ"));
  EXPECT_TRUE(SameCounts(form.BkSpectrView()->Spectr(), form.NGAS()->BkSpectr()));
  const TRadiationSpectr main = form.MainSpectrView()->Spectr();
  const TRadiationSpectr background = form.BkSpectrView()->Spectr();

  FailEveryRequest();
  form.ExecuteCommand(TMainForm::TCommand::ReadMainSpectr);
  Settle();
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(FDialogs.Asked[0].Text, QStringLiteral("Спектр считан неудачно. Отображение невозможно"));
  EXPECT_EQ(FDialogs.Asked[0].Buttons, QMessageBox::Yes);
  EXPECT_TRUE(SameCounts(form.MainSpectrView()->Spectr(), main));
  EXPECT_TRUE(SameCounts(form.BkSpectrView()->Spectr(), background));
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
}

TEST_F(SpectrCommandsTest, FilesLoadIntoTheSelectedViewAndSaveAsSpectrumOrTable) {
  TMainForm& form = StartOnSpectrPage(TMainForm::kBkSpectrPage);
  TRadiationSpectr file;
  for (int c = 0; c < TRadiationSpectr::kChannels; ++c) file.SetChannel(c, c * 3);
  file.SetCalibration(2.5L, -1);
  file.SetComment("calibrated");
  WriteFile(QStringLiteral("in.spc"), file.SaveBinary());
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("in.spc"))};
  Action("ToolButton1")->trigger();
  Settle();
  EXPECT_TRUE(SameCounts(form.BkSpectrView()->Spectr(), file));
  EXPECT_EQ(form.BkSpectrView()->Spectr().A(), 2.5L);
  EXPECT_EQ(form.BkSpectrView()->Spectr().Comment(), QByteArray("calibrated"));
  EXPECT_TRUE(SameCounts(form.MainSpectrView()->Spectr(), TRadiationSpectr())) << "the main view is not touched";

  // A file that does not load: the view keeps its spectrum, without a word.
  WriteFile(QStringLiteral("short.spc"), QByteArray(100, 'x'));
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("short.spc"))};
  Action("ReadSpectrMenuItem")->trigger();
  Settle();
  EXPECT_TRUE(SameCounts(form.BkSpectrView()->Spectr(), file));
  EXPECT_TRUE(FDialogs.Asked.empty());

  FDialogs.FileNames = {FDir.filePath(QStringLiteral("out.spc")), FDir.filePath(QStringLiteral("out.CSV"))};
  Action("ToolButton2")->trigger();
  Settle();
  Action("SaveSpectrMenuItem")->trigger();
  Settle();
  EXPECT_EQ(ReadFile(QStringLiteral("out.spc")), file.SaveBinary());
  EXPECT_EQ(ReadFile(QStringLiteral("out.CSV")),
            SpectrToCsv(form.BkSpectrView()->Spectr(), TCsvFormat::ForLocale(QLocale::system())));
  EXPECT_TRUE(FDialogs.Asked.empty());

  // A save that cannot reach the disk is not passed over in silence.
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("no-such-folder/out.spc"))};
  form.ExecuteCommand(TMainForm::TCommand::SaveSpectrFile);
  Settle();
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked[0].Kind, TMessageKind::Warning);
}

TEST_F(SpectrCommandsTest, CoefficientButtonsCopyBetweenTheCounterPageAndTheViews) {
  TMainForm& form = StartConnected();
  TRadiationSpectr spectr;
  spectr.SetCalibration(0.0123456789012345678L, -2.5L);
  form.BkSpectrView()->SetSpectr(spectr);
  Child<QPushButton>("FromBkSpectrBtn")->click();
  EXPECT_EQ(Child<QLineEdit>("BkSpectrAEdit")->text(), QStringLiteral("0.0123456789012346"));
  EXPECT_EQ(Child<QLineEdit>("BkSpectrBEdit")->text(), QStringLiteral("-2.5"));
  EXPECT_EQ(form.NGAS()->CounterVarList().GetItem(CounterVar::BGENERGYB)->Value, QByteArray("-2.5"));

  Child<QLineEdit>("SpectrAEdit")->setText(QStringLiteral("5"));
  Child<QLineEdit>("SpectrBEdit")->setText(QStringLiteral("0.25"));
  Child<QPushButton>("ToSpectrBtn")->click();
  EXPECT_EQ(form.MainSpectrView()->Spectr().A(), 5);
  EXPECT_EQ(form.MainSpectrView()->Spectr().B(), 0.25L);
  Child<QLineEdit>("SpectrAEdit")->setText(QStringLiteral("abc"));
  Child<QLineEdit>("SpectrBEdit")->setText(QStringLiteral("7"));
  Child<QPushButton>("ToSpectrBtn")->click();
  EXPECT_EQ(form.MainSpectrView()->Spectr().B(), 0.25L) << "a text that is not a number changes nothing";
  EXPECT_EQ(form.BkSpectrView()->Spectr().A(), spectr.A());
}
