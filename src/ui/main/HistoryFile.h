#pragma once

#include <QByteArray>
#include <QString>

// qev.hst: the history database the window shows and syncs into, one line
// (an SQLite file's path or a PostgreSQL address) ended by CR LF, UTF-8. It
// sits beside qev.dtf, whose two lines stay as they are. A PostgreSQL
// password belongs in libpq's ~/.pgpass, never here: the operator is told
// so where he names the database.
namespace HistoryFile {

inline const QString kFileName = QStringLiteral("qev.hst");
// One line; a larger file is not the history file.
constexpr qint64 kMaxFileBytes = 4096;

// The first line, blanks around it dropped; empty for an empty text.
QString Parse(const QByteArray& content);
QByteArray Format(const QString& databaseName);

// The SQLite file in the user's data folder that a store starts with.
QString DefaultDatabase();
// The database the file names; DefaultDatabase() for a missing, damaged or
// empty one, or anything that is not a regular file of at most
// kMaxFileBytes.
QString Load(const QString& path);
// Replaces the file atomically: a failed save leaves the previous one.
bool Save(const QString& path, const QString& databaseName);

}  // namespace HistoryFile
