#include "PtyEmulatorServer.h"

#include "InstallationEmulator.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

TPtyEmulatorServer::TPtyEmulatorServer(TInstallationEmulator& emulator, TPtyServerOptions options)
    : FEmulator(emulator), FOptions(options) {}

TPtyEmulatorServer::~TPtyEmulatorServer() { Stop(); }

bool TPtyEmulatorServer::Start() {
  if (!FTerminal.IsOpen() || FThread.joinable()) return false;
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  FStopping = false;
  FThread = std::thread([this] { Run(); });
  return true;
}

void TPtyEmulatorServer::Stop() {
  if (!FThread.joinable()) return;
  FStopping = true;
  const char byte = 1;
  while (::write(FWake[1], &byte, 1) < 0 && errno == EINTR) {
  }
  FThread.join();
  ::close(FWake[0]);
  ::close(FWake[1]);
  FWake[0] = FWake[1] = -1;
  FAssembler.Clear();
}

bool TPtyEmulatorServer::Pause(int ms) {
  if (FStopping) return false;
  if (ms <= 0) return true;
  pollfd wake{FWake[0], POLLIN, 0};
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
    if (::poll(&wake, 1, static_cast<int>(left)) > 0 || FStopping) return false;
  }
  return true;
}

void TPtyEmulatorServer::Run() {
  pollfd fds[2] = {{FTerminal.MasterFd(), POLLIN, 0}, {FWake[0], POLLIN, 0}};
  QElapsedTimer sinceLastByte;
  sinceLastByte.start();
  while (!FStopping) {
    int timeout = -1;
    if (FAssembler.HasPartial())
      timeout = static_cast<int>(std::max<qint64>(FOptions.SilenceGapMs - sinceLastByte.elapsed(), 0));
    const int ready = ::poll(fds, 2, timeout);
    if (FStopping || (ready > 0 && (fds[1].revents & POLLIN))) break;
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (fds[0].revents & POLLIN)) {
      const QByteArray bytes = FTerminal.ReadAvailable(0);
      if (!bytes.isEmpty()) {
        FAssembler.Append(bytes);
        sinceLastByte.restart();
      }
    } else if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP))) {
      // The master only hangs up when the terminal is gone; do not spin.
      if (!Pause(10)) break;
    } else if (FAssembler.HasPartial() && sinceLastByte.elapsed() >= FOptions.SilenceGapMs) {
      FAssembler.Clear();
    }
    while (!FStopping) {
      const auto frame = FAssembler.TakeFrame();
      if (!frame) break;
      const TEmulatorAnswer answer = FEmulator.HandleFrame(*frame);
      if (FObserver) FObserver(answer);
      Answer(answer, static_cast<int>(frame->size()));
    }
  }
}

void TPtyEmulatorServer::Answer(const TEmulatorAnswer& answer, int requestBytes) {
  if (answer.Bytes.isEmpty()) return;
  // On a pseudo-terminal the request arrives at once; on a real line its
  // last byte comes only after its line time, and the controller answers
  // after that.
  const int requestMs = FOptions.Baud > 0 ? requestBytes * 10 * 1000 / FOptions.Baud : 0;
  if (!Pause(requestMs + FOptions.TurnaroundMs + answer.DelayMs)) return;
  SendPaced(answer.Bytes);
}

bool TPtyEmulatorServer::WriteAll(const QByteArray& bytes) {
  // A client that does not read lets the terminal's buffer fill up; the
  // write then waits, but never past a stop.
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(FTerminal.MasterFd(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd fds[2] = {{FTerminal.MasterFd(), POLLOUT, 0}, {FWake[0], POLLIN, 0}};
    if (::poll(fds, 2, 100) > 0 && (fds[1].revents & POLLIN)) return false;
    if (FStopping) return false;
  }
  return true;
}

bool TPtyEmulatorServer::SendPaced(const QByteArray& bytes) {
  if (FOptions.Baud <= 0) return WriteAll(bytes);
  // Each byte is due when the line would have carried the ones before it.
  const double byteMs = 10.0 * 1000.0 / FOptions.Baud;
  QElapsedTimer clock;
  clock.start();
  qsizetype sent = 0;
  while (sent < bytes.size()) {
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const qsizetype due = std::min<qsizetype>(bytes.size(), static_cast<qsizetype>(elapsed / byteMs) + 1);
    if (due > sent) {
      if (!WriteAll(bytes.mid(sent, due - sent))) return false;
      sent = due;
      continue;
    }
    const double wait = static_cast<double>(sent) * byteMs - elapsed;
    if (!Pause(std::max(1, static_cast<int>(wait)))) return false;
  }
  return true;
}
