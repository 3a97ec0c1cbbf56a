#pragma once

#include "DeviceArchive.h"

#include <QByteArray>

// An archive as a CSV table for spreadsheets (RFC 4180): a header row of the
// column names, one row per record, fields quoted when they hold the
// separator, a quote or a line break, lines ended by CR LF, UTF-8.
//
// With decimalComma, values that are plain decimal numbers ("12.5",
// "-3.1E-5") are written with a comma, as spreadsheets set to a comma
// decimal mark expect; other texts (dates among them) stay as they are.
QByteArray ArchiveToCsv(const TDeviceArchive& archive, char separator, bool decimalComma);
