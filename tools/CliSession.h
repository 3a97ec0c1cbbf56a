#pragma once

#include "CliOptions.h"

#include <QTextStream>

// One run of qev-cli: opens the line, runs the command, reports on the two
// streams and gives the exit status (0 answered, 1 failed).
int RunCliSession(const TCliOptions& options, QTextStream& out, QTextStream& err);
