#pragma once

#include "ComSettings.h"
#include "SerialPort.h"

#include <QByteArray>

#include <cstdint>

// Opens the COM port with the current settings and keeps it configured:
// speed and character format, the five time-outs, the received-character
// event and the DTR and RTS lines. The settings and the port are borrowed
// from the channel that owns them.
class TComProperties {
 public:
  TComProperties(const TComSettings* settings, TSerialPort* port);
  ~TComProperties();
  TComProperties(const TComProperties&) = delete;
  TComProperties& operator=(const TComProperties&) = delete;

  // Takes the settings as they are now and opens the port with them, so a
  // changed dialog takes effect at the next open.
  void ReadSettingsAndOpen();
  // Opens and configures the port; Opened() tells the outcome. After a
  // failure the port may stay open unconfigured until the next Close or
  // Open.
  void Open();
  void Close();

  // The five time-outs for the chosen speed and latency period.
  void CalcTimeouts();
  bool ApplyTimeouts();

  bool SetDTR();
  bool ClearDTR();
  bool SetRTS();
  bool ClearRTS();

  bool Opened() const { return FOpened; }
  // The port name of the last ReadSettingsAndOpen, which Open uses.
  const QByteArray& PortName() const { return FPortName; }
  int32_t CharTime() const { return FCharTime; }
  const TSerialPort::TTimeouts& Timeouts() const { return FTimeouts; }

  // One character of start bit, eight data bits and stop bit at the speed,
  // in whole milliseconds (ties to even), at least 1.
  static int32_t CharTimeForSpeed(uint32_t speed);
  // The speed is the number in front of the speed text ("9600 baud");
  // 0 when there is none.
  static uint32_t SpeedFromText(const QByteArray& text);
  // The NT family delivers received bytes promptly and gets the shorter
  // read interval.
  static TSerialPort::TTimeouts TimeoutsFor(int32_t charTime, const QByteArray& latencyPeriod, uint8_t platformKind,
                                            int32_t writeMultiplier, int32_t writeConstant);

 private:
  const TComSettings* FSettings;
  TSerialPort* FPort;

  QByteArray FPortName;
  QByteArray FSpeed;
  QByteArray FStopBits;
  QByteArray FParity;
  QByteArray FLatencyPeriod;
  QByteArray FDTRControl;
  QByteArray FRTSControl;
  int32_t FWriteTimeoutMultiplier = 0;
  int32_t FWriteTimeoutConstant = 0;

  TSerialPort::TTimeouts FTimeouts;
  bool FOpened = false;
  bool FTimeoutsApplied = false;
  int32_t FCharTime = 1;
};
