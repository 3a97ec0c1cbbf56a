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

#include <memory>

// Builds the long-lived objects and hands them to the main window, which
// creates everything else; the program ends when the main window closes.
int main(int argc, char* argv[]) {
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
