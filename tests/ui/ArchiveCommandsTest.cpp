#include "ArchiveChartData.h"
#include "ArchiveChartWindow.h"
#include "DeviceArchive.h"
#include "DeviceArchiveParamSelector.h"
#include "DeviceArchiveView.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "SerialPort.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <functional>

namespace {

using TMessageKind = TOperatorDialogs::TMessageKind;

const QString kArchiveReadFailed = QStringLiteral("Загрузка архива не удалась!");
// The six variables marked by default, one request each per record.
constexpr int kDefaultVariables = 6;

}  // namespace

class ArchiveCommandsTest : public MainFormFixture {
 protected:
  // The operator chooses every step-th record from low to high and OK.
  void ChooseRecords(int step, int low, int high) {
    FDialogs.DialogAnswers.push_back([=](QDialog& dialog) {
      auto& selector = static_cast<TArchiveParamSelector&>(dialog);
      selector.SetStep(step);
      selector.SetLowRange(low);
      selector.SetHighRange(high);
      return QDialog::Accepted;
    });
  }
  int ShownRows() const { return FForm->ArchiveView()->ArchiveGrid()->model()->rowCount(); }
  QString Cell(int row, int column) const {
    return FForm->ArchiveView()->ArchiveGrid()->model()->index(row, column).data().toString();
  }
};

TEST_F(ArchiveCommandsTest, ReadsTheChosenRecordsAndACancelledDialogKeepsThem) {
  TMainForm& form = StartConnected();
  ChooseRecords(2, 1, 5);
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_TRUE(FDialogs.Asked.empty());
  const QByteArrayList requests = TakeRequests();
  ASSERT_EQ(requests.size(), 1 + 3 * kDefaultVariables);
  EXPECT_EQ(requests.at(0), "NUMOFRECORDS=??;");
  EXPECT_EQ(requests.at(1), "DATETIME:A001=??;");
  EXPECT_EQ(requests.at(7), "DATETIME:A003=??;");
  EXPECT_EQ(form.ArchiveParamSelector()->OptionsCaption(),
            QStringLiteral(" Настройки выборки  (архив содержит 500 записей) "));
  ASSERT_EQ(ShownRows(), 3);
  EXPECT_EQ(Cell(1, 0), QString::fromLatin1(FEmulator.Archive().Value("DATETIME", 3).value_or("?")));
  EXPECT_FALSE(form.WaitWindow2Btn()->isVisible());
  EXPECT_FALSE(form.WaitWindow2Btn()->CancelBtn()->isVisible());

  // The dialog cancelled: no message, no record request, the table stays.
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, 2);
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(Names(TakeRequests()), QStringList{"NUMOFRECORDS"});
  EXPECT_EQ(ShownRows(), 3);
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  // The driver's bar is the small wait window's again.
  const QSignalSpy moved(form.WaitWindow()->WaitProgressBar(), &QProgressBar::valueChanged);
  form.ExecuteCommand(TMainForm::TCommand::ReadMeasure);
  Settle();
  EXPECT_GT(moved.count(), 0);
}

TEST_F(ArchiveCommandsTest, ABrokenOffReadShowsTheRecordsSoFarForSaving) {
  TMainForm& form = StartConnected();
  // A silent installation from the start: nothing to show.
  FailEveryRequest();
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_EQ(FDialogs.Texts(), QStringList{kArchiveReadFailed});
  EXPECT_EQ(FDialogs.DialogsRun, 0);
  EXPECT_EQ(ShownRows(), 0);

  // Silent after the size and three records of 1..10.
  FDialogs.Asked.clear();
  FEmulator.SetFaults({TFaultKind::NoAnswer, 0, 0, 0, 1 + 3 * kDefaultVariables});
  ChooseRecords(1, 1, 10);
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  // One warning tells the failure and that the records read can be saved.
  ASSERT_EQ(FDialogs.Texts().size(), 1);
  EXPECT_EQ(FDialogs.Asked.at(0).Kind, TMessageKind::Warning);
  const QStringList lines = FDialogs.Asked.at(0).Text.split(QLatin1Char('\n'));
  EXPECT_EQ(lines.at(0), kArchiveReadFailed);
  EXPECT_TRUE(lines.size() == 2 && lines.at(1).contains(QStringLiteral("(3)")) &&
              lines.at(1).contains(QStringLiteral("сохранить")))
      << FDialogs.Asked.at(0).Text.toStdString();
  EXPECT_EQ(ShownRows(), 3);
  EXPECT_EQ(form.BusyState(), TBusyState::Idle);
  AnswerEveryRequest();

  // Saved through the file dialog as an archive file and as a table, and
  // the archive file read back.
  const QString daf = FDir.filePath(QStringLiteral("part.daf"));
  const QString csv = FDir.filePath(QStringLiteral("part.CSV"));
  FDialogs.FileNames = {daf, csv};
  form.ExecuteCommand(TMainForm::TCommand::SaveArchiveFile);
  Settle();
  form.ExecuteCommand(TMainForm::TCommand::SaveArchiveFile);
  Settle();
  TDeviceArchive saved;
  ASSERT_TRUE(saved.LoadFile(daf));
  EXPECT_EQ(saved.RecordCount(), 3);
  ASSERT_NE(saved.Captions(), nullptr);
  EXPECT_EQ(saved.Captions()->Count(), kDefaultVariables);
  const QByteArray table = ReadFile(QStringLiteral("part.CSV"));
  EXPECT_TRUE(
      table.startsWith("\xEF\xBB\xBF"
                       "DATETIME"))
      << table.left(40).constData();
  EXPECT_EQ(table.count("\r\n"), 4);

  form.ArchiveView()->Clear();
  FDialogs.FileNames = {daf};
  // The file loads on the link thread behind the wait window; the table
  // follows once it has gone.
  form.ExecuteCommand(TMainForm::TCommand::ReadArchiveFile);
  EXPECT_TRUE(form.WaitWindow()->isVisible());
  EXPECT_EQ(form.WaitWindow()->MessageText(), QStringLiteral("чтение архива из файла"));
  Settle();
  EXPECT_FALSE(form.WaitWindow()->isVisible());
  EXPECT_EQ(ShownRows(), 3);

  // An installation without records: one box, no dialog, no record request,
  // and the table keeps what it showed.
  FEmulator.SetArchiveRecords(0);
  TakeRequests();
  FDialogs.Asked.clear();
  const int dialogsRun = FDialogs.DialogsRun;
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_EQ(FDialogs.DialogsRun, dialogsRun);
  ASSERT_EQ(FDialogs.Asked.size(), 1u);
  EXPECT_EQ(FDialogs.Asked.at(0).Kind, TMessageKind::Information);
  EXPECT_EQ(FDialogs.Asked.at(0).Text, QStringLiteral("Архив прибора пуст."));
  EXPECT_EQ(Names(TakeRequests()), QStringList{"NUMOFRECORDS"});
  EXPECT_EQ(ShownRows(), 3);
  FEmulator.SetArchiveRecords(500);
  ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("dir.daf")));
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("dir.daf"))};
  FDialogs.Asked.clear();
  form.ExecuteCommand(TMainForm::TCommand::SaveArchiveFile);
  Settle();
  EXPECT_EQ(FDialogs.Texts(), QStringList{QStringLiteral("Запись архива из файла не удалось!")});

  // After a read that failed at once the emptied table saves no records of
  // the archive shown before it.
  FailEveryRequest();
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_EQ(ShownRows(), 0);
  FDialogs.FileNames = {daf};
  form.ExecuteCommand(TMainForm::TCommand::SaveArchiveFile);
  Settle();
  ASSERT_TRUE(saved.LoadFile(daf));
  EXPECT_EQ(saved.RecordCount(), 0);
}

TEST_F(ArchiveCommandsTest, CancelDuringTheReadStopsBeforeTheNextRecord) {
  TMainForm& form = StartConnected();
  TWaitWindow2Btn* wait = form.WaitWindow2Btn();
  // Pressed once the first record is in: the button, Esc, or the window
  // system asking the wait window to close.
  const std::function<void()> presses[] = {[wait] { QTest::mouseClick(wait->CancelBtn(), Qt::LeftButton); },
                                           [wait] { QTest::keyClick(wait, Qt::Key_Escape); },
                                           [wait] { wait->close(); }};
  for (const auto& press : presses) {
    FDialogs.Asked.clear();
    wait->GlobalWaitProgressBar()->reset();
    bool shown = false;
    const QMetaObject::Connection pressing =
        QObject::connect(wait->GlobalWaitProgressBar(), &QProgressBar::valueChanged, [&] {
          if (shown) return;
          shown = wait->CancelBtn()->isVisible();
          press();
        });
    ChooseRecords(1, 1, 50);
    form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
    Settle();
    QObject::disconnect(pressing);
    EXPECT_TRUE(shown);
    // The press reaches the link thread while a later record may be under
    // way: the read stops before its next request, and only whole records
    // are shown.
    const int rows = ShownRows();
    EXPECT_GE(rows, 1);
    EXPECT_LT(rows, 50);
    const int requests = TakeRequests().size();
    EXPECT_GE(requests, 1 + rows * kDefaultVariables);
    EXPECT_LT(requests, 1 + (rows + 1) * kDefaultVariables);
    ASSERT_EQ(FDialogs.Asked.size(), 1u);
    EXPECT_EQ(FDialogs.Asked.at(0).Kind, TMessageKind::Information);
    EXPECT_EQ(FDialogs.Asked.at(0).Text, QStringLiteral("Загрузка архива прервана. Прочитано записей: %1.").arg(rows));
  }
  // The next read is not cancelled by the last one.
  FDialogs.Asked.clear();
  ChooseRecords(1, 1, 2);
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_TRUE(FDialogs.Asked.empty());
  EXPECT_EQ(ShownRows(), 2);
}

TEST_F(ArchiveCommandsTest, PackRequestsItemIsRememberedAndPacksTheArchiveRead) {
  TMainForm& form = StartConnected();
  QAction* item = Action("PackRequestsMenuItem");
  EXPECT_FALSE(item->isChecked()) << "off without qev.pck";
  // The operator's way to it: the item of "Настройки" under its shown name.
  QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(Child<QMenu>("SettingsMenu"));
  QAccessibleInterface* shown = nullptr;
  for (int i = 0; i < menu->childCount(); ++i)
    if (menu->child(i)->text(QAccessible::Name) == QStringLiteral("Упаковывать запросы")) shown = menu->child(i);
  ASSERT_NE(shown, nullptr);
  shown->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(item->isChecked());
  EXPECT_EQ(ReadFile(QStringLiteral("qev.pck")), "1\r\n");

  // The six default variables of a record fit in one request; an
  // installation answering the first item only gets one item a request
  // after the first packed request, and says so in the terminal.
  const QString refusal =
      QStringLiteral("-- установка не отвечает на упакованные запросы, дальше запросы по одной переменной");
  for (const bool packs : {true, false}) {
    SCOPED_TRACE(packs ? "packs" : "answers the first item only");
    FEmulator.SetPackedAnswers(packs);
    ChooseRecords(1, 1, 4);
    form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
    Settle();
    EXPECT_EQ(TakeRequests().size(), packs ? 1 + 4 : 1 + 3 + 4 * kDefaultVariables);
    EXPECT_TRUE(FDialogs.Asked.empty());
    ASSERT_EQ(ShownRows(), 4);
    for (int row = 0; row < 4; ++row)
      EXPECT_EQ(Cell(row, 0), QString::fromLatin1(FEmulator.Archive().Value("DATETIME", row + 1).value_or("?")));
    EXPECT_EQ(LogLines("CommTerminalLB").count(refusal), packs ? 0 : 1);
  }

  // Kept for the next start.
  EXPECT_TRUE(Start().Driver()->Packing());
  EXPECT_TRUE(Action("PackRequestsMenuItem")->isChecked());
}

TEST_F(ArchiveCommandsTest, GraphOpensTheChartOfTheTableWhichFollowsItAndIsDeafDuringARead) {
  TMainForm& form = StartConnected();
  auto* chartButton = Child<QPushButton>("ChartButton");
  EXPECT_FALSE(chartButton->isEnabled());
  ChooseRecords(1, 1, 5);
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  ASSERT_TRUE(chartButton->isEnabled());
  QTest::mouseClick(chartButton, Qt::LeftButton);
  Settle();
  TArchiveChartWindow* chart = form.ArchiveChartWindow();
  ASSERT_NE(chart, nullptr);
  EXPECT_TRUE(chart->isVisible());
  EXPECT_FALSE(chart->isModal());
  EXPECT_EQ(chart->windowTitle(), QStringLiteral("График архива"));
  EXPECT_EQ(chart->Data().RecordCount(), 5);
  EXPECT_EQ(chart->LegendEntry(0)->toolTip(), form.ArchiveView()->ColumnCaption(1));

  // While records are read the wait window is the one modal window: the
  // chart, like the main window, gets no input.
  QWidget* modalDuringRead = nullptr;
  const QMetaObject::Connection watching =
      QObject::connect(form.WaitWindow2Btn()->GlobalWaitProgressBar(), &QProgressBar::valueChanged,
                       [&] { modalDuringRead = QApplication::activeModalWidget(); });
  ChooseRecords(1, 1, 3);
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  QObject::disconnect(watching);
  EXPECT_EQ(modalDuringRead, form.WaitWindow2Btn());
  EXPECT_EQ(chart->Data().RecordCount(), 3) << "the open chart shows the new table";

  FailEveryRequest();
  form.ExecuteCommand(TMainForm::TCommand::ReadArchive);
  Settle();
  EXPECT_FALSE(chartButton->isEnabled());
  EXPECT_EQ(chart->Data().RecordCount(), 0);
  // An archive file as well.
  const auto loaded = std::make_unique<TDeviceArchive>();
  TOPVarList columns;
  columns.Add("RADON");
  loaded->SetColumns(columns);
  for (const char* value : {"1.5", "2.5"}) {
    TOPVarList record;
    record.Add("RADON", {}, value);
    loaded->AppendRecord(record);
  }
  ASSERT_TRUE(loaded->SaveFile(FDir.filePath(QStringLiteral("two.daf"))));
  FDialogs.FileNames = {FDir.filePath(QStringLiteral("two.daf"))};
  form.ExecuteCommand(TMainForm::TCommand::ReadArchiveFile);
  Settle();
  EXPECT_TRUE(chartButton->isEnabled());
  EXPECT_EQ(chart->Data().RecordCount(), 2);
}

TEST_F(ArchiveCommandsTest, ADamagedArchiveFileIsAFailedLoadThatKeepsTheTableShown) {
  TMainForm& form = StartConnected();
  const QString good = FDir.filePath(QStringLiteral("good.daf"));
  TDeviceArchive archive;
  TOPVarList columns;
  columns.Add("RADON");
  archive.SetColumns(columns);
  for (const char* value : {"1.5", "2.5"}) {
    TOPVarList record;
    record.Add("RADON", {}, value);
    archive.AppendRecord(record);
  }
  ASSERT_TRUE(archive.SaveFile(good));
  FDialogs.FileNames = {good};
  form.ExecuteCommand(TMainForm::TCommand::ReadArchiveFile);
  Settle();
  ASSERT_EQ(ShownRows(), 2);

  const QByteArray damaged[] = {"", QByteArray("RADON  \r\n1\0\r\n", 12), "RADON  \r\n\x01\x02\x03\r\n",
                                "cap  one\r\n\r\n\r\n"};
  for (const QByteArray& bytes : damaged) {
    SCOPED_TRACE(bytes.toHex().constData());
    const QString bad = FDir.filePath(QStringLiteral("bad.daf"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    FDialogs.FileNames = {bad};
    FDialogs.Asked.clear();
    form.ExecuteCommand(TMainForm::TCommand::ReadArchiveFile);
    Settle();
    EXPECT_EQ(FDialogs.Texts(), QStringList{QStringLiteral("Чтение архива из файла не удалось!")});
    EXPECT_EQ(ShownRows(), 2);
    EXPECT_EQ(Cell(1, 0), QStringLiteral("2.5"));
    EXPECT_EQ(form.NGAS()->Archive().RecordCount(), 2);
  }
}
