// Draws the main window and its small windows into PNG files, against the
// emulator, so that a person can look at the layout without a display:
//   qev_ui_screenshots <folder>
#include "AerosolMain.h"
#include "EnterDevNumber.h"
#include "InstallationEmulator.h"
#include "NGASDelayTime.h"
#include "PtyEmulatorServer.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "SpectrView.h"
#include "SpectrViewEnergyCalibration.h"
#include "StartupPaths.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"
#include "Win1251.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <utility>

namespace {

bool Save(QWidget* window, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
  const bool saved = window->grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: qev_ui_screenshots <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);

  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/qev-shots-XXXXXX"));
  InitStartupPaths(dir.filePath(QStringLiteral("qev")), dir.path());
  TInstallationEmulator emulator;
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
  int written = 0;
  {
    TMainForm form(dialogs, std::make_unique<TQtSerialPort>());
    form.ApplyAccessRights("1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;");
    form.show();
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
      if (page == TMainForm::kTestPage) {
        emulator.SetVariable("TEST", "129");
        form.ExecuteCommand(TMainForm::kCmdReadTest);
      }
      written += Save(&form, folder, QStringLiteral("main-%1-%2").arg(page + 1).arg(QString::fromLatin1(pages[page])));
    }
    // On a real (or virtual X) screen, also the screen as a person sees it,
    // window frame included.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
      form.SelectSettingsPage(TMainForm::kMeasurePage);
      QTest::qWait(500);
      const QString path = QDir(folder).filePath(QStringLiteral("screen.png"));
      const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
      std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    }
    const char* mainPages[] = {"spectrum", "archive", "terminal", "dump"};
    for (int page = TMainForm::kSpectrPage; page <= TMainForm::kDumpPage; ++page) {
      form.SelectMainPage(page);
      if (page == TMainForm::kSpectrPage) {
        // The main spectrum read, scaled to fit, with markers round the
        // largest peak and the cursor in it.
        form.ExecuteCommand(TMainForm::kCmdReadMainSpectr);
        TSpectrView* view = form.MainSpectrView();
        view->VSpectrScrollBar()->setValue(96);
        view->ScaleXTB()->setValue(2);
        view->SpectrBoxMouseMove(300);
        view->OnPopupMenu1ClickSetMarker1();
        view->SpectrBoxMouseMove(330);
        view->OnPopupMenu1ClickSetMarker2();
        view->SpectrBoxMouseMove(315);
        if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
          // The real pointer over the plot, and the context menu beside it.
          QCursor::setPos(view->SpectrBox()->mapToGlobal(QPoint(250, 100)));
          QTest::qWait(500);
          std::printf("read-out under the pointer: channel %s, energy %s, count %s\n",
                      qPrintable(view->Channel()->text()), qPrintable(view->Energy()->text()),
                      qPrintable(view->ChData()->text()));
          view->PopupMenu()->popup(QCursor::pos());
          QTest::qWait(500);
          const QString path = QDir(folder).filePath(QStringLiteral("screen-spectrum.png"));
          const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
          std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
          view->PopupMenu()->hide();
        }
      }
      written += Save(&form, folder, QStringLiteral("main-page-%1").arg(QString::fromLatin1(mainPages[page - 1])));
    }
    TEnergyCalibrationForm* calibration = form.MainSpectrView()->EnergyCalibrationForm();
    calibration->SetCurChannel(630);
    calibration->SetCurEnergy(6000);
    calibration->to1BtnClick();
    calibration->show();
    written += Save(calibration, folder, QStringLiteral("energy-calibration"));
    calibration->hide();
    form.WaitWindow()->ShowWait(QStringLiteral("загрузка измеренных значений"));
    form.WaitWindow()->WaitProgress()->SetPosition(40);
    written += Save(form.WaitWindow(), folder, QStringLiteral("wait-window"));
    form.WaitWindow()->hide();
    form.WaitWindow2Btn()->ShowWait(QStringLiteral("загрузка архива"));
    form.WaitWindow2Btn()->GlobalWaitProgress()->SetPosition(70);
    written += Save(form.WaitWindow2Btn(), folder, QStringLiteral("wait-window-2"));
    form.WaitWindow2Btn()->hide();
  }
  TDelayTimeWindow delay;
  delay.SetValue(10);
  delay.show();
  written += Save(&delay, folder, QStringLiteral("delay-time"));
  TEnterDevNumberWindow number;
  number.SetValue(1);
  number.show();
  written += Save(&number, folder, QStringLiteral("device-number"));
  server.Stop();
  return written == 16 ? 0 : 1;
}
