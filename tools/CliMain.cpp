#include "CliOptions.h"
#include "CliPasswords.h"
#include "CliSession.h"
#include "StartupPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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
  if (parsed.Version) {
    out << "qev-cli " << QEV_VERSION << '\n';
    return 0;
  }
  if (!parsed.Options) {
    err << "qev-cli: " << parsed.Error << "\n\n" << CliUsage();
    return 2;
  }
  const TCliOptions& options = *parsed.Options;
  if (options.Command == TCliOptions::TCommand::PasswordsEncode ||
      options.Command == TCliOptions::TCommand::PasswordsDecode) {
#ifdef _WIN32
    // The plain lines end in CR LF already.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    return RunPasswordsCommand(options, standardOutput, err);
  }
  return RunCliSession(options, out, err);
}
