#include "CliOptions.h"
#include "CliSession.h"
#include "StartupPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>

// qev-cli: the installation from a shell, for integrators and scripts.
int main(int argc, char* argv[]) {
  QCoreApplication application(argc, argv);
  InitStartupPaths(QCoreApplication::applicationFilePath(), QDir::currentPath());
  QTextStream out(stdout);
  QTextStream err(stderr);

  const TCliParse parsed = ParseCliArguments(QCoreApplication::arguments());
  if (parsed.Help) {
    out << CliUsage();
    return 0;
  }
  if (!parsed.Options) {
    err << "qev-cli: " << parsed.Error << "\n\n" << CliUsage();
    return 2;
  }
  return RunCliSession(*parsed.Options, out, err);
}
