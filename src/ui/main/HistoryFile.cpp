#include "HistoryFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

#include <QDir>
#include <QStandardPaths>

#include <optional>

namespace HistoryFile {

QString Parse(const QByteArray& content) {
  const QByteArrayList lines = TextUtils::SplitLines(content);
  return lines.isEmpty() ? QString() : QString::fromUtf8(TextUtils::Trim(lines.first()));
}

QByteArray Format(const QString& databaseName) { return databaseName.trimmed().toUtf8() + "\r\n"; }

QString DefaultDatabase() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
      .filePath(QStringLiteral("history.sqlite"));
}

QString Load(const QString& path) {
  const std::optional<QByteArray> bytes = ReadRegularFile(path, kMaxFileBytes);
  const QString name = bytes ? Parse(*bytes) : QString();
  return name.isEmpty() ? DefaultDatabase() : name;
}

bool Save(const QString& path, const QString& databaseName) { return SaveFileAtomically(path, Format(databaseName)); }

}  // namespace HistoryFile
