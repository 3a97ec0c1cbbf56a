// Draws the main window's pages and the small windows into PNG files, taken
// from the program's own windows against the emulator, so that a person can
// look at the layout without a display and the README's pictures can be
// taken again when the look changes:
//   qev_ui_screenshots <folder>
// scripts/screenshots.sh runs it on a virtual X screen in the Russian locale.
#include "AerosolMain.h"
#include "ComResourceSetupEng.h"
#include "EnterDevNumber.h"
#include "InstallationEmulator.h"
#include "NGASDelayTime.h"
#include "ProgramSetup.h"
#include "PtyEmulatorServer.h"
#include "QtOperatorDialogs.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "StartupPaths.h"
#include "TransferWaitWindow.h"
#include "TransferWaitWindow2.h"
#include "Win1251.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
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
      Save(&form, folder, QStringLiteral("main-%1-%2").arg(page + 1).arg(QString::fromLatin1(pages[page])));
    }
    // On a real (or virtual X) screen, also the screen as a person sees it.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
      form.SelectSettingsPage(TMainForm::kMeasurePage);
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
      dialogs.DialogAnswers.clear();
    };
    mainPages->setCurrentIndex(TMainForm::kSpectrPage);
    const char* spectrumPages[] = {"main", "background"};
    for (int page = 0; page < spectra->count(); ++page) {
      spectra->setCurrentIndex(page);
      readShown();
      Save(&form, folder, QStringLiteral("spectrum-%1-%2").arg(page + 1).arg(QString::fromLatin1(spectrumPages[page])));
    }
    mainPages->setCurrentIndex(TMainForm::kArchivePage);
    readShown();
    Save(&form, folder, QStringLiteral("archive"));
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
