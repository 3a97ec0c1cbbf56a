#pragma once

#include "SerialPort.h"

#include <QDeadlineTimer>
#include <QSerialPort>

// The production port, on QSerialPort, so that the same code drives a COM
// port on Windows and a tty on Linux. QSerialPort has no read time-outs of
// its own; Read builds the interval and total time-outs of a synchronous
// serial read on a monotonic clock.
class TQtSerialPort : public TSerialPort {
 public:
  TQtSerialPort() = default;
  ~TQtSerialPort() override;
  TQtSerialPort(const TQtSerialPort&) = delete;
  TQtSerialPort& operator=(const TQtSerialPort&) = delete;

  bool Open(const QByteArray& deviceName) override;
  void Close() override;
  bool IsOpen() const override { return FPort.isOpen(); }
  bool Lost() const override { return FLost; }

  bool GetLineState(TLineState& state) override;
  bool SetLineState(const TLineState& state) override;
  bool SetTimeouts(const TTimeouts& timeouts) override;
  bool EnableReceivedCharEvent() override { return IsOpen(); }
  bool SetDTR(bool high) override { return IsOpen() && FPort.setDataTerminalReady(high); }
  bool SetRTS(bool high) override { return IsOpen() && FPort.setRequestToSend(high); }

  bool Write(const uint8_t* buffer, uint32_t count, uint32_t& written) override;
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count,
            TCommChannel::TExpectedLength expectedLength = nullptr) override;
  bool DiscardInput() override;
  bool DrainInput(uint32_t quietMs) override;
  void MoveToThread(QThread* thread) override { FPort.moveToThread(thread); }

 private:
  // Moves what has arrived (at most size - count bytes, and no byte beyond a
  // frame whose length is known) into the buffer. True when the read is
  // complete; arrived tells whether anything new was taken.
  bool TakeArrived(uint8_t* buffer, uint32_t size, uint32_t& count, TCommChannel::TExpectedLength expectedLength,
                   bool& arrived);
  // Waits until the operating system has sent its own buffer to the line,
  // until the deadline at most; false (the rest dropped) when it passed.
  bool DrainOutput(const QDeadlineTimer& deadline);
  // After a failed wait: true when the port failed (not a time-out). A
  // device that went away closes the port and marks it lost.
  bool Failed();
  // The time the line takes to carry the bytes at the port's speed, with
  // an allowance.
  qint64 LineTimeMs(uint32_t bytes) const;

  static constexpr qint64 kDrainAllowanceMs = 100;
  static constexpr qint64 kDrainPollMs = 5;

  QSerialPort FPort;
  TTimeouts FTimeouts;
  bool FLost = false;
};
