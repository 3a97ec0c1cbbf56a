#include "ArchiveTemplate.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

namespace {

int NumberLine(const QByteArrayList& lines, int at, int otherwise) {
  if (at >= lines.size()) return otherwise;
  return TextUtils::ParseInt32(TextUtils::Trim(lines.at(at))).value_or(otherwise);
}

}  // namespace

TArchiveTemplate TArchiveTemplate::FromBytes(const QByteArray& bytes, int totalRecords) {
  const QByteArrayList lines = TextUtils::SplitLines(bytes);
  TArchiveTemplate result;
  result.Step = NumberLine(lines, 0, 1);
  result.LowRange = NumberLine(lines, 1, 1);
  result.HighRange = NumberLine(lines, 2, totalRecords);
  for (qsizetype i = 3; i < lines.size(); ++i) result.Names << TextUtils::Trim(lines.at(i));
  return result;
}

QByteArray TArchiveTemplate::ToBytes() const {
  QByteArray bytes;
  for (int number : {Step, LowRange, HighRange}) bytes += QByteArray::number(number) + "\r\n";
  for (const QByteArray& name : Names) bytes += name + "\r\n";
  return bytes;
}

std::optional<TArchiveTemplate> TArchiveTemplate::Load(const QString& fileName, int totalRecords) {
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileSize);
  if (!bytes) return std::nullopt;
  return FromBytes(*bytes, totalRecords);
}

bool TArchiveTemplate::Save(const QString& fileName) const { return SaveFileAtomically(fileName, ToBytes()); }
