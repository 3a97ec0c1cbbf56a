#include "AerosolMain.h"
#include "EnterDevNumber.h"
#include "NGASDelayTime.h"
#include "ProgramSetup.h"
#include "QtOperatorDialogs.h"
#include "QtSerialPort.h"
#include "StartupPaths.h"

#include <QApplication>
#include <QDir>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kHelp[] =
    "Usage: qev\n"
    "\n"
    "The operator's program of the radiometric aerosol monitoring installation:\n"
    "reads and writes its settings over the RS-232 line, shows the measured\n"
    "activities, the spectra and the device archive. It takes no arguments\n"
    "besides these two, which it answers without a display:\n"
    "\n"
    "  -h, --help     print this text and exit\n"
    "  -v, --version  print the version and exit\n"
    "\n"
    "Files. Run from a folder of its own (a build tree, a copied folder) the\n"
    "program keeps commport.cfg (serial port settings) beside the program file\n"
    "and qev.dtf (device number, test request period), qev.pck (packed requests)\n"
    "and qev.pwd (passwords) in the working folder. Installed (its folder not\n"
    "writable, or under /usr) it keeps the files it writes in\n"
    "~/.config/qev; /etc/qev/commport.cfg is the administrator's default for a\n"
    "user without one, and qev.pwd is read from /etc/qev only.\n";

// Answers --help and --version before the toolkit starts, so that they work
// without a display (the manual page is made from them at build time).
bool AnswerInformationArgument(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
      std::printf("qev %s\n", QEV_VERSION);
      return true;
    }
  }
  return false;
}

}  // namespace

// Builds the long-lived objects and hands them to the main window, which
// creates everything else; the program ends when the main window closes.
int main(int argc, char* argv[]) {
  if (AnswerInformationArgument(argc, argv)) return 0;
  QApplication application(argc, argv);
  InitStartupPaths(QCoreApplication::applicationFilePath(), QDir::currentPath());
  ProgramSetup::SetProgramIcon();
  ProgramSetup::LoadToolkitTranslations(QLocale::system());

  TQtOperatorDialogs dialogs;
  TMainForm mainForm(dialogs, std::make_unique<TQtSerialPort>());
  TDelayTimeWindow delayTimeWindow;
  TEnterDevNumberWindow enterDevNumberWindow;
  mainForm.SetNumberDialogs(&delayTimeWindow, &enterDevNumberWindow);

  mainForm.show();
  return application.exec();
}
