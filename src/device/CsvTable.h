#pragma once

#include <QByteArray>

class QLocale;
class QString;
class TDeviceArchive;
class TRadiationSpectr;

// How a CSV table is laid out for the spreadsheet that will open it.
struct TCsvFormat {
  char Separator = ',';
  // Plain decimal numbers ("12.5", "-3.1E-5") are written with a comma, as
  // spreadsheets set to a comma decimal mark expect; other texts (dates
  // among them) stay as they are.
  bool DecimalComma = false;

  // The form a spreadsheet under this locale opens directly: its decimal
  // mark, and ";" between the fields where that mark is a comma.
  static TCsvFormat ForLocale(const QLocale& locale);
};

// Tables as CSV for spreadsheets (RFC 4180): a header row, one row per
// record, lines ended by CR LF, UTF-8 behind a byte-order mark (without it a
// spreadsheet on Windows takes the text for the ANSI code page). A field is
// quoted when it holds the separator, a comma, a semicolon, a tab, a quote
// or a line break, so that a spreadsheet splitting at any of them keeps it
// whole.
//
// An archive: the column names, then the records, one field per column.
// DATETIME goes out as ISO 8601 with a "T" ("2026-12-08T14:05:09"), which
// spreadsheets read as a date and time in every language without asking; a value that is no valid time goes out as it
// is. Empty without columns.
QByteArray ArchiveToCsv(const TDeviceArchive& archive, const TCsvFormat& format);
// A spectrum: channel, energy (A × channel + B) and count for each of the
// 1024 channels.
QByteArray SpectrToCsv(const TRadiationSpectr& spectr, const TCsvFormat& format);

// Whether the operator chose the table by the name's extension (".csv" in
// any case) rather than the program's own file format.
bool IsCsvFileName(const QString& fileName);
