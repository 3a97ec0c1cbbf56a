#pragma once

#include "CliOptions.h"

#include <QTextStream>

#include <functional>

class TNGAS;

// The line as the history commands need it: opened (again) and closed by the
// session that owns it, quietly or with its messages.
struct TCliLine {
  std::function<bool(bool quiet)> Open;
  std::function<void()> Close;
};

// qev-cli history: the stored records or polls of a period as a file; no line.
int RunHistoryExport(const TCliOptions& options, QTextStream& out, QTextStream& err);
// qev-cli sync: the last line on out is "sync new=N stored=M requests=R".
int RunHistorySync(const TCliOptions& options, TNGAS& device, const TCliLine& line, QTextStream& out, QTextStream& err);
// qev-cli watch: the collector, until SIGTERM, SIGINT or --for.
int RunWatch(const TCliOptions& options, TNGAS& device, const TCliLine& line, QTextStream& out, QTextStream& err);
