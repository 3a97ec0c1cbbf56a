#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// qev.dtf: the two settings the main window keeps for itself, one decimal
// integer per line (CR LF): the period of the test-mode requests in seconds
// and the device number, whose low byte is the address in use.
struct TDeviceData {
  static constexpr int32_t kDefaultTestRequestPeriod = 10;
  static constexpr int32_t kDefaultDeviceNumber = 1;

  int32_t TestRequestPeriod = kDefaultTestRequestPeriod;
  int32_t DeviceNumber = kDefaultDeviceNumber;

  bool operator==(const TDeviceData& other) const {
    return TestRequestPeriod == other.TestRequestPeriod && DeviceNumber == other.DeviceNumber;
  }
};

namespace DeviceDataFile {

inline const QString kFileName = QStringLiteral("qev.dtf");
// Two short lines; a larger file is not the device data file.
constexpr qint64 kMaxFileBytes = 64 * 1024;

// The two values of the file's text. Anything wrong with either line (a
// missing line, a text that is not an integer) gives both defaults.
TDeviceData Parse(const QByteArray& content);
QByteArray Format(const TDeviceData& data);

// A missing or unreadable file gives the defaults, and so does anything that
// is not a regular file of at most kMaxFileBytes.
TDeviceData Load(const QString& path);
// Replaces the file atomically: a failed save leaves the previous one.
bool Save(const QString& path, const TDeviceData& data);

}  // namespace DeviceDataFile
