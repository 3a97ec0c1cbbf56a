#include "CliOptions.h"
#include "InstallationEmulator.h"
#include "PtyEmulatorServer.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// qev-cli's history commands against the emulator on a pseudo-terminal and a
// store in a temporary folder, as a collector's service runs them.
class CliHistory : public testing::Test {
 protected:
  void SetUp() override {
    TEmulatorConfig config;
    config.Records = 24;
    FEmulator = std::make_unique<TInstallationEmulator>(config);
    FServer = std::make_unique<TPtyEmulatorServer>(*FEmulator);
    ASSERT_TRUE(FServer->Start());
    ASSERT_TRUE(FDir.isValid());
    FDb = FDir.filePath("history.sqlite");
  }

  QStringList Line() const {
    return {"--port", FServer->SlavePath(), "--dtr",      "handshake",
            "--rts",  "handshake",          "--settings", FDir.filePath("none.cfg")};
  }

  void Start(QProcess& process, const QStringList& arguments) {
    process.setWorkingDirectory(FDir.path());
    process.start(QStringLiteral(QEV_CLI_PATH), arguments);
  }

  std::pair<int, QStringList> Run(const QStringList& arguments, QString* err = nullptr) {
    QProcess process;
    Start(process, arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    if (err) *err = QString::fromUtf8(process.readAllStandardError());
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)};
  }

  QTemporaryDir FDir;
  QString FDb;
  std::unique_ptr<TInstallationEmulator> FEmulator;
  std::unique_ptr<TPtyEmulatorServer> FServer;
};

}  // namespace

// The last line says what the sync did, also when the line failed; the
// exit status tells the two apart; the next sync goes on from there; the
// stored records come out as CSV with every archive variable.
TEST_F(CliHistory, SyncReportsItsCountsAndHistoryWritesThePeriod) {
  const QRegularExpression syncLine(R"(^sync new=(\d+) stored=(\d+) requests=(\d+)$)");
  struct TStep {
    int FailAfter;  // requests answered before the line falls silent; -1 none
    int Added;      // records the installation takes before the step
    int Exit;
    int New;
    int Stored;
  };
  const TStep steps[] = {
      {4 + 10 * 19 + 3, 0, 1, 10, 10},
      {-1, 0, 0, 14, 24},
      {-1, 0, 0, 0, 24},
      {-1, 3, 0, 3, 27},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(testing::Message() << "fail after " << step.FailAfter << ", added " << step.Added);
    TFaultPlan plan;
    if (step.FailAfter >= 0) {
      plan.Kind = TFaultKind::NoAnswer;
      plan.After = step.FailAfter;
    }
    FEmulator->SetFaults(plan);
    FEmulator->AppendArchiveRecords(step.Added);
    const auto [exit, lines] = Run(Line() + QStringList{"sync", "--db", FDb});
    EXPECT_EQ(exit, step.Exit);
    ASSERT_FALSE(lines.isEmpty());
    const auto match = syncLine.match(lines.last());
    ASSERT_TRUE(match.hasMatch()) << lines.last().toStdString();
    EXPECT_EQ(match.captured(1).toInt(), step.New);
    EXPECT_EQ(match.captured(2).toInt(), step.Stored);
    EXPECT_GT(match.captured(3).toInt(), 0);
  }

  const QString csv = FDir.filePath("period.csv");
  const QDateTime third = FEmulator->Archive().RecordTime(3);
  const QDateTime sixth = FEmulator->Archive().RecordTime(6);
  const auto [exit, lines] = Run({"history", "--db", FDb, "--from", third.toString(Qt::ISODate), "--to",
                                  sixth.toString(Qt::ISODate), "--csv", csv});
  EXPECT_EQ(exit, 0);
  EXPECT_EQ(lines.value(0), "records=4");
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> rows = file.readAll().split('\n');
  EXPECT_TRUE(rows[0].contains("MODE,DATETIME,SERIALN,")) << rows[0].data();
  EXPECT_EQ(rows[0].count(','), 18);
  EXPECT_TRUE(rows[1].contains(third.toString("yyyy-MM-dd").toLatin1())) << rows[1].data();
}

// The collector polls, rides out a silent line with one line per change of
// state on standard error, and ends cleanly on SIGTERM.
TEST_F(CliHistory, WatchPollsSurvivesASilentLineAndEndsOnSigterm) {
  // Synced beforehand, so that the collector's first sync is short.
  QString err;
  ASSERT_EQ(Run(Line() + QStringList{"sync", "--db", FDb}, &err).first, 0) << err.toStdString();
  QProcess watch;
  Start(watch, Line() + QStringList{"watch", "--db", FDb, "--period", "1", "--sync-every", "3600"});
  watch.waitForFinished(3000);
  TFaultPlan silent;
  silent.Kind = TFaultKind::NoAnswer;
  FEmulator->SetFaults(silent);
  watch.waitForFinished(2500);
  FEmulator->SetFaults({});
  watch.waitForFinished(3500);
  ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
  ASSERT_TRUE(watch.waitForFinished(10000));
  EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(watch.exitCode(), 0);
  const QStringList states = QString::fromUtf8(watch.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
  const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d) )");
  int faults = 0;
  for (const QString& state : states) {
    if (state.startsWith("qev-cli:")) continue;
    EXPECT_TRUE(stamped.match(state).hasMatch()) << state.toStdString();
    if (state.contains("retrying")) ++faults;
  }
  EXPECT_EQ(faults, 1) << states.join('\n').toStdString();
  EXPECT_TRUE(states.last().contains("stopped")) << states.join('\n').toStdString();

  const auto [exit, lines] = Run({"history", "--db", FDb, "--polls", "--csv", FDir.filePath("polls.csv")});
  EXPECT_EQ(exit, 0);
  EXPECT_GE(lines.value(0).mid(8).toInt(), 3) << lines.value(0).toStdString();
  const auto [syncExit, syncLines] = Run(Line() + QStringList{"sync", "--db", FDb});
  EXPECT_EQ(syncLines.value(syncLines.size() - 1),
            "sync new=0 stored=24 requests=" + syncLines.value(syncLines.size() - 1).section('=', 3));
}

// The history commands' command lines: what each takes, refused before
// anything is opened.
TEST(CliHistoryOptions, TakesEachCommandsOwnOptions) {
  struct TCase {
    QStringList Arguments;
    bool Accepted;
  };
  const TCase cases[] = {
      {{"sync", "--db", "h.sqlite"}, true},
      {{"--packed", "sync", "--db", "postgresql:///h?host=/run/postgresql"}, true},
      {{"sync"}, false},
      {{"sync", "--db", "h.sqlite", "--period", "5"}, false},
      {{"sync", "--db", "h.sqlite", "--csv", "a.csv"}, false},
      {{"read", "MODE", "--db", "h.sqlite"}, false},
      {{"history", "--db", "h.sqlite", "--csv", "a.csv", "--from", "2026-12-01T00:00:00"}, true},
      {{"history", "--db", "h.sqlite", "--out", "a.daf", "--polls", "--address", "3"}, true},
      {{"history", "--db", "h.sqlite"}, false},
      {{"history", "--db", "h.sqlite", "--csv", "a.csv", "--out", "a.daf"}, false},
      {{"history", "--db", "h.sqlite", "--csv", "a.csv", "--from", "yesterday"}, false},
      {{"history", "--db", "h.sqlite", "--csv", "a.csv", "--step", "2"}, false},
      {{"watch", "--db", "h.sqlite", "--period", "10", "--sync-every", "60", "--for", "30"}, true},
      {{"watch", "--db", "h.sqlite", "--period", "0"}, false},
      {{"watch", "--db", "h.sqlite", "extra"}, false},
  };
  for (const TCase& c : cases) {
    const TCliParse parsed = ParseCliArguments(QStringList{"qev-cli"} + c.Arguments);
    EXPECT_EQ(parsed.Options.has_value(), c.Accepted)
        << c.Arguments.join(' ').toStdString() << ": " << parsed.Error.toStdString();
  }
  const TCliParse watch = ParseCliArguments({"qev-cli", "watch", "--db", "h.sqlite"});
  ASSERT_TRUE(watch.Options);
  EXPECT_EQ(watch.Options->PeriodSeconds, 60);
  EXPECT_EQ(watch.Options->SyncEverySeconds, 600);
  EXPECT_EQ(watch.Options->ForSeconds, 0);
}
