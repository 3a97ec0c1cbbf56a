// qev-emulator: the installation's controller on a pseudo-terminal, for
// demonstrations and integration without the hardware. The program (or any
// serial client) opens the printed path, or the symbolic link made with
// --link, as its serial port.

#include "InstallationEmulator.h"
#include "OpenProtocolText.h"
#include "PtyEmulatorServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

// Only the self-pipe is touched here; the event loop does the rest.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

bool InstallSignalHandlers() {
  if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

void Fail(const QString& message) {
  std::fprintf(stderr, "qev-emulator: %s\n", qPrintable(message));
  std::exit(2);
}

int IntegerOption(const QCommandLineParser& parser, const QString& name, int fallback, int low, int high) {
  if (!parser.isSet(name)) return fallback;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < low || value > high)
    Fail(QStringLiteral("--%1 needs a whole number from %2 to %3").arg(name).arg(low).arg(high));
  return value;
}

void PrintExchange(const TEmulatorAnswer& answer) {
  using TOutcome = TEmulatorAnswer::TOutcome;
  switch (answer.Outcome) {
    case TOutcome::BadFrame:
      std::printf("-- damaged frame ignored\n");
      break;
    case TOutcome::OtherAddress:
      std::printf("-- frame for another device ignored: %s\n", answer.RequestText.constData());
      break;
    case TOutcome::Silent:
    case TOutcome::Answered: {
      std::printf("-> %s\n", answer.RequestText.constData());
      const QByteArray fault =
          answer.Fault == TFaultKind::None ? QByteArray() : "  [" + TEmulatorFaults::Name(answer.Fault) + "]";
      if (answer.Outcome == TOutcome::Silent)
        std::printf("<- (no answer)%s\n", fault.constData());
      else
        std::printf("<- %s%s\n", answer.AnswerText.constData(), fault.constData());
      break;
    }
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("qev-emulator"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QEV_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Emulates the controller of the aerosol monitoring installation on a pseudo-terminal.\n"
                     "Prints the terminal's path; open it (or the --link) as the serial port.\n"
                     "Ends on Ctrl+C or SIGTERM.\n\n"
                     "Faults hit every request unless --fault-every or --fault-next narrows them;\n"
                     "--fault-after spares the first requests:\n  ") +
      QString::fromLatin1(TEmulatorFaults::Names().join(", ")));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({
      {"link", "Make a symbolic link <path> to the terminal (removed on exit).", "path"},
      {"address", "Device address on the line, 0 to 255 (default 1).", "n", "1"},
      {"records", "Number of archive records (default 500).", "n", "500"},
      {"block-size", "Spectrum bytes per block answer, 17 to 253 (default 253).", "n", "253"},
      {"status", "STATUS fault bits to report (default 0).", "bits", "0"},
      {"fault",
       "Misbehave: no-answer, bad-crc, wrong-address, short, late, malformed, wrong-block, "
       "behind (the answer to the previous request comes instead).",
       "kind"},
      {"fault-every", "Apply the fault to every n-th request.", "n"},
      {"fault-next", "Apply the fault to the next k requests.", "k"},
      {"fault-after", "Answer the first n requests soundly, then apply the fault.", "n"},
      {"late-ms", "Delay of a late answer in ms (default 500).", "ms", "500"},
      {"baud", "Pace the answers at this line speed, 10 bits a byte (default: unpaced).", "n"},
      {"turnaround-ms", "Pause before each answer in ms (default 0).", "ms", "0"},
      {"archive-capacity", "Keep at most n archive records, dropping the oldest (default: no limit).", "n"},
      {"record-every", "Take a new archive record every s seconds, s apart in time (default: none).", "s"},
      {"newest-first", "Number the archive from the newest record (record 1) to the oldest."},
      {"no-packing", "Answer only the first item of a request, as a controller that does not pack."},
      {"verbose", "Print every request and answer."},
      {"emitter",
       "Add an artificial alpha emitter to the main spectrum with COUNTS counts in all its lines; "
       "may be repeated. Nuclides: " +
           QString::fromLatin1(TEmulatedSpectrum::EmitterNames().join(", ")) + ".",
       "NUCLIDE:COUNTS"},
  });
  parser.process(application);
  if (!parser.positionalArguments().isEmpty()) Fail(QStringLiteral("unexpected argument; see --help"));

  TEmulatorConfig config;
  config.Address = static_cast<uint8_t>(IntegerOption(parser, "address", 1, 0, 255));
  config.Records = IntegerOption(parser, "records", 500, 0, 1000000);
  config.BlockSize =
      IntegerOption(parser, "block-size", 253, TInstallationEmulator::kMinBlockSize, OpenProtocolText::kMaxText);
  for (const QString& text : parser.values("emitter")) {
    const auto emitter = TEmulatedSpectrum::ParseEmitter(text.toLatin1());
    if (!emitter)
      Fail(QStringLiteral("--emitter needs NUCLIDE:COUNTS with a whole number of counts; nuclides: ") +
           QString::fromLatin1(TEmulatedSpectrum::EmitterNames().join(", ")));
    config.Emitters.push_back(*emitter);
  }
  config.ArchiveCapacity = IntegerOption(parser, "archive-capacity", 0, 1, 1000000);
  config.RecordEverySeconds = IntegerOption(parser, "record-every", 0, 1, 86400 * 366);
  if (config.RecordEverySeconds > 0) config.ArchiveIntervalSeconds = config.RecordEverySeconds;
  config.NewestFirst = parser.isSet("newest-first");
  TInstallationEmulator emulator(config);
  emulator.SetPackedAnswers(!parser.isSet("no-packing"));
  emulator.SetVariable("STATUS", QByteArray::number(IntegerOption(parser, "status", 0, 0, 255)));

  if (parser.isSet("fault")) {
    const auto kind = TEmulatorFaults::Parse(parser.value("fault").toLatin1());
    if (!kind)
      Fail(QStringLiteral("unknown fault; one of: ") + QString::fromLatin1(TEmulatorFaults::Names().join(", ")));
    TFaultPlan plan;
    plan.Kind = *kind;
    plan.Every = IntegerOption(parser, "fault-every", 0, 1, 1000000);
    plan.Next = IntegerOption(parser, "fault-next", 0, 1, 1000000);
    plan.After = IntegerOption(parser, "fault-after", 0, 0, 100000000);
    plan.LateMs = IntegerOption(parser, "late-ms", 500, 0, 600000);
    emulator.SetFaults(plan);
  }

  TPtyServerOptions options;
  options.Baud = IntegerOption(parser, "baud", 0, 50, 4000000);
  options.TurnaroundMs = IntegerOption(parser, "turnaround-ms", 0, 0, 60000);
  TPtyEmulatorServer server(emulator, options);
  if (parser.isSet("verbose")) server.SetObserver(PrintExchange);

  if (!InstallSignalHandlers()) Fail(QStringLiteral("cannot install the signal handlers"));
  QSocketNotifier signalNotifier(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &application, &QCoreApplication::quit);

  if (!server.Start()) Fail(QStringLiteral("cannot open a pseudo-terminal"));
  const QString slave = server.SlavePath();

  const QString link = parser.value("link");
  if (!link.isEmpty()) {
    // A link left behind by an earlier run is replaced; anything else at
    // that path is not ours to remove.
    const QFileInfo existing(link);
    if (existing.isSymLink())
      QFile::remove(link);
    else if (existing.exists())
      Fail(QStringLiteral("%1 exists and is not a symbolic link").arg(link));
    if (::symlink(QFile::encodeName(slave).constData(), QFile::encodeName(link).constData()) != 0)
      Fail(QStringLiteral("cannot make the link %1").arg(link));
  }

  std::printf("%s\n", qPrintable(slave));
  if (!link.isEmpty()) std::printf("linked as %s\n", qPrintable(link));
  std::printf("device address %d, %d archive records\n", config.Address, config.Records);
  std::fflush(stdout);

  const int result = application.exec();
  server.Stop();
  if (!link.isEmpty() && QFileInfo(link).symLinkTarget() == QFileInfo(slave).absoluteFilePath()) QFile::remove(link);
  return result;
}
