#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file or nothing: the bytes go to a temporary file that
// replaces the old one only once every byte was written and synced to the
// disk, so a failed save (a full disk, a missing folder, a path that is a
// folder) reports false and leaves the previous file as it was.
bool SaveFileAtomically(const QString& fileName, const QByteArray& bytes);
