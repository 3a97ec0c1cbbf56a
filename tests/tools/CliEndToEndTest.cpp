#include "DeviceArchive.h"
#include "EmulatedSpectrum.h"
#include "InstallationEmulator.h"
#include "PtyEmulatorServer.h"
#include "RadiationSpectr.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TRun {
  int ExitCode = -1;
  QString Out;
  QString Err;
  QByteArray Bytes;  // standard output as written
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

  TRun Run(const QStringList& arguments, const QString& settings = QStringLiteral("none.cfg")) {
    QProcess process;
    process.setWorkingDirectory(FDir.path());
    process.start(QStringLiteral(QEV_CLI_PATH),
                  QStringList{"--port", FServer->SlavePath(), "--dtr", "handshake", "--rts", "handshake", "--settings",
                              FDir.filePath(settings)} +
                      arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitCode(), QString::fromUtf8(out), QString::fromUtf8(process.readAllStandardError()), out};
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

  EXPECT_TRUE(read.Err.contains("did not answer")) << read.Err.toStdString();
  const TRun spectrum = Run({"--latency", "25 millisecond", "spectrum", "main", "--out", FDir.filePath("m.spc")});
  EXPECT_EQ(spectrum.ExitCode, 1);
  EXPECT_TRUE(spectrum.Err.contains("main spectrum failed at MAINENERGYA=??;: the installation did not answer"))
      << spectrum.Err.toStdString();

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

TEST_F(CliEndToEnd, AnswersToOtherRequestsGiveTheRightValuesOrAFailureNamingTheVariable) {
  const QStringList names = {"ALPHAALARM1", "SERIALN", "MODE", "BETAALARM1", "ALPHAALARM2"};
  QStringList expected;
  for (const QString& name : names) expected << name + '=' + QString::fromLatin1(*FEmulator->Variable(name.toLatin1()));
  const struct {
    TFaultKind Kind;
    int Every;
    bool MayFail;  // a late answer may keep coming late until the attempts run out
  } rows[] = {{TFaultKind::Behind, 0, false}, {TFaultKind::Malformed, 2, false}, {TFaultKind::Late, 3, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(TEmulatorFaults::Name(row.Kind).constData());
    TFaultPlan plan;
    plan.Kind = row.Kind;
    plan.Every = row.Every;
    plan.LateMs = 150;
    FEmulator->SetFaults(plan);
    const TRun read = Run(QStringList{"--latency", "100 millisecond", "read"} + names);
    if (read.ExitCode == 0 || !row.MayFail) {
      EXPECT_EQ(read.ExitCode, 0) << read.Err.toStdString();
      EXPECT_EQ(read.Out.split('\n', Qt::SkipEmptyParts), expected);
    } else {
      EXPECT_EQ(read.ExitCode, 1);
      EXPECT_TRUE(read.Err.contains(QRegularExpression("reading [A-Z0-9]+ failed: "))) << read.Err.toStdString();
    }
  }
}

TEST_F(CliEndToEnd, PackedReadsAskForSeveralVariablesOrFallBackToOne) {
  const QStringList names = {"ALPHAALARM1", "SERIALN", "MODE", "SUMALPHA:A007"};
  QStringList expected;
  for (const QString& name : names.mid(0, 3))
    expected << name + '=' + QString::fromLatin1(*FEmulator->Variable(name.toLatin1()));
  expected << "SUMALPHA:A007=" + QString::fromLatin1(*FEmulator->Archive().Value("SUMALPHA", 7));
  for (const bool packs : {true, false}) {
    SCOPED_TRACE(packs ? "packs" : "answers the first item only");
    FEmulator->SetPackedAnswers(packs);
    FEmulator->ClearLog();
    const TRun read = Run(QStringList{"--packed", "read"} + names);
    EXPECT_EQ(read.ExitCode, 0) << read.Err.toStdString();
    EXPECT_EQ(read.Out.split('\n', Qt::SkipEmptyParts), expected);
    EXPECT_EQ(FEmulator->RequestCount(), packs ? 1 : 3 + 4);
    EXPECT_EQ(read.Err.contains("does not answer packed requests"), !packs) << read.Err.toStdString();
  }
  const TRun archive = Run({"--packed", "archive", "--to", "5", "--csv", FDir.filePath("a.csv")});
  EXPECT_EQ(archive.ExitCode, 0) << archive.Err.toStdString();
  EXPECT_EQ(archive.Out.trimmed(), "records=5");
}

TEST_F(CliEndToEnd, ADamagedSettingsFileIsReportedWithTheSettingsUsed) {
  QFile file(FDir.filePath("commport.cfg"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("\x01\x02 not a settings file\r\nTransferRate=9600 baud\r\n");
  file.close();
  const TRun read = Run({"read", "MODE"}, "commport.cfg");
  EXPECT_EQ(read.ExitCode, 0) << read.Err.toStdString();
  EXPECT_TRUE(read.Err.contains("commport.cfg is damaged: it lacks PortNumber, StopBits")) << read.Err.toStdString();
  EXPECT_TRUE(read.Err.contains("; using " + FServer->SlavePath() + ", 9600 baud")) << read.Err.toStdString();
}

TEST_F(CliEndToEnd, EncodesAndDecodesThePasswordFile) {
  // "Оператор" in Windows-1251.
  const QByteArray plain = "1-1;1-2;\r\n1-1;1-2;1-3;2-1; \xCE\xEF\xE5\xF0\xE0\xF2\xEE\xF0\r\n3;4;5; Admin 1\r\n";
  QFile source(FDir.filePath("qev.txt"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(plain);
  source.close();

  const QString pwd = FDir.filePath("qev.pwd");
  const TRun encode = Run({"passwords", "encode", source.fileName(), pwd});
  ASSERT_EQ(encode.ExitCode, 0) << encode.Err.toStdString();
  QFile scrambled(pwd);
  ASSERT_TRUE(scrambled.open(QIODevice::ReadOnly));
  const QByteArray bytes = scrambled.readAll();
  static const QRegularExpression shape(QStringLiteral("^([0-9A-F]{2}( [0-9A-F]{2})*\r\n){3}$"));
  EXPECT_TRUE(shape.match(QString::fromLatin1(bytes)).hasMatch()) << bytes.toStdString();

  const TRun decode = Run({"passwords", "decode", pwd});
  EXPECT_EQ(decode.ExitCode, 0) << decode.Err.toStdString();
  EXPECT_EQ(decode.Bytes, "1-1;1-2; " + plain.mid(8));

  ASSERT_TRUE(QFile::copy(pwd, FDir.filePath("renamed.pwd")));
  const TRun renamed = Run({"passwords", "decode", FDir.filePath("renamed.pwd")});
  EXPECT_EQ(renamed.ExitCode, 0);
  EXPECT_NE(renamed.Bytes, decode.Bytes);

  for (const QStringList& failing : {QStringList{"passwords", "encode", FDir.filePath("none.txt"), pwd},
                                     QStringList{"passwords", "encode", source.fileName(), FDir.filePath("no/x.pwd")},
                                     QStringList{"passwords", "decode", FDir.filePath("none.pwd")}}) {
    const TRun failed = Run(failing);
    EXPECT_EQ(failed.ExitCode, 1) << failing.join(' ').toStdString();
    EXPECT_TRUE(failed.Err.contains("cannot")) << failed.Err.toStdString();
  }
}

TEST_F(CliEndToEnd, SpectrumPeaksCalibrationAndN42InTheirLineFormats) {
  const TRun peaks = Run({"spectrum", "main", "--peaks", "--calibrate"});
  ASSERT_EQ(peaks.ExitCode, 0) << peaks.Err.toStdString();
  const QRegularExpression peakLine(
      "^peak channel=([0-9.]+) energy_kev=([-0-9.]+) nuclide=(\\S+) from_kev=([-0-9.]+) to_kev=([-0-9.]+) "
      "net=(-?[0-9]+) sigma=([0-9]+)$");
  QStringList nuclides;
  QString calibration;
  for (const QString& line : peaks.Out.split('\n', Qt::SkipEmptyParts)) {
    const QRegularExpressionMatch peak = peakLine.match(line);
    if (peak.hasMatch()) {
      nuclides << peak.captured(3);
      EXPECT_LT(peak.captured(4).toDouble(), peak.captured(2).toDouble()) << line.toStdString();
      EXPECT_GT(peak.captured(5).toDouble(), peak.captured(2).toDouble()) << line.toStdString();
    } else {
      calibration = line;
    }
  }
  EXPECT_EQ(nuclides, (QStringList{"Po-210", "Po-218", "Bi-212", "Po-214", "Po-212"}));
  const QRegularExpressionMatch found =
      QRegularExpression("^calibration a=([0-9.]+) b=([-0-9.]+) from=Po-218@([0-9.]+),Po-214@([0-9.]+)$")
          .match(calibration);
  ASSERT_TRUE(found.hasMatch()) << calibration.toStdString();
  EXPECT_NEAR(found.captured(1).toDouble(), TEmulatedSpectrum::kMainCalibration.A, 0.005 * 9.77);
  EXPECT_NEAR(found.captured(2).toDouble(), TEmulatedSpectrum::kMainCalibration.B, 15);
  // Asked, never written.
  EXPECT_FALSE(QString::fromLatin1(FEmulator->RequestLog().join(' ')).contains(QRegularExpression("ENERGY[AB]=[^?]")));

  const TRun n42 = Run({"spectrum", "background", "--n42", FDir.filePath("b.n42")});
  ASSERT_EQ(n42.ExitCode, 0) << n42.Err.toStdString();
  QFile file(FDir.filePath("b.n42"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString document = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(document.contains("<MeasurementClassCode>Background</MeasurementClassCode>"));
  EXPECT_TRUE(document.contains("<RealTimeDuration>PT3600.000S</RealTimeDuration>"));
  QString counts;
  for (int c = 0; c < TEmulatedSpectrum::kChannels; ++c)
    counts += (c ? " " : "") + QString::number(FEmulator->BackgroundSpectrum().Count(c));
  EXPECT_TRUE(document.contains(">" + counts + "</ChannelData>"));
}
