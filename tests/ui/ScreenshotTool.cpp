// Draws the main window's pages and the small windows into PNG files, taken
// from the program's own windows against the emulator, so that a person can
// look at the layout without a display and the README's pictures can be
// taken again when the look changes:
//   qev_ui_screenshots <folder>
// scripts/screenshots.sh runs it on a virtual X screen in the Russian locale.
#include "AerosolMain.h"
#include "ArchiveChartPlot.h"
#include "ArchiveChartWindow.h"
#include "ArchiveGenerator.h"
#include "ComResourceSetupEng.h"
#include "DeviceArchive.h"
#include "EnterDevNumber.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "InstallationEmulator.h"
#include "NGAS.h"
#include "NGASDelayTime.h"
#include "ProgramSetup.h"
#include "PtyEmulatorServer.h"
#include "QtOperatorDialogs.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "NuclideTableWindow.h"
#include "SpectrView.h"
#include "StartupPaths.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"
#include "Win1251.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

bool FSavedAll = true;

// Pages of a few flat colours fit an eight-bit palette without a visible
// change, at a third of the size.
bool SaveImage(QImage image, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
  image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  const bool saved = image.save(path, "PNG", 9);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  FSavedAll = FSavedAll && saved;
  return saved;
}

void Save(QWidget* window, const QString& folder, const QString& name) {
  QApplication::processEvents();
  SaveImage(window->grab().toImage(), folder, name);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: qev_ui_screenshots <folder>\n");
    return 2;
  }
  ProgramSetup::SetProgramIcon();
  ProgramSetup::LoadToolkitTranslations(QLocale::system());
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);

  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/qev-shots-XXXXXX"));
  InitStartupPaths(dir.filePath(QStringLiteral("qev")), dir.path());
  // An americium peak in the tails of the progeny, as a monitor exists to
  // find.
  TEmulatorConfig emulatorConfig;
  emulatorConfig.Emitters = {{"Am-241", 2500}};
  TInstallationEmulator emulator(emulatorConfig);
  // Values that light the indicators, so that their colours can be judged.
  const std::pair<const char*, const char*> shown[] = {{"DATETIME", "07/03/2005 14.05.09"},
                                                       {"BAS_SIRENE", "1"},
                                                       {"BAS_INDICATOR", "1"},
                                                       {"DRYCONTACTIN", "1"},
                                                       {"STATUS", "33"},
                                                       {"ALPHAALARM1", "5"},
                                                       {"ETHERNET", "1"},
                                                       {"NETADDRESS", "12"},
                                                       {"NETBAUDRATE", "19200"}};
  for (const auto& [name, value] : shown) emulator.SetVariable(name, value);
  TPtyEmulatorServer server(emulator);
  if (!server.Start()) return 1;
  QFile config(dir.filePath(QStringLiteral("commport.cfg")));
  if (!config.open(QIODevice::WriteOnly)) return 1;
  config.write("PortNumber=" + Win1251::FromUnicode(server.SlavePath()) +
               "\r\nTransferRate=115200 baud\r\nStopBits=1 bit\r\nParitet=None\r\n"
               "LatencyPeriod=Approximately 0.25 second\r\nDTRControl=HandShake\r\nRTSControl=HandShake\r\n"
               "WriteTimeOutMultiplier=0\r\nWriteTimeOutConstant=0\r\n");
  config.close();

  TScriptedDialogs dialogs;
  {
    TMainForm form(dialogs, std::make_unique<TQtSerialPort>());
    form.ApplyAccessRights("1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;");
    form.show();
    // The exchanges run on the link thread: each step waits for its end (the
    // whole archive takes the better part of a minute).
    const auto settle = [&form] {
      if (!QTest::qWaitFor([&form] { return form.Controller()->Settled(); }, 600000))
        std::fprintf(stderr, "the window did not settle\n");
    };
    auto* settings = form.findChild<QTabWidget*>(QStringLiteral("Page1PageControl"));
    const char* pages[] = {"common", "measure", "counter", "pump", "test", "service", "net"};
    // Each sub-page as the operator reaches it: selecting it reads it, and
    // the test page enters the test mode (the scripted questions answer
    // Yes).
    for (int page = 0; page < settings->count(); ++page) {
      if (page == settings->currentIndex())
        form.RequestButtonClick();
      else
        settings->setCurrentIndex(page);
      settle();
      if (page == TMainForm::kTestPage) {
        emulator.SetVariable("TEST", "129");
        form.ExecuteCommand(TMainForm::TCommand::ReadTest);
        settle();
      }
      Save(&form, folder, QStringLiteral("main-%1-%2").arg(page + 1).arg(QString::fromLatin1(pages[page])));
    }
    // On a real (or virtual X) screen, also the screen as a person sees it.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
      form.SelectSettingsPage(TMainForm::kMeasurePage);
      settle();
      QTest::qWait(500);
      SaveImage(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), folder, QStringLiteral("screen"));
    }
    // The other main pages with whatever they hold: each spectrum sub-page
    // and the archive are read as "Прочитать из прибора" reads them, any
    // dialog on the way taken with its defaults.
    auto* mainPages = form.findChild<QTabWidget*>(QStringLiteral("MainPageControl"));
    auto* spectra = form.findChild<QTabWidget*>(QStringLiteral("SpectrPageControl"));
    const auto readShown = [&] {
      dialogs.DialogAnswers = {[](QDialog&) { return int(QDialog::Accepted); }};
      form.RequestButtonClick();
      settle();
      dialogs.DialogAnswers.clear();
    };
    mainPages->setCurrentIndex(TMainForm::kSpectrPage);
    settle();
    const char* spectrumPages[] = {"main", "background"};
    for (int page = 0; page < spectra->count(); ++page) {
      spectra->setCurrentIndex(page);
      readShown();
      Save(&form, folder, QStringLiteral("spectrum-%1-%2").arg(page + 1).arg(QString::fromLatin1(spectrumPages[page])));
    }
    // The main spectrum with the background over it, linear and
    // logarithmic, the whole spectrum in sight and its highest column inside
    // the box.
    spectra->setCurrentIndex(TMainForm::kMainSpectrPage);
    form.MainSpectrView()->ScaleXTB()->setValue(2);
    form.MainSpectrView()->VSpectrScrollBar()->setValue(91);
    form.MainSpectrView()->CompanionItem()->setChecked(true);
    form.MainSpectrView()->OnPopupMenu1ClickShowCompanion();
    Save(&form, folder, QStringLiteral("spectrum-3-background-over-main"));
    form.MainSpectrView()->LogScaleItem()->setChecked(true);
    form.MainSpectrView()->OnPopupMenu1ClickLogScale();
    Save(&form, folder, QStringLiteral("spectrum-4-logarithmic"));
    // The found peaks named on the logarithmic plot, and their table.
    form.MainSpectrView()->NuclidesItem()->setChecked(true);
    form.MainSpectrView()->OnPopupMenu1ClickShowNuclides();
    Save(&form, folder, QStringLiteral("spectrum-5-nuclides"));
    form.MainSpectrView()->OnPopupMenu1ClickNuclideTable();
    QApplication::processEvents();
    Save(form.MainSpectrView()->NuclideTable(), folder, QStringLiteral("spectrum-6-nuclide-table"));
    form.MainSpectrView()->NuclideTable()->close();
    mainPages->setCurrentIndex(TMainForm::kArchivePage);
    readShown();
    Save(&form, folder, QStringLiteral("archive"));
    // The chart of what the table shows, with the read-out of a record, as
    // "График" opens it.
    form.findChild<QPushButton*>(QStringLiteral("ChartButton"))->click();
    TArchiveChartWindow* chart = form.ArchiveChartWindow();
    chart->resize(980, 640);
    QApplication::processEvents();
    chart->ChartPlot()->PointAt(chart->ChartPlot()->width() * 2 / 3);
    Save(chart, folder, QStringLiteral("archive-chart"));
    chart->close();
    mainPages->setCurrentIndex(TMainForm::kTerminalPage);
    Save(&form, folder, QStringLiteral("terminal"));
    mainPages->setCurrentIndex(TMainForm::kDumpPage);
    Save(&form, folder, QStringLiteral("dump"));

    form.WaitWindow()->ShowWait(QStringLiteral("загрузка измеренных значений"));
    form.WaitWindow()->WaitProgress()->SetPosition(40);
    Save(form.WaitWindow(), folder, QStringLiteral("wait-window"));
    form.WaitWindow()->hide();
    form.WaitWindow2Btn()->ShowWait(QStringLiteral("загрузка архива"));
    form.WaitWindow2Btn()->GlobalWaitProgress()->SetPosition(70);
    Save(form.WaitWindow2Btn(), folder, QStringLiteral("wait-window-2"));
    form.WaitWindow2Btn()->hide();

    // A message box as the program shows it, with the toolkit's buttons in
    // the operator's language.
    QTimer::singleShot(300, &form, [&folder] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || !box->isVisible()) continue;
        Save(box, folder, QStringLiteral("message-box"));
        box->done(QMessageBox::No);
      }
    });
    TQtOperatorDialogs().Message(TOperatorDialogs::TMessageKind::Confirmation,
                                 QStringLiteral("Вы действительно хотите покинуть программу?"),
                                 QMessageBox::Yes | QMessageBox::No);
  }
  // A week of every variable the archive holds, with the alarm settings and
  // a level passed now and then: the chart as an operator meets it on a
  // real installation.
  {
    const TArchiveGenerator week(7 * 24 * 6, QDateTime(QDate(2024, 3, 11), QTime(12, 0)), 600,
                                 {"KEV-0042", "12", "16", "25", "80"});
    TDeviceArchive archive;
    TOPVarList columns;
    for (const char* name : {"DATETIME", "MODE", "STATUS", "ALPHAALARM1", "ALPHAALARM2", "BETAALARM1", "BETAALARM2",
                             "ALPHAALARM1ON", "SUMALPHA", "SUMBETA", "RADON", "FLOW", "VOLUME"})
      columns.Add(name);
    archive.SetColumns(columns);
    for (int n = 1; n <= week.Records(); ++n) archive.AppendRecord(*week.Record(columns, n));
    TArchiveChartWindow chart(dialogs);
    chart.resize(980, 640);
    chart.show();
    // The captions the table gives the columns, which name the units.
    const TNGAS ngas(nullptr);
    QStringList captions;
    for (int c = 0; c < columns.Count(); ++c)
      for (int a = 0; a < ngas.ArchVarList().Count(); ++a)
        if (ngas.ArchVarList().GetItem(a)->Name == columns.GetItem(c)->Name)
          captions << Win1251::ToUnicode(ngas.ArchCaptionVarList().GetItem(a)->Name);
    chart.SetArchive(archive, captions);
    QApplication::processEvents();
    chart.ChartPlot()->PointAt(chart.ChartPlot()->width() / 2);
    Save(&chart, folder, QStringLiteral("archive-chart-week"));
    chart.LogScaleBox()->setChecked(true);
    chart.ChartPlot()->ZoomAt(chart.ChartPlot()->width() / 2, 0.3);
    Save(&chart, folder, QStringLiteral("archive-chart-week-log"));
  }
  // A year of minute records in a history store, with an outage of three
  // days and one of five hours: the window "История" over the year and
  // over its last day, and the time the year takes to draw.
  {
    QTemporaryDir storeDir;
    const QString database = storeDir.filePath(QStringLiteral("history.sqlite"));
    const TNGAS ngas(nullptr);
    const TArchiveGenerator year(525600, QDateTime(QDate(2026, 12, 8), QTime(14, 0)), 60,
                                 {"00107", "12", "16", "25", "80"});
    TDeviceArchive archive;
    archive.SetColumns(ngas.ArchVarList());
    for (int n = 1; n <= year.Records(); ++n) {
      const bool outage = (n > 200000 && n <= 200000 + 3 * 1440) || (n > 480000 && n <= 480300);
      if (!outage) archive.AppendRecord(*year.Record(ngas.ArchVarList(), n));
    }
    {
      THistoryStore store(database);
      if (!store.Open() || !store.StoreArchive(1, archive)) FSavedAll = false;
    }
    QHash<QByteArray, QString> captions;
    for (int c = 0; c < ngas.ArchVarList().Count(); ++c)
      captions.insert(ngas.ArchVarList().GetItem(c)->Name,
                      Win1251::ToUnicode(ngas.ArchCaptionVarList().GetItem(c)->Name));
    THistoryWindow history(dialogs, captions);
    history.resize(1100, 720);
    history.show();
    history.SetDatabase(database);
    QElapsedTimer timer;
    timer.start();
    history.ShowPeriod(THistoryWindow::TPeriodKind::Year);
    std::printf("history-window year records=%lld ms=%lld\n", static_cast<long long>(history.PeriodRecords()),
                static_cast<long long>(timer.elapsed()));
    QApplication::processEvents();
    history.Chart()->ChartPlot()->PointAt(history.Chart()->ChartPlot()->width() * 2 / 3);
    Save(&history, folder, QStringLiteral("history-year"));
    SaveImage(history.Chart()->ChartPlot()->Picture(history.Chart()->windowTitle()), folder,
              QStringLiteral("history-year-picture"));
    history.ShowPeriod(THistoryWindow::TPeriodKind::Week);
    Save(&history, folder, QStringLiteral("history-week"));
  }
  TComPropertiesDialog serial;
  serial.show();
  Save(&serial, folder, QStringLiteral("serial-settings"));
  TDelayTimeWindow delay;
  delay.SetValue(10);
  delay.show();
  Save(&delay, folder, QStringLiteral("delay-time"));
  TEnterDevNumberWindow number;
  number.SetValue(1);
  number.show();
  Save(&number, folder, QStringLiteral("device-number"));
  server.Stop();
  return FSavedAll ? 0 : 1;
}
