#include "StartupPaths.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InitStartupPaths(QCoreApplication::applicationFilePath(), QDir::currentPath());
  return 0;
}
