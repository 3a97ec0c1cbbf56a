#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <array>
#include <cstdint>

// The nine serial settings and their file commport.cfg. The seven list
// settings are kept as the texts the operator chose or typed (not as
// indexes), so a device path typed in place of "COM1" survives a save and a
// load unchanged. Texts are Windows-1251 bytes.
class TComSettings {
 public:
  static constexpr int kValueCount = 9;
  // In file order: port, speed, stop bits, parity, latency period, DTR, RTS,
  // write time-out multiplier, write time-out constant.
  using TValues = std::array<QByteArray, kValueCount>;

  // Nine short lines; a larger file is not a settings file.
  static constexpr qint64 kMaxFileBytes = 64 * 1024;

  // The values a fresh dialog shows.
  TComSettings();

  void SetStartValues();
  // What a missing or damaged file leaves: the port lines in handshake mode.
  void SetFailedLoadDefaults();

  // The file a load reads. A relative file name is taken in the program's
  // folder (not the current one), so the settings are found whatever folder
  // the program starts in; an installed program reads the user's file or the
  // administrator's default and saves to the user's (TFileLocations).
  static QString FilePath(const QString& fileName);

  // Reads up to nine Key=value lines; unknown keys and lines without "=" are
  // ignored, a repeated key wins. A missing file or a time-out value that is
  // not a decimal number gives the failed-load defaults and false, and so
  // does anything that is not a regular file of at most kMaxFileBytes.
  bool LoadFromFile(const QString& fileName);
  // The same for the file's contents.
  bool LoadFromBytes(const QByteArray& bytes);
  // The keys the last load did not find (all nine after a failed one).
  const QByteArrayList& MissingKeys() const { return FMissingKeys; }
  // Writes the nine lines (CR LF) atomically: a failed save leaves the
  // previous file as it was.
  bool SaveToFile(const QString& fileName) const;
  QByteArray SaveToBytes() const;

  // The nine values as texts, the integers in decimal; SetValues puts them
  // back, an empty text giving the failed-load default of its value.
  TValues GetValues() const;
  void SetValues(const TValues& values);

  const QByteArray& PortNumber() const { return FPortNumber; }
  const QByteArray& TransferRate() const { return FTransferRate; }
  const QByteArray& StopBits() const { return FStopBits; }
  const QByteArray& Paritet() const { return FParitet; }
  const QByteArray& LatencyPeriod() const { return FLatencyPeriod; }
  const QByteArray& DTRControl() const { return FDTRControl; }
  const QByteArray& RTSControl() const { return FRTSControl; }
  int32_t WriteTimeoutMultiplier() const { return FWriteTimeoutMultiplier; }
  int32_t WriteTimeoutConstant() const { return FWriteTimeoutConstant; }

  void SetPortNumber(const QByteArray& text) { FPortNumber = text; }
  void SetTransferRate(const QByteArray& text) { FTransferRate = text; }
  void SetStopBits(const QByteArray& text) { FStopBits = text; }
  void SetParitet(const QByteArray& text) { FParitet = text; }
  void SetLatencyPeriod(const QByteArray& text) { FLatencyPeriod = text; }
  void SetDTRControl(const QByteArray& text) { FDTRControl = text; }
  void SetRTSControl(const QByteArray& text) { FRTSControl = text; }
  void SetWriteTimeoutMultiplier(int32_t value) { FWriteTimeoutMultiplier = value; }
  void SetWriteTimeoutConstant(int32_t value) { FWriteTimeoutConstant = value; }

 private:
  QByteArray FPortNumber;
  QByteArray FTransferRate;
  QByteArray FStopBits;
  QByteArray FParitet;
  QByteArray FLatencyPeriod;
  QByteArray FDTRControl;
  QByteArray FRTSControl;
  int32_t FWriteTimeoutMultiplier = 0;
  int32_t FWriteTimeoutConstant = 0;
  QByteArrayList FMissingKeys;
};
