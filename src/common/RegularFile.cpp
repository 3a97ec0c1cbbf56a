#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

std::optional<QByteArray> ReadRegularFile(const QString& fileName, qint64 maxBytes) {
  // Checked before opening: opening a pipe would wait for a writer.
  const QFileInfo info(fileName);
  if (!info.isFile() || info.size() > maxBytes) return std::nullopt;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly) || file.isSequential()) return std::nullopt;
  // One byte more than allowed tells a file that grew since it was checked.
  QByteArray bytes = file.read(maxBytes + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes) return std::nullopt;
  return bytes;
}
