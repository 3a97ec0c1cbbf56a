#include "LogsBench.h"

#include "CrossThreadLog.h"
#include "InstallationEmulator.h"
#include "ListBoxLog.h"
#include "LogLinesModel.h"
#include "MainController.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "PtyEmulatorServer.h"
#include "QtOperatorDialogs.h"
#include "QtSerialPort.h"
#include "RS232Channel.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int kRequests = 100;
constexpr int kRounds = 3;
constexpr const char* kChildArgument = "logs-a11y-run";

// The two log pages as the main window has them, on tabs of a shown window,
// the terminal in front, and the controller writing them from the link
// thread.
class TLogPages {
 public:
  TLogPages(const QString& port, uint8_t address) {
    auto* layout = new QVBoxLayout(&FWindow);
    auto* tabs = new QTabWidget(&FWindow);
    layout->addWidget(tabs);
    for (QListView* view : {FCommView, FDebugView}) {
      view->setUniformItemSizes(true);
      view->setFont(QFont(QStringLiteral("Courier New"), 9));
    }
    tabs->addTab(FCommView, QStringLiteral("Терминал"));
    tabs->addTab(FDebugView, QStringLiteral("Дамп"));
    FWindow.resize(639, 469);
    FWindow.setWindowTitle(QStringLiteral("qev-bench logs"));
    FWindow.show();
    FController =
        std::make_unique<TMainController>(FWindow, FDialogs, std::make_unique<TQtSerialPort>(), FCommLog, FDebugLog);
    TComSettings& settings = FController->Channel()->Settings();
    settings.SetPortNumber(port.toLocal8Bit());
    settings.SetTransferRate("115200 baud");
    settings.SetDTRControl("HandShake");
    settings.SetRTSControl("HandShake");
    FController->NGAS()->SetDevAddress(address);
  }

  bool Open() { return FController->OpenChannel(); }

  // Both pages at their limit, through the way the driver writes them.
  void Fill() {
    FController->Exchange(
        TMainController::TWait::None, {},
        [this](TNGAS&) {
          for (int i = 0; i < TLogSink::kMaxLines; ++i) {
            AppendLogLine(&FController->CommLog(), "-> NETADDRESS=??; " + QByteArray::number(i));
            AppendLogLine(&FController->DebugLog(), "<- 7E 01 02 03 04 05 06 07 " + QByteArray::number(i));
          }
          return true;
        },
        [this](bool) { FDone = true; });
    Wait();
  }

  // The read of kRequests requests, from the command to its result on the
  // window's thread, ms; nullopt when a request failed.
  std::optional<double> Read() {
    TOpenProtocolDriver* driver = FController->Driver();
    bool read = false;
    QElapsedTimer clock;
    clock.start();
    FController->Exchange(
        TMainController::TWait::None, {},
        [driver](TNGAS& ngas) {
          TOPVarList list;
          list.Add("NETADDRESS");
          for (int i = 0; i < kRequests; ++i)
            if (!driver->ReadVars(ngas.DevAddress(), list)) return false;
          return true;
        },
        [this, &read](bool result) {
          read = result;
          FDone = true;
        });
    Wait();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!read) {
      const TLogLinesModel& lines = FCommLog.Model();
      for (int row = std::max(lines.Count() - 6, 0); row < lines.Count(); ++row)
        std::fprintf(stderr, "%s\n", qPrintable(lines.Line(row)));
      return std::nullopt;
    }
    return ms;
  }

  int Lines() const { return FCommLog.LineCount() + FDebugLog.LineCount(); }
  // Empty pages, as the operator clears them.
  void Clear() {
    FController->CommLog().Clear();
    FController->DebugLog().Clear();
  }

 private:
  // Until the job is done and the lines sent have reached the pages.
  void Wait() {
    while (!FDone) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    FDone = false;
    QCoreApplication::processEvents();
  }

  QWidget FWindow;
  QListView* FCommView = new QListView(&FWindow);
  QListView* FDebugView = new QListView(&FWindow);
  TListBoxLog FCommLog{FCommView};
  TListBoxLog FDebugLog{FDebugView};
  TQtOperatorDialogs FDialogs;
  std::unique_ptr<TMainController> FController;
  bool FDone = false;
};

// The best of kRounds reads: on a machine shared with other work the
// fastest round is the one least disturbed.
std::optional<double> TimeRead(bool full) {
  TInstallationEmulator emulator;
  TPtyEmulatorServer server(emulator);
  if (!server.Start()) {
    std::fprintf(stderr, "qev-bench: no pseudo-terminal\n");
    return std::nullopt;
  }
  TLogPages pages(server.SlavePath(), emulator.Address());
  if (!pages.Open()) {
    std::fprintf(stderr, "qev-bench: cannot open %s\n", qPrintable(server.SlavePath()));
    return std::nullopt;
  }
  if (full) pages.Fill();
  // A warm-up.
  if (!pages.Read()) return std::nullopt;
  std::optional<double> best;
  for (int round = 0; round < kRounds; ++round) {
    if (!full) pages.Clear();
    if (full && pages.Lines() != 2 * TLogSink::kMaxLines) {
      std::fprintf(stderr, "qev-bench: the log pages are not at their limit\n");
      return std::nullopt;
    }
    const std::optional<double> ms = pages.Read();
    if (!ms) return std::nullopt;
    best = best ? std::min(*best, *ms) : *ms;
  }
  return best;
}

bool Report(const char* a11y) {
  const std::optional<double> empty = TimeRead(false);
  const std::optional<double> full = TimeRead(true);
  if (!empty || !full) {
    std::fprintf(stderr, "qev-bench: a read for the logs bench failed\n");
    return false;
  }
  std::printf("logs full_ms=%.0f empty_ms=%.0f ratio=%.2f a11y=%s\n", *full, *empty, *full / *empty, a11y);
  std::fflush(stdout);
  return true;
}

// A process started here, ended here.
class TStarted {
 public:
  ~TStarted() {
    if (FProcess.state() == QProcess::NotRunning) return;
    FProcess.terminate();
    if (!FProcess.waitForFinished(3000)) FProcess.kill();
    FProcess.waitForFinished(3000);
  }
  QProcess& operator*() { return FProcess; }
  QProcess* operator->() { return &FProcess; }

 private:
  QProcess FProcess;
};

// Reads the program's accessible tree as a screen reader does: every object
// an event names, and the whole tree (the first rows of a long list) once
// a second, until it is ended.
const char* const kTreeReader = R"(
import pyatspi
from gi.repository import GLib
def read(node, depth):
    try:
        node.name; node.getRole(); count = node.childCount
    except Exception:
        return
    if depth < 12:
        for i in range(min(count, 16)):
            read(node.getChildAtIndex(i), depth + 1)
def walk():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        read(desktop.getChildAtIndex(i), 0)
    return True
def heard(event):
    try:
        event.source.name; event.source.childCount
    except Exception:
        pass
walk()
for kind in ("object:children-changed", "object:state-changed", "object:property-change", "object:text-changed"):
    pyatspi.Registry.registerEventListener(heard, kind)
GLib.timeout_add(1000, walk)
print("reading", flush=True)
pyatspi.Registry.start()
)";

bool Skip(const QString& why) {
  std::printf("logs a11y=on skipped: %s\n", qPrintable(why));
  std::fflush(stdout);
  return true;
}

}  // namespace

bool MeasureLogs() {
  if (!Report("off")) return false;

  const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
  const QString dbus = QStandardPaths::findExecutable(QStringLiteral("dbus-launch"));
  // The system's Python, which has the distribution's accessibility bindings.
  QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
  if (python.isEmpty()) python = QStandardPaths::findExecutable(QStringLiteral("python3"));
  QString launcher;
  for (const char* path : {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"})
    if (QFileInfo(QString::fromLatin1(path)).isExecutable()) launcher = QString::fromLatin1(path);
  if (xvfb.isEmpty() || dbus.isEmpty() || python.isEmpty() || launcher.isEmpty())
    return Skip(QStringLiteral("Xvfb, dbus-launch, python3 or at-spi-bus-launcher not installed"));

  // A display of its own.
  const QString display = QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 500);
  TStarted screen;
  screen->start(xvfb, {display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
  const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display.mid(1);
  for (int i = 0; i < 100 && !QFileInfo::exists(socket); ++i) QThread::msleep(50);
  if (!QFileInfo::exists(socket)) return Skip(QStringLiteral("Xvfb did not start"));

  // A session bus of its own, and the accessibility bus on it.
  QProcess session;
  session.start(dbus, {QStringLiteral("--sh-syntax")});
  if (!session.waitForFinished(10000) || session.exitCode() != 0) return Skip(QStringLiteral("no session bus"));
  QString address;
  qint64 busPid = 0;
  for (const QString& line : QString::fromLocal8Bit(session.readAllStandardOutput()).split(QLatin1Char('\n'))) {
    const QString value = line.section(QLatin1Char('\''), 1, 1);
    if (line.startsWith(QLatin1String("DBUS_SESSION_BUS_ADDRESS="))) address = value;
    if (line.startsWith(QLatin1String("DBUS_SESSION_BUS_PID=")))
      busPid = line.section(QLatin1Char('='), 1).remove(QLatin1Char(';')).toLongLong();
  }
  // The bus daemon dbus-launch started is ended with the rest.
  struct TBusDaemon {
    qint64 Pid;
    ~TBusDaemon() {
      if (Pid > 0) QProcess::execute(QStringLiteral("kill"), {QString::number(Pid)});
    }
  } busDaemon{busPid};
  if (address.isEmpty()) return Skip(QStringLiteral("no session bus"));

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display);
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("0"));
  TStarted bus;
  bus->setProcessEnvironment(environment);
  bus->start(launcher, {QStringLiteral("--launch-immediately")});
  if (!bus->waitForStarted(5000)) return Skip(QStringLiteral("the accessibility bus did not start"));
  QThread::msleep(500);

  TStarted reader;
  reader->setProcessEnvironment(environment);
  reader->start(python, {QStringLiteral("-c"), QString::fromLatin1(kTreeReader)});
  if (!reader->waitForReadyRead(15000)) {
    const QByteArray why = reader->readAllStandardError().trimmed();
    return Skip(QStringLiteral("the tree reader did not start (%1)").arg(QString::fromLocal8Bit(why.right(200))));
  }

  TStarted child;
  child->setProcessEnvironment(environment);
  child->setProcessChannelMode(QProcess::ForwardedChannels);
  child->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildArgument)});
  if (!child->waitForFinished(600000)) return Skip(QStringLiteral("the run under the bridge did not end"));
  return child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0;
}

bool MeasureLogsUnderAccessibility() {
  // The bridge comes on once it has reached the accessibility bus, from the
  // event loop.
  QElapsedTimer clock;
  clock.start();
  while (!QAccessible::isActive() && clock.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  if (!QAccessible::isActive()) {
    std::printf("logs a11y=on skipped: the accessibility bridge did not come on\n");
    std::fflush(stdout);
  }
  return Report(QAccessible::isActive() ? "on" : "off");
}
