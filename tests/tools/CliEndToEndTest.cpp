#include "DeviceArchive.h"
#include "InstallationEmulator.h"
#include "PtyEmulatorServer.h"
#include "RadiationSpectr.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TRun {
  int ExitCode = -1;
  QString Out;
  QString Err;
};

// qev-cli against the emulator on a pseudo-terminal, as an integrator runs it.
class CliEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    TEmulatorConfig config;
    config.Records = 120;
    FEmulator = std::make_unique<TInstallationEmulator>(config);
    FServer = std::make_unique<TPtyEmulatorServer>(*FEmulator);
    ASSERT_TRUE(FServer->Start());
    ASSERT_TRUE(FDir.isValid());
  }

  TRun Run(const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(FDir.path());
    process.start(QStringLiteral(QEV_CLI_PATH),
                  QStringList{"--port", FServer->SlavePath(), "--dtr", "handshake", "--rts", "handshake", "--settings",
                              FDir.filePath("none.cfg")} +
                      arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
  }

  QTemporaryDir FDir;
  std::unique_ptr<TInstallationEmulator> FEmulator;
  std::unique_ptr<TPtyEmulatorServer> FServer;
};

}  // namespace

TEST_F(CliEndToEnd, ReadsAndWritesVariables) {
  const TRun read = Run({"read", "MODE", "SUMALPHA:A007", "NOSUCH"});
  EXPECT_EQ(read.ExitCode, 0) << read.Err.toStdString();
  const QStringList lines = read.Out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "MODE=0");
  EXPECT_TRUE(lines[1].startsWith("SUMALPHA:A007=")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "NOSUCH=");

  const TRun write = Run({"--log", "write", "ALPHAALARM1=250"});
  EXPECT_EQ(write.ExitCode, 0);
  EXPECT_EQ(write.Out.trimmed(), "ALPHAALARM1=250");
  EXPECT_TRUE(write.Err.contains("-> ALPHAALARM1=250;"));
  EXPECT_EQ(FEmulator->Variable("ALPHAALARM1"), QByteArray("250"));
}

TEST_F(CliEndToEnd, SilentInstallationExitsOneNamingTheVariable) {
  TFaultPlan plan;
  plan.Kind = TFaultKind::NoAnswer;
  FEmulator->SetFaults(plan);
  const TRun read = Run({"--latency", "25 millisecond", "read", "STATUS", "MODE"});
  EXPECT_EQ(read.ExitCode, 1);
  EXPECT_TRUE(read.Out.isEmpty());
  EXPECT_TRUE(read.Err.contains("STATUS")) << read.Err.toStdString();

  const TRun noPort = Run({"--port", FDir.filePath("no-such-port"), "read", "MODE"});
  EXPECT_EQ(noPort.ExitCode, 1);
  EXPECT_TRUE(noPort.Err.contains("cannot open"));
  EXPECT_EQ(Run({"read"}).ExitCode, 2);
}

TEST_F(CliEndToEnd, SavesTheArchiveAndASpectrum) {
  const QString daf = FDir.filePath("a.daf");
  const TRun archive =
      Run({"archive", "--from", "1", "--to", "100", "--vars", "DATETIME,SUMALPHA,RADON", "--out", daf});
  ASSERT_EQ(archive.ExitCode, 0) << archive.Err.toStdString();
  TDeviceArchive loaded;
  ASSERT_TRUE(loaded.LoadFile(daf));
  EXPECT_EQ(loaded.RecordCount(), 100);
  ASSERT_TRUE(loaded.Columns());
  EXPECT_EQ(loaded.Columns()->Count(), 3);
  ASSERT_TRUE(loaded.Captions());
  EXPECT_EQ(loaded.Captions()->Count(), 3);
  EXPECT_EQ(Run({"archive", "--vars", "NOSUCH", "--out", daf}).ExitCode, 2);

  const QString spc = FDir.filePath("m.spc");
  const QString csv = FDir.filePath("m.csv");
  const TRun spectrum = Run({"spectrum", "main", "--out", spc, "--csv", csv, "--csv-sep", ";"});
  ASSERT_EQ(spectrum.ExitCode, 0) << spectrum.Err.toStdString();
  TRadiationSpectr spectr;
  ASSERT_TRUE(spectr.LoadFile(spc));
  qint64 total = 0;
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i) total += spectr.Channel(i);
  EXPECT_TRUE(spectrum.Out.contains(QString("total=%1").arg(total))) << spectrum.Out.toStdString();
  EXPECT_GT(total, 0);
  QFile table(csv);
  ASSERT_TRUE(table.open(QIODevice::ReadOnly));
  const QByteArray text = table.readAll();
  EXPECT_TRUE(text.contains(";Отсчеты\r\n0;"));
  EXPECT_TRUE(text.contains("\r\n1023;")) << "every channel is a row";
}
