#include "QtSerialPort.h"

#include "Win1251.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {

// A total time-out of multiplier x bytes + constant; both zero means none.
QDeadlineTimer TotalDeadline(uint32_t multiplier, uint32_t constant, uint32_t bytes) {
  const uint64_t total = uint64_t{multiplier} * bytes + constant;
  if (total == 0) return QDeadlineTimer(QDeadlineTimer::Forever);
  return QDeadlineTimer(static_cast<qint64>(total));
}

int WaitMs(const QDeadlineTimer& deadline) {
  const qint64 left = deadline.remainingTime();
  if (left < 0) return -1;
  return static_cast<int>(std::min<qint64>(left, INT_MAX));
}

bool IsLineError(QSerialPort::SerialPortError error) {
  return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

// What a vanished device gives: an adapter pulled out, a pseudo-terminal
// whose other end closed.
bool IsDeviceGone(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}

// The longest frame the installation sends.
constexpr uint32_t kLongestFrame = 266;

TSerialPort::TParity FromQt(QSerialPort::Parity parity) {
  switch (parity) {
    case QSerialPort::OddParity:
      return TSerialPort::TParity::Odd;
    case QSerialPort::EvenParity:
      return TSerialPort::TParity::Even;
    case QSerialPort::MarkParity:
      return TSerialPort::TParity::Mark;
    case QSerialPort::SpaceParity:
      return TSerialPort::TParity::Space;
    default:
      return TSerialPort::TParity::None;
  }
}

QSerialPort::Parity ToQt(TSerialPort::TParity parity) {
  switch (parity) {
    case TSerialPort::TParity::Odd:
      return QSerialPort::OddParity;
    case TSerialPort::TParity::Even:
      return QSerialPort::EvenParity;
    case TSerialPort::TParity::Mark:
      return QSerialPort::MarkParity;
    case TSerialPort::TParity::Space:
      return QSerialPort::SpaceParity;
    case TSerialPort::TParity::None:
      break;
  }
  return QSerialPort::NoParity;
}

TSerialPort::TStopBits FromQt(QSerialPort::StopBits stopBits) {
  switch (stopBits) {
    case QSerialPort::OneAndHalfStop:
      return TSerialPort::TStopBits::OneAndHalf;
    case QSerialPort::TwoStop:
      return TSerialPort::TStopBits::Two;
    default:
      return TSerialPort::TStopBits::One;
  }
}

QSerialPort::StopBits ToQt(TSerialPort::TStopBits stopBits) {
  switch (stopBits) {
    case TSerialPort::TStopBits::OneAndHalf:
      return QSerialPort::OneAndHalfStop;
    case TSerialPort::TStopBits::Two:
      return QSerialPort::TwoStop;
    case TSerialPort::TStopBits::One:
      break;
  }
  return QSerialPort::OneStop;
}

}  // namespace

TQtSerialPort::~TQtSerialPort() { Close(); }

bool TQtSerialPort::Open(const QByteArray& deviceName) {
  Close();
  FLost = false;
  if (deviceName.isEmpty()) return false;
  QString name = Win1251::ToUnicode(deviceName);
#ifndef Q_OS_WIN
  // Qt puts a name that does not begin with "/" under /dev. A bare name
  // ("ttyUSB0") keeps that meaning; a path with a folder in it ("tty/x") is
  // the operator's, relative to the working folder as any other path.
  if (name.contains(QLatin1Char('/')) && QDir::isRelativePath(name)) name = QDir::current().absoluteFilePath(name);
#endif
  FPort.setPortName(name);
  return FPort.open(QIODevice::ReadWrite);
}

bool TQtSerialPort::Failed() {
  const QSerialPort::SerialPortError error = FPort.error();
  if (IsDeviceGone(error) && FPort.isOpen()) {
    FPort.close();
    FLost = true;
  }
  return IsLineError(error);
}

bool TQtSerialPort::DiscardInput() {
  if (!IsOpen()) return false;
  FPort.clearError();
  if (FPort.clear(QSerialPort::Input)) return true;
  Failed();
  return false;
}

bool TQtSerialPort::DrainInput(uint32_t quietMs) {
  if (!DiscardInput()) return false;
  // A line that never falls silent (noise) must not hold the program: a
  // whole frame's line time and the quiet time bound the drain.
  const QDeadlineTimer limit(LineTimeMs(kLongestFrame) + quietMs);
  while (!limit.hasExpired()) {
    FPort.clearError();
    if (!FPort.waitForReadyRead(static_cast<int>(std::min<qint64>(quietMs, WaitMs(limit))))) return !Failed();
    if (!DiscardInput()) return false;
  }
  return true;
}

void TQtSerialPort::Close() {
  if (FPort.isOpen()) FPort.close();
}

bool TQtSerialPort::GetLineState(TLineState& state) {
  if (!IsOpen()) return false;
  const qint32 baudRate = FPort.baudRate();
  state.BaudRate = baudRate > 0 ? static_cast<uint32_t>(baudRate) : 0;
  state.DataBits = static_cast<uint8_t>(FPort.dataBits());
  state.Parity = FromQt(FPort.parity());
  state.StopBits = FromQt(FPort.stopBits());
  return true;
}

bool TQtSerialPort::SetLineState(const TLineState& state) {
  if (!IsOpen() || state.BaudRate == 0 || state.BaudRate > INT32_MAX) return false;
  if (state.DataBits < 5 || state.DataBits > 8) return false;
  return FPort.setBaudRate(static_cast<qint32>(state.BaudRate)) &&
         FPort.setDataBits(static_cast<QSerialPort::DataBits>(state.DataBits)) && FPort.setParity(ToQt(state.Parity)) &&
         FPort.setStopBits(ToQt(state.StopBits));
}

bool TQtSerialPort::SetTimeouts(const TTimeouts& timeouts) {
  if (!IsOpen()) return false;
  FTimeouts = timeouts;
  return true;
}

bool TQtSerialPort::Write(const uint8_t* buffer, uint32_t count, uint32_t& written) {
  written = 0;
  if (!IsOpen() || buffer == nullptr) return false;
  if (count == 0) return true;
  const QDeadlineTimer deadline = TotalDeadline(FTimeouts.WriteTotalMultiplier, FTimeouts.WriteTotalConstant, count);
  FPort.clearError();
  const qint64 queued = FPort.write(reinterpret_cast<const char*>(buffer), count);
  if (queued < 0) {
    Failed();
    return false;
  }
  while (FPort.bytesToWrite() > 0 && !deadline.hasExpired()) {
    if (!FPort.waitForBytesWritten(WaitMs(deadline)) && Failed()) break;
  }
  if (!IsOpen()) return false;
  const qint64 unsent = FPort.bytesToWrite() + (count - queued);
  if (unsent > 0) {
    // What is left must not go out in front of the next request.
    FPort.clear(QSerialPort::Output);
    written = count - static_cast<uint32_t>(std::min<qint64>(unsent, count));
    return false;
  }
  written = count;
  // The bytes must be on the line before the answer is awaited, but a line
  // held up (flow control, a vanished adapter) must not hold the program:
  // the write's own time-out bounds the wait, without one the line time of
  // the bytes does.
  const bool timed = FTimeouts.WriteTotalMultiplier != 0 || FTimeouts.WriteTotalConstant != 0;
  return DrainOutput(timed ? deadline : QDeadlineTimer(LineTimeMs(count)));
}

qint64 TQtSerialPort::LineTimeMs(uint32_t bytes) const {
  const qint64 baud = std::max<qint64>(FPort.baudRate(), 1);
  // Ten bits a byte, and room for the driver and the adapter.
  return qint64{bytes} * 10 * 1000 / baud + kDrainAllowanceMs;
}

bool TQtSerialPort::DrainOutput(const QDeadlineTimer& deadline) {
#ifdef Q_OS_WIN
  // The write's time-outs bound FlushFileBuffers on a COM port.
  Q_UNUSED(deadline);
  return FlushFileBuffers(reinterpret_cast<HANDLE>(FPort.handle())) != 0;
#else
  for (;;) {
    int pending = 0;
    if (::ioctl(FPort.handle(), TIOCOUTQ, &pending) != 0) {
      if (errno == EINTR) continue;
      if (errno == EIO || errno == ENODEV || errno == ENXIO) {
        FPort.close();
        FLost = true;
      }
      return false;
    }
    if (pending <= 0) return true;
    if (deadline.hasExpired()) {
      // What is left must not go out in front of the next request.
      ::tcflush(FPort.handle(), TCOFLUSH);
      return false;
    }
    QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(deadline.remainingTime(), 1, kDrainPollMs)));
  }
#endif
}

bool TQtSerialPort::Read(uint8_t* buffer, uint32_t size, uint32_t& count,
                         TCommChannel::TExpectedLength expectedLength) {
  count = 0;
  if (!IsOpen() || buffer == nullptr) return false;
  if (size == 0) return true;
  // The total time-out bounds the wait for the answer to begin. Once it has
  // begun it is read while its bytes keep coming within the interval
  // time-out: a long answer on a slow line (a full frame takes 277 ms at
  // 9600 baud) is not cut in the middle, which would also leave its rest to
  // spoil the next attempt.
  const QDeadlineTimer total = TotalDeadline(FTimeouts.ReadTotalMultiplier, FTimeouts.ReadTotalConstant, size);
  QDeadlineTimer gap(QDeadlineTimer::Forever);
  for (;;) {
    bool arrived = false;
    if (TakeArrived(buffer, size, count, expectedLength, arrived)) return true;
    if (arrived && FTimeouts.ReadInterval != 0) gap.setRemainingTime(FTimeouts.ReadInterval);
    const QDeadlineTimer& wait = count > 0 && FTimeouts.ReadInterval != 0 ? gap : total;
    if (wait.hasExpired()) return true;
    FPort.clearError();
    if (!FPort.waitForReadyRead(WaitMs(wait)) && Failed()) return false;
  }
}

bool TQtSerialPort::TakeArrived(uint8_t* buffer, uint32_t size, uint32_t& count,
                                TCommChannel::TExpectedLength expectedLength, bool& arrived) {
  const qint64 room = std::min<qint64>(FPort.bytesAvailable(), size - count);
  if (room <= 0) return false;
  char* const at = reinterpret_cast<char*>(buffer + count);
  // Look first, take later: bytes beyond a complete frame stay in the port.
  const qint64 seen = FPort.peek(at, room);
  if (seen <= 0) return false;
  uint32_t take = static_cast<uint32_t>(seen);
  bool complete = count + take == size;
  if (expectedLength != nullptr) {
    const uint32_t frame = expectedLength(buffer, count + take);
    if (frame != 0 && frame <= count + take) {
      take = std::max(frame, count) - count;
      complete = true;
    }
  }
  FPort.skip(take);
  count += take;
  arrived = take > 0;
  return complete;
}
