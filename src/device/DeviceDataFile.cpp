#include "DeviceDataFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

#include <optional>

namespace DeviceDataFile {

TDeviceData Parse(const QByteArray& content) {
  const QByteArrayList lines = TextUtils::SplitLines(content);
  if (lines.size() < 2) return {};
  const std::optional<int> period = TextUtils::ParseInt32(lines[0]);
  const std::optional<int> number = TextUtils::ParseInt32(lines[1]);
  if (!period || !number) return {};
  return {*period, *number};
}

QByteArray Format(const TDeviceData& data) {
  return QByteArray::number(data.TestRequestPeriod) + "\r\n" + QByteArray::number(data.DeviceNumber) + "\r\n";
}

TDeviceData Load(const QString& path) {
  const std::optional<QByteArray> bytes = ReadRegularFile(path, kMaxFileBytes);
  return bytes ? Parse(*bytes) : TDeviceData{};
}

bool Save(const QString& path, const TDeviceData& data) { return SaveFileAtomically(path, Format(data)); }

}  // namespace DeviceDataFile
