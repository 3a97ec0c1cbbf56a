#pragma once

#include <QByteArray>
#include <QString>

// qev.pck: whether the operator chose packed requests, one line "1" (on) or
// "0" (off) ended by CR LF. It sits beside qev.dtf, whose two lines stay as
// they are.
namespace PackingFile {

inline const QString kFileName = QStringLiteral("qev.pck");
// One short line; a larger file is not the packing file.
constexpr qint64 kMaxFileBytes = 1024;

// On only for a first line "1" (blanks around it allowed); anything else,
// an empty text included, is off.
bool Parse(const QByteArray& content);
QByteArray Format(bool on);

// A missing, unreadable or damaged file is off, and so is anything that is
// not a regular file of at most kMaxFileBytes.
bool Load(const QString& path);
// Replaces the file atomically: a failed save leaves the previous one.
bool Save(const QString& path, bool on);

}  // namespace PackingFile
