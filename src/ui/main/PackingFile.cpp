#include "PackingFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

#include <optional>

namespace PackingFile {

bool Parse(const QByteArray& content) {
  const QByteArrayList lines = TextUtils::SplitLines(content);
  return !lines.isEmpty() && TextUtils::Trim(lines.first()) == "1";
}

QByteArray Format(bool on) { return on ? "1\r\n" : "0\r\n"; }

bool Load(const QString& path) {
  const std::optional<QByteArray> bytes = ReadRegularFile(path, kMaxFileBytes);
  return bytes && Parse(*bytes);
}

bool Save(const QString& path, bool on) { return SaveFileAtomically(path, Format(on)); }

}  // namespace PackingFile
