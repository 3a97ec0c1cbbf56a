#pragma once

#include "CommChannel.h"

#include <QByteArray>

#include <cstdint>

class QThread;

// The few serial-port operations the link needs, so that the settings code
// drives one small interface: the production port on QSerialPort, an
// in-memory one in tests. Every operation reports success; none raises.
class TSerialPort {
 public:
  // The codes the installation's settings have always used for parity and
  // stop bits (the Windows values).
  enum class TParity : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
  enum class TStopBits : uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

  struct TLineState {
    uint32_t BaudRate = 9600;
    uint8_t DataBits = 8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::One;
  };

  // Milliseconds; the multipliers in milliseconds per byte. A read ends when
  // the gap after a received byte exceeds ReadInterval or when
  // ReadTotalMultiplier x requested bytes + ReadTotalConstant has passed; a
  // write gives up after WriteTotalMultiplier x bytes + WriteTotalConstant.
  // A zero interval, or zero multiplier and constant together, means no
  // limit of that kind.
  struct TTimeouts {
    uint32_t ReadInterval = 0;
    uint32_t ReadTotalMultiplier = 0;
    uint32_t ReadTotalConstant = 0;
    uint32_t WriteTotalMultiplier = 0;
    uint32_t WriteTotalConstant = 0;
  };

  virtual ~TSerialPort() = default;

  // Opens the device for reading and writing, not shared with any other
  // handle. The name is used as it stands: "COM1" on Windows, a device path
  // such as /dev/ttyUSB0 elsewhere.
  virtual bool Open(const QByteArray& deviceName) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The device went away under the open port (an adapter pulled out): the
  // port has closed itself. Cleared by the next Open.
  virtual bool Lost() const { return false; }

  virtual bool GetLineState(TLineState& state) = 0;
  virtual bool SetLineState(const TLineState& state) = 0;
  virtual bool SetTimeouts(const TTimeouts& timeouts) = 0;
  // Asks to be told of every received character. Ports that deliver bytes
  // without such a mask accept it and do nothing.
  virtual bool EnableReceivedCharEvent() = 0;
  virtual bool SetDTR(bool high) = 0;
  virtual bool SetRTS(bool high) = 0;

  // Returns once all count bytes have left for the line; written tells how
  // many did. False when the port is closed, fails, or the write time-out
  // passes first.
  virtual bool Write(const uint8_t* buffer, uint32_t count, uint32_t& written) = 0;
  // Blocks as TCommChannel::Read describes, with the time-outs set above:
  // the total time-out bounds the wait for the first byte; once bytes come,
  // the read goes on while they keep coming within the interval time-out.
  // Never takes more than size bytes; what comes after stays for the next
  // read.
  virtual bool Read(uint8_t* buffer, uint32_t size, uint32_t& count,
                    TCommChannel::TExpectedLength expectedLength = nullptr) = 0;
  // Drops what has been received and not yet read.
  virtual bool DiscardInput() = 0;
  // Drops what is received until the line has been silent for quietMs (the
  // rest of a frame cut short), for a frame's line time at most.
  virtual bool DrainInput(uint32_t /*quietMs*/) { return DiscardInput(); }

  // Hands the port to the thread that uses it from now on: a Qt port
  // answers only on its own thread. Called before the port is opened.
  virtual void MoveToThread(QThread*) {}
};
