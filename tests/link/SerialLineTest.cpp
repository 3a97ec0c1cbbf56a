#include "LogLines.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "RS232Channel.h"
#include "Win1251.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

// The production port on a pseudo-terminal whose other end the test drives.
// A pseudo-terminal takes any speed and ignores it, so the speed only sets
// the time-outs here; it refuses DTR and RTS, so the lines stay in
// handshake mode unless a test is about them.
namespace {

using TPieces = std::vector<std::pair<int, QByteArray>>;  // pause before, bytes

// The installation's side of the line, answering in timed pieces.
class TDelayedWriter {
 public:
  TDelayedWriter(TPseudoTerminal& pty, TPieces pieces)
      : FThread([&pty, pieces = std::move(pieces)] {
          for (const auto& [pauseMs, bytes] : pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pty.Write(bytes);
          }
        }) {}
  ~TDelayedWriter() { FThread.join(); }

 private:
  std::thread FThread;
};

// Frames that announce their whole length in the first byte.
uint32_t LengthInFirstByte(const uint8_t* bytes, size_t count) { return count > 0 ? bytes[0] : 0; }

class SerialLineTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FPty.IsOpen()); }

  static void Prepare(TRS232Channel& channel, const QByteArray& device, const char* speed, const char* latency) {
    TComSettings& settings = channel.Settings();
    settings.SetPortNumber(device);
    settings.SetTransferRate(speed);
    settings.SetLatencyPeriod(latency);
    settings.SetDTRControl("HandShake");
    settings.SetRTSControl("HandShake");
  }

  QByteArray Device() const { return Win1251::FromUnicode(FPty.SlavePath()); }

  bool OpenAt(const char* speed, const char* latency) {
    Prepare(FChannel, Device(), speed, latency);
    return FChannel.Open();
  }

  int Interval() const { return static_cast<int>(FChannel.Properties().Timeouts().ReadInterval); }

  QByteArray ReadOnce(uint32_t size = 266, TCommChannel::TExpectedLength expectedLength = nullptr) {
    std::vector<uint8_t> buffer(size);
    uint32_t count = 12345;
    EXPECT_TRUE(FChannel.Read(buffer.data(), size, count, expectedLength));
    EXPECT_LE(count, size);
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
  }

  TPseudoTerminal FPty;
  TRS232Channel FChannel{std::make_unique<TQtSerialPort>()};
};

QByteArray EveryByteValue() {
  QByteArray bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

TEST_F(SerialLineTest, EveryByteValueTravelsBothWaysUnchanged) {
  ASSERT_TRUE(OpenAt("1200 baud", "Approximately 0.25 second"));
  EXPECT_EQ(FChannel.State(), TRS232Channel::kStateOpen);

  const QByteArray request = EveryByteValue() + "\r\n\x11\x13";
  uint32_t count = static_cast<uint32_t>(request.size());
  EXPECT_TRUE(FChannel.Write(reinterpret_cast<const uint8_t*>(request.constData()), count));
  EXPECT_EQ(count, static_cast<uint32_t>(request.size()));
  EXPECT_EQ(FPty.Read(request.size(), 5000), request);

  const QByteArray answer = EveryByteValue();
  ASSERT_TRUE(FPty.Write(answer));
  EXPECT_EQ(ReadOnce(), answer);
}

TEST_F(SerialLineTest, SilentLineIsSuccessWithNothingAfterTheTotalTimeout) {
  ASSERT_TRUE(OpenAt("9600 baud", "100 millisecond"));  // 1 + 100 ms
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(ReadOnce(), QByteArray());
  EXPECT_GE(clock.elapsed(), 90);
  EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(SerialLineTest, LongWaitsKeepTheirTimeoutsAndEveryByte) {
  ASSERT_TRUE(OpenAt("9600 baud", "Approximately 0.75 second"));  // 3 x 266 + 5 ms
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(ReadOnce(), QByteArray());
  EXPECT_GE(clock.elapsed(), 790);
  TDelayedWriter installation(FPty, {{120, "abc"}, {5, "def"}});
  EXPECT_EQ(ReadOnce(), "abcdef");
}

TEST_F(SerialLineTest, PiecesWithAShortGapArriveInOneRead) {
  ASSERT_TRUE(OpenAt("300 baud", "Approximately 20 seconds"));
  ASSERT_GE(Interval(), 600);
  TDelayedWriter installation(FPty, {{0, "abc"}, {Interval() / 10, "def"}});
  EXPECT_EQ(ReadOnce(), "abcdef");
}

TEST_F(SerialLineTest, PiecesWithALongGapArriveInTwoReads) {
  ASSERT_TRUE(OpenAt("300 baud", "Approximately 20 seconds"));
  TDelayedWriter installation(FPty, {{0, "abc"}, {Interval() * 3, "def"}});
  EXPECT_EQ(ReadOnce(), "abc");
  EXPECT_EQ(ReadOnce(), "def");
}

TEST_F(SerialLineTest, CompleteFrameEndsTheReadAndLeavesWhatFollows) {
  ASSERT_TRUE(OpenAt("75 baud", "Approximately 20 seconds"));
  ASSERT_GE(Interval(), 2000);
  QElapsedTimer clock;
  clock.start();
  {
    // The first frame comes in two pieces, the second one right behind it.
    TDelayedWriter installation(FPty, {{0,
                                        "\x06"
                                        "ab"},
                                       {100, "cde\x03XY"}});
    EXPECT_EQ(ReadOnce(266, LengthInFirstByte),
              "\x06"
              "abcde");
  }
  EXPECT_EQ(ReadOnce(266, LengthInFirstByte), "\x03XY");
  // Neither read waited out the interval after its last byte.
  EXPECT_LT(clock.elapsed(), Interval());
}

TEST_F(SerialLineTest, ReadNeverTakesMoreThanAsked) {
  ASSERT_TRUE(OpenAt("9600 baud", "100 millisecond"));
  ASSERT_TRUE(FPty.Write("0123456789"));
  EXPECT_EQ(ReadOnce(4), "0123");
  EXPECT_EQ(ReadOnce(266), "456789");
  // A frame longer than the buffer ends at the buffer's size.
  ASSERT_TRUE(
      FPty.Write("\x09"
                 "ABCDEFGH"));
  EXPECT_EQ(ReadOnce(5, LengthInFirstByte),
            "\x09"
            "ABCD");
  EXPECT_EQ(ReadOnce(266), "EFGH");
}

TEST_F(SerialLineTest, DiscardInputDropsStaleBytes) {
  ASSERT_TRUE(OpenAt("9600 baud", "100 millisecond"));
  ASSERT_TRUE(FPty.Write("stale answer"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  FChannel.DiscardInput();
  ASSERT_TRUE(FPty.Write("fresh"));
  EXPECT_EQ(ReadOnce(), "fresh");
}

TEST_F(SerialLineTest, WriteThatOutlastsItsTimeoutFailsAndLeavesNothingBehind) {
  // Nobody reads the other end, so a write four times what a pseudo-terminal
  // holds (64 KB) cannot leave in time. Not larger: the time-out also runs
  // while the port copies the bytes, which an instrumented build (make tsan)
  // does slowly enough to use it up before anything leaves.
  FChannel.Settings().SetWriteTimeoutConstant(300);
  ASSERT_TRUE(OpenAt("9600 baud", "100 millisecond"));
  const QByteArray flood(256 * 1024, 'x');
  uint32_t count = static_cast<uint32_t>(flood.size());
  EXPECT_FALSE(FChannel.Write(reinterpret_cast<const uint8_t*>(flood.constData()), count));
  EXPECT_EQ(count, 0u);

  // What had not left is dropped rather than sent in front of the next
  // request: once the other end has taken what did leave, only the next
  // request follows.
  qsizetype arrived = 0;
  for (QByteArray part; !(part = FPty.ReadAvailable(500)).isEmpty();) arrived += part.size();
  EXPECT_GT(arrived, 0);
  EXPECT_LT(arrived, flood.size());
  const QByteArray request = "next";
  count = static_cast<uint32_t>(request.size());
  EXPECT_TRUE(FChannel.Write(reinterpret_cast<const uint8_t*>(request.constData()), count));
  EXPECT_EQ(FPty.ReadAvailable(2000), request);
}

TEST_F(SerialLineTest, MissingOrHeldPortDoesNotOpen) {
  for (const char* device : {"/dev/qev-no-such-port", "COM1", ""}) {
    TRS232Channel channel(std::make_unique<TQtSerialPort>());
    Prepare(channel, device, "9600 baud", "100 millisecond");
    EXPECT_FALSE(channel.Open()) << device;
    EXPECT_EQ(channel.State(), TRS232Channel::kStateNotOpen) << device;
  }

  ASSERT_TRUE(OpenAt("9600 baud", "100 millisecond"));
  TRS232Channel second(std::make_unique<TQtSerialPort>());
  Prepare(second, Device(), "9600 baud", "100 millisecond");
  EXPECT_FALSE(second.Open());
  EXPECT_EQ(second.State(), TRS232Channel::kStateNotOpen);

  // Once the first handle is gone the port is free again.
  FChannel.Close();
  EXPECT_TRUE(second.Open());
}

TEST_F(SerialLineTest, RefusedLineControlIsAnOpenFailure) {
  for (const auto& [dtr, rts] : {std::pair{"Disable", "HandShake"}, std::pair{"HandShake", "Enable"}}) {
    Prepare(FChannel, Device(), "9600 baud", "100 millisecond");
    FChannel.Settings().SetDTRControl(dtr);
    FChannel.Settings().SetRTSControl(rts);
    EXPECT_FALSE(FChannel.Open()) << dtr << " " << rts;
    EXPECT_EQ(FChannel.State(), TRS232Channel::kStateNotOpen);
  }
}

// A long answer on a slow line outlasts the total time-out (which bounds
// only the wait for its first byte) and still arrives whole, at every speed
// the installation runs at with the default latency; one cut by silence in
// the middle ends at the interval time-out.
TEST_F(SerialLineTest, AnAnswerThatHasBegunIsReadWholePastTheTotalTimeout) {
  for (const int baud : {9600, 19200, 57600, 115200}) {
    SCOPED_TRACE(baud);
    const QByteArray speed = QByteArray::number(baud) + " baud";
    ASSERT_TRUE(OpenAt(speed.constData(), "Approximately 0.25 second"));
    FChannel.DiscardInput();
    const TSerialPort::TTimeouts timeouts = FChannel.Properties().Timeouts();
    const int total = static_cast<int>(timeouts.ReadTotalMultiplier * 266 + timeouts.ReadTotalConstant);
    // A frame byte by byte, spread over one and a half times the total
    // time-out; the short gaps leave room for a busy machine's scheduling
    // within the interval time-out.
    constexpr int kGapMs = 2;
    const int bytes = std::clamp(3 * total / (2 * kGapMs), 8, 250);
    QByteArray frame(bytes, 'x');
    frame[0] = static_cast<char>(frame.size());
    TPieces paced;
    for (int i = 0; i < bytes; ++i) paced.push_back({i == 0 ? 20 : kGapMs, frame.mid(i, 1)});
    QByteArray got;
    {
      TDelayedWriter installation(FPty, paced);
      got = ReadOnce(266, LengthInFirstByte);
    }
    EXPECT_EQ(got.size(), frame.size());

    // Cut by silence: what came is returned, the rest is drained and the
    // next read sees only the next answer.
    TDelayedWriter cut(FPty, {{0,
                               "\x10"
                               "abc"},
                              {Interval() * 3 / 2, "REST"}});
    EXPECT_EQ(ReadOnce(266, LengthInFirstByte),
              "\x10"
              "abc");
    FChannel.DrainInput();
    ASSERT_TRUE(
        FPty.Write("\x03"
                   "ok"));
    EXPECT_EQ(ReadOnce(266, LengthInFirstByte),
              "\x03"
              "ok");
    FChannel.Close();
  }
}

// An adapter pulled out and put back at the same path (a link to a
// pseudo-terminal, closed and made again; the path relative to the working
// folder): the transfer that meets the vanished device fails, the port is
// let go with one line in the log, and an Open of the same settings finds
// the device again, no more often than asked.
TEST(PulledPort, IsLetGoAndOpenedAgainAtTheSamePath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("tty")));
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  // A name of its own: Qt locks a port by the last part of its name.
  const QString name = QStringLiteral("tty/") + QFileInfo(dir.path()).fileName();
  const QString link = dir.filePath(name);

  for (const bool duringWrite : {false, true}) {
    SCOPED_TRACE(duringWrite ? "pulled before a write" : "pulled during a read");
    auto pty = std::make_unique<TPseudoTerminal>();
    ASSERT_TRUE(QFile::link(pty->SlavePath(), link));
    TRS232Channel channel(std::make_unique<TQtSerialPort>());
    TLogLines log;
    channel.SetLog(&log);
    std::vector<bool> told;
    channel.SetPortObserver([&told](bool open) { told.push_back(open); });
    TComSettings& settings = channel.Settings();
    settings.SetPortNumber(name.toLatin1());
    settings.SetTransferRate("9600 baud");
    settings.SetDTRControl("HandShake");
    settings.SetRTSControl("HandShake");
    ASSERT_TRUE(channel.Open()) << "a relative path is taken in the working folder";

    uint8_t buffer[266];
    uint32_t count = 0;
    // The device node goes with the device.
    const auto pull = [&pty, &link] {
      pty.reset();
      QFile::remove(link);
    };
    if (duringWrite) {
      pull();
      uint32_t written = 4;
      EXPECT_FALSE(channel.Write(reinterpret_cast<const uint8_t*>("ping"), written));
      EXPECT_EQ(written, 0u);
    } else {
      std::thread puller([&pull] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pull();
      });
      EXPECT_FALSE(channel.Read(buffer, sizeof buffer, count));
      puller.join();
    }
    EXPECT_EQ(channel.State(), TRS232Channel::kStateNotOpen);
    EXPECT_FALSE(channel.Read(buffer, sizeof buffer, count));
    ASSERT_EQ(log.LineCount(), 1);
    EXPECT_EQ(Win1251::ToUnicode(log.Lines()[0]),
              QStringLiteral("-- порт %1 недоступен и закрыт, связи нет до его возвращения").arg(name));
    EXPECT_FALSE(channel.Reopen()) << "nothing at the path yet";

    pty = std::make_unique<TPseudoTerminal>();
    ASSERT_TRUE(QFile::link(pty->SlavePath(), link));
    EXPECT_FALSE(channel.Reopen(60000)) << "tried a moment ago";
    EXPECT_TRUE(channel.Reopen());
    EXPECT_TRUE(channel.Reopen()) << "an open port stays as it is";
    ASSERT_EQ(log.LineCount(), 2);
    EXPECT_EQ(Win1251::ToUnicode(log.Lines()[1]), QStringLiteral("-- порт %1 снова открыт").arg(name));
    EXPECT_EQ(told, (std::vector<bool>{false, true}));

    uint32_t written = 4;
    EXPECT_TRUE(channel.Write(reinterpret_cast<const uint8_t*>("ping"), written));
    EXPECT_EQ(pty->Read(4, 2000), "ping");
    ASSERT_TRUE(pty->Write("pong"));
    EXPECT_TRUE(channel.Read(buffer, sizeof buffer, count));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), count), "pong");
    channel.Close();
    ASSERT_TRUE(QFile::remove(link));
  }
  QDir::setCurrent(before);
}

}  // namespace
