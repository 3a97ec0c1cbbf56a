#include "EmulatorTestSupport.h"
#include "PtyEmulatorServer.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// The program's end of the line, opened as a serial port would be.
class TSerialClient {
 public:
  explicit TSerialClient(const QString& path) {
    FFd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (FFd >= 0 && tcgetattr(FFd, &raw) == 0) {
      cfmakeraw(&raw);
      tcsetattr(FFd, TCSANOW, &raw);
    }
  }
  ~TSerialClient() {
    if (FFd >= 0) ::close(FFd);
  }
  bool IsOpen() const { return FFd >= 0; }

  void Send(const QByteArray& bytes) const {
    ASSERT_EQ(::write(FFd, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
  }

  // Reads one frame by its announced length, or what came before timeoutMs.
  QByteArray ReceiveFrame(int timeoutMs = 2000, qint64* firstByteMs = nullptr) const {
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
      const uint32_t needed = OpenProtocolFrame::AnnouncedFrameLength(
          reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
      if (needed > 0 && bytes.size() >= static_cast<qsizetype>(needed)) return bytes;
      const qint64 left = timeoutMs - clock.elapsed();
      if (left <= 0) return bytes;
      pollfd p{FFd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buffer[300];
      const ssize_t n = ::read(FFd, buffer, sizeof buffer);
      if (n > 0) {
        if (bytes.isEmpty() && firstByteMs) *firstByteMs = clock.elapsed();
        bytes.append(buffer, n);
      }
    }
  }

 private:
  int FFd = -1;
};

QByteArray TextOf(const QByteArray& frame) {
  const auto decoded = Decode(frame);
  return decoded.Ok ? OpenProtocolText::PacketText(decoded.Packet) : QByteArray("<bad>");
}

}  // namespace

TEST(PtyEmulatorServer, AnswersFramesFromTheSlaveSideAndResynchronises) {
  TInstallationEmulator emulator;
  TPtyEmulatorServer server(emulator);
  std::atomic<int> observed{0};
  server.SetObserver([&](const TEmulatorAnswer&) { ++observed; });
  ASSERT_TRUE(server.Start());
  EXPECT_FALSE(server.Start());
  TSerialClient client(server.SlavePath());
  ASSERT_TRUE(client.IsOpen());

  client.Send(RequestFrame("MODE=??;"));
  EXPECT_EQ(TextOf(client.ReceiveFrame()), "MODE=0;");

  // A frame in two pieces with a short pause is still one frame.
  const QByteArray frame = RequestFrame("SERIALN=??;");
  client.Send(frame.left(9));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  client.Send(frame.mid(9));
  EXPECT_EQ(TextOf(client.ReceiveFrame()), "SERIALN=00107;");

  // A torn frame is forgotten once the line has been silent; the next frame
  // is answered.
  client.Send(frame.left(12));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  client.Send(RequestFrame("NUMOFRECORDS=??;"));
  EXPECT_EQ(TextOf(client.ReceiveFrame()), "NUMOFRECORDS=500;");

  // Noise right before a frame: the bad header is skipped byte by byte.
  client.Send(QByteArray("\x13\x37\x00\x42", 4) + RequestFrame("MODE=??;"));
  EXPECT_EQ(TextOf(client.ReceiveFrame()), "MODE=0;");

  // Nothing for another device.
  client.Send(RequestFrame("MODE=??;", 3));
  EXPECT_TRUE(client.ReceiveFrame(200).isEmpty());

  server.Stop();
  EXPECT_FALSE(server.IsRunning());
  EXPECT_EQ(emulator.RequestCount(), 4);
  EXPECT_EQ(observed.load(), 5);
}

TEST(PtyEmulatorServer, PacesAnswersAtTheLineSpeedAfterTheTurnaround) {
  TInstallationEmulator emulator;
  TPtyServerOptions options;
  options.Baud = 1200;  // 8.3 ms a byte
  options.TurnaroundMs = 40;
  TPtyEmulatorServer server(emulator, options);
  ASSERT_TRUE(server.Start());
  TSerialClient client(server.SlavePath());

  QElapsedTimer clock;
  clock.start();
  client.Send(RequestFrame("MODE=??;"));
  qint64 firstByteMs = 0;
  const QByteArray answer = client.ReceiveFrame(3000, &firstByteMs);
  const qint64 lastByteMs = clock.elapsed();
  ASSERT_EQ(TextOf(answer), "MODE=0;");
  // Only lower bounds: a loaded machine may be slower, never faster.
  EXPECT_GE(firstByteMs, 35);
  EXPECT_GE(lastByteMs, 40 + (answer.size() - 1) * 10 * 1000 / 1200 - 10);
}

TEST(PtyEmulatorServer, StopsPromptlyEvenWhileHoldingALateAnswer) {
  TInstallationEmulator emulator;
  emulator.SetFaults({TFaultKind::Late, 0, 0, 60000});
  auto server = std::make_unique<TPtyEmulatorServer>(emulator);
  ASSERT_TRUE(server->Start());
  TSerialClient client(server->SlavePath());
  client.Send(RequestFrame("MODE=??;"));
  EXPECT_TRUE(client.ReceiveFrame(150).isEmpty());

  QElapsedTimer clock;
  clock.start();
  server.reset();  // destruction stops the thread
  EXPECT_LT(clock.elapsed(), 30000);
  EXPECT_EQ(emulator.RequestCount(), 1);

  // A stopped server starts again on the same terminal.
  TPtyEmulatorServer again(emulator);
  emulator.SetFaults({});
  ASSERT_TRUE(again.Start());
  again.Stop();
  again.Stop();
  ASSERT_TRUE(again.Start());
  TSerialClient second(again.SlavePath());
  second.Send(RequestFrame("MODE=??;"));
  EXPECT_EQ(TextOf(second.ReceiveFrame()), "MODE=0;");
}
