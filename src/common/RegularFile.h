#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The whole content of a file that the program reads (settings, spectra,
// archives), or none: for a missing file, for anything that is not a regular
// file (a device such as /dev/zero, a pipe, a folder), for a file larger
// than maxBytes, and for a read error. A link counts as what it points to.
std::optional<QByteArray> ReadRegularFile(const QString& fileName, qint64 maxBytes);
