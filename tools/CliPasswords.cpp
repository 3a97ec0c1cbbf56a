#include "CliPasswords.h"

#include "Passwords.h"

int RunPasswordsCommand(const TCliOptions& options, QIODevice& out, QTextStream& err) {
  // Case-sensitive as the program reads it: the passwords keep their case.
  TPasswords passwords(true);
  if (options.Command == TCliOptions::TCommand::PasswordsEncode) {
    if (!passwords.LoadSourcePasswordsList(options.PasswordSource)) {
      err << "qev-cli: cannot read " << options.PasswordSource << "\n";
      return 1;
    }
    if (!passwords.SavePasswordsList(options.PasswordFile)) {
      err << "qev-cli: cannot write " << options.PasswordFile << "\n";
      return 1;
    }
    return 0;
  }
  if (!passwords.LoadPasswordsList(options.PasswordFile)) {
    err << "qev-cli: cannot read " << options.PasswordFile << "\n";
    return 1;
  }
  const QByteArray lines = passwords.SaveSourceToBytes();
  if (out.write(lines) != lines.size()) {
    err << "qev-cli: cannot write the standard output\n";
    return 1;
  }
  return 0;
}
