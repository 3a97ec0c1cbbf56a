#pragma once

#include "CliOptions.h"

#include <QIODevice>
#include <QTextStream>

// qev-cli passwords: makes qev.pwd from a plain password file, or prints
// the plain lines of one (Windows-1251, CR LF, as the source file has them).
// 0 when done, 1 when a file cannot be read or written.
int RunPasswordsCommand(const TCliOptions& options, QIODevice& out, QTextStream& err);
