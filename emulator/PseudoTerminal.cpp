#include "PseudoTerminal.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal() {
  char name[256] = {};
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
  termios raw{};
  if (tcgetattr(slave, &raw) == 0) {
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  FMaster = master;
  FSlave = slave;
  FSlavePath = QString::fromLocal8Bit(name);
}

TPseudoTerminal::~TPseudoTerminal() {
  if (FSlave >= 0) ::close(FSlave);
  if (FMaster >= 0) ::close(FMaster);
}

bool TPseudoTerminal::Write(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(FMaster, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{FMaster, POLLOUT, 0};
    ::poll(&p, 1, 100);
  }
  return true;
}

QByteArray TPseudoTerminal::ReadAvailable(int timeoutMs, int maxBytes) {
  QByteArray bytes;
  pollfd p{FMaster, POLLIN, 0};
  if (FMaster < 0 || ::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return bytes;
  char buffer[1024];
  while (bytes.size() < maxBytes) {
    const size_t want = std::min(sizeof buffer, static_cast<size_t>(maxBytes - bytes.size()));
    const ssize_t n = ::read(FMaster, buffer, want);
    if (n <= 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

QByteArray TPseudoTerminal::Read(int count, int timeoutMs) {
  QByteArray bytes;
  QElapsedTimer clock;
  clock.start();
  while (bytes.size() < count) {
    const qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0) break;
    bytes += ReadAvailable(static_cast<int>(left), count - static_cast<int>(bytes.size()));
  }
  return bytes;
}

void TPseudoTerminal::DiscardInput() {
  if (FMaster >= 0) tcflush(FMaster, TCIFLUSH);
}
