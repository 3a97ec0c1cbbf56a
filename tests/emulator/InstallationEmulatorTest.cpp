#include "EmulatorTestSupport.h"
#include "TextUtils.h"

#include <gtest/gtest.h>

namespace {

struct TRow {
  const char* Request;
  const char* Answer;
};

class InstallationEmulatorTest : public testing::Test {
 protected:
  TInstallationEmulator Emulator() {
    TEmulatorConfig config;
    config.Clock = FClock.Clock();
    return TInstallationEmulator(config);
  }
  TManualClock FClock;
};

double Number(const QByteArray& text) {
  const auto value = TextUtils::ParseDecimal(text, '.');
  return value ? static_cast<double>(*value) : -1e9;
}

}  // namespace

TEST_F(InstallationEmulatorTest, KeepsWritesOfSettingsAndRefusesReadOnlyOnes) {
  TInstallationEmulator emulator = Emulator();
  const TRow rows[] = {
      {"ALPHAALARM1=??;", "ALPHAALARM1=12;"},
      {"ALPHAALARM1=30;", "ALPHAALARM1=30;"},
      {"ALPHAALARM1=??;", "ALPHAALARM1=30;"},
      {"alphaalarm1=??;", "alphaalarm1=30;"},
      {"SERIALN=X;", "SERIALN=00107;"},
      {"DRYCONTACTIN=1;", "DRYCONTACTIN=0;"},
      {"STATUS=7;", "STATUS=0;"},
      {"NUMOFRECORDS=3;", "NUMOFRECORDS=500;"},
      {"DRYCONTACTOUT=1;", "DRYCONTACTOUT=1;"},
      {"DRYCONTACTOUT=2;", "DRYCONTACTOUT=1;"},
      {"BAS_INDICATOR=2;", "BAS_INDICATOR=2;"},
      {"BAS_INDICATOR=7;", "BAS_INDICATOR=2;"},
      {"BAS_SIRENE=1;", "BAS_SIRENE=1;"},
      {"NETBAUDRATE=19200;", "NETBAUDRATE=19200;"},
      {"MAINENERGYA=??;", "MAINENERGYA=9.77;"},
      {"FOO=??;", "FOO=@@;"},
      {"FOO=5;", "FOO=@@;"},
  };
  for (const TRow& row : rows) EXPECT_EQ(Ask(emulator, row.Request), row.Answer) << row.Request;

  const QByteArray filter = AskValue(emulator, "FALPHA=??;");
  EXPECT_EQ(AskValue(emulator, "FALPHA=1234;"), filter);
  EXPECT_NE(filter, "1234");
}

TEST_F(InstallationEmulatorTest, AnswersEveryItemInOrderWithinOneAnswer) {
  TInstallationEmulator emulator = Emulator();
  EXPECT_EQ(Ask(emulator, "MODE=??;FOO=??;ALPHAALARM2=20;SERIALN=??;NUMOFRECORDS=??;"),
            "MODE=0;FOO=@@;ALPHAALARM2=20;SERIALN=00107;NUMOFRECORDS=500;");

  // Twelve clock readings would need 348 characters; the answer stops at the
  // last item that fits.
  QByteArray request;
  for (int i = 0; i < 12; ++i) request += "DATETIME=??;";
  const QByteArray answer = Ask(emulator, request);
  EXPECT_LE(answer.size(), OpenProtocolText::kMaxText);
  EXPECT_EQ(OpenProtocolText::ParseAnswerText(answer).size(), 8u);
  EXPECT_TRUE(answer.endsWith(';'));
}

TEST_F(InstallationEmulatorTest, ClockRunsAndAWriteSetsIt) {
  TInstallationEmulator emulator = Emulator();
  EXPECT_EQ(AskValue(emulator, "DATETIME=??;"), "11/06/2024 09.30.00");
  FClock.Advance(75);
  EXPECT_EQ(AskValue(emulator, "DATETIME=??;"), "11/06/2024 09.31.15");

  EXPECT_EQ(AskValue(emulator, "DATETIME=07/03/2005 14.05.09;"), "07/03/2005 14.05.09");
  FClock.Advance(10);
  EXPECT_EQ(AskValue(emulator, "DATETIME=??;"), "07/03/2005 14.05.19");

  // Not a date, no time part, 31 February: the clock keeps running as it was.
  for (const char* bad : {"DATETIME=yesterday;", "DATETIME=07/03/2005;", "DATETIME=31/02/2005 10.00.00;"})
    EXPECT_EQ(AskValue(emulator, bad), "07/03/2005 14.05.19") << bad;
  // Any one-character separators are taken, as the program reads them.
  EXPECT_EQ(AskValue(emulator, "DATETIME=08.03.2005 01:02:03;"), "08/03/2005 01.02.03");
}

TEST_F(InstallationEmulatorTest, TestModeDrivesPumpTapeAndActivityCalculation) {
  TInstallationEmulator emulator = Emulator();
  // In normal mode the pump runs and the actuators are not the operator's.
  EXPECT_EQ(AskValue(emulator, "TEST=1;"), "0");
  EXPECT_GT(Number(AskValue(emulator, "FLOW=??;")), 30);
  EXPECT_GT(Number(AskValue(emulator, "SUMALPHA=??;")), 0);
  EXPECT_EQ(AskValue(emulator, "MODE=2;"), "0");

  EXPECT_EQ(AskValue(emulator, "MODE=1;"), "1");
  EXPECT_EQ(AskValue(emulator, "TEST=??;"), "0");
  EXPECT_EQ(Ask(emulator, "SUMALPHA=??;SUMBETA=??;RADON=??;"), "SUMALPHA=@@;SUMBETA=@@;RADON=@@;");
  EXPECT_EQ(AskValue(emulator, "FLOW=??;"), "0.0");

  // Pump off: the volume stands still.
  const double before = Number(AskValue(emulator, "VOLUME=??;"));
  FClock.Advance(60);
  EXPECT_DOUBLE_EQ(Number(AskValue(emulator, "VOLUME=??;")), before);

  // Pump on for a minute at about 40 l/min.
  EXPECT_EQ(AskValue(emulator, "TEST=129;"), "129");
  FClock.Advance(60);
  EXPECT_GT(Number(AskValue(emulator, "FLOW=??;")), 30);
  EXPECT_NEAR(Number(AskValue(emulator, "VOLUME=??;")) - before, 40, 2);
  EXPECT_GT(Number(AskValue(emulator, "RADON=??;")), 0);
  EXPECT_GT(Number(AskValue(emulator, "FALPHA=??;")), 0);

  // The tape gives a clean filter spot.
  EXPECT_EQ(AskValue(emulator, "TEST=3;"), "3");
  EXPECT_EQ(AskValue(emulator, "FALPHA=??;"), "0.00");
  EXPECT_EQ(AskValue(emulator, "TEST=x;"), "3");
  EXPECT_EQ(AskValue(emulator, "TEST=256;"), "3");

  // Back to normal: every actuator stops, the controller measures again.
  EXPECT_EQ(AskValue(emulator, "MODE=0;"), "0");
  EXPECT_EQ(AskValue(emulator, "TEST=??;"), "0");
  EXPECT_GT(Number(AskValue(emulator, "SUMBETA=??;")), 0);
}

TEST_F(InstallationEmulatorTest, AlarmFlagsFollowTheSetpoints) {
  TInstallationEmulator emulator = Emulator();
  ASSERT_TRUE(emulator.SetVariable("SUMALPHA", "30"));
  ASSERT_TRUE(emulator.SetVariable("SUMBETA", "10"));
  EXPECT_EQ(Ask(emulator, "ALPHAALARM1ON=??;ALPHAALARM2ON=??;BETAALARM1ON=??;BETAALARM2ON=??;"),
            "ALPHAALARM1ON=1;ALPHAALARM2ON=0;BETAALARM1ON=0;BETAALARM2ON=0;");
  Ask(emulator, "ALPHAALARM2=25;BETAALARM1=9.5;");
  EXPECT_EQ(AskValue(emulator, "ALPHAALARM2ON=??;"), "1");
  EXPECT_EQ(AskValue(emulator, "BETAALARM1ON=??;"), "1");
  // A setpoint that is not a number never trips.
  Ask(emulator, "ALPHAALARM1=abc;");
  EXPECT_EQ(AskValue(emulator, "ALPHAALARM1ON=??;"), "0");
  EXPECT_FALSE(emulator.SetVariable("NOSUCH", "1"));
}

TEST_F(InstallationEmulatorTest, MeasuredValuesDriftWithinPlausibleBounds) {
  TInstallationEmulator emulator = Emulator();
  double lowest = 1e9, highest = -1e9;
  for (int hour = 0; hour < 48; ++hour) {
    const double radon = Number(AskValue(emulator, "RADON=??;"));
    const double alpha = Number(AskValue(emulator, "SUMALPHA=??;"));
    const double beta = Number(AskValue(emulator, "SUMBETA=??;"));
    EXPECT_GT(alpha, 0);
    EXPECT_LT(alpha, beta);
    lowest = std::min(lowest, radon);
    highest = std::max(highest, radon);
    FClock.Advance(3600);
  }
  EXPECT_GT(lowest, 3);
  EXPECT_LT(highest, 60);
  EXPECT_GT(highest - lowest, 5);  // the daily cycle shows
  EXPECT_EQ(AskValue(emulator, "RESOURCE=??;"), "12888");
}

TEST_F(InstallationEmulatorTest, IgnoresDamagedFramesAndOtherDevices) {
  TInstallationEmulator emulator = Emulator();
  QByteArray damaged = RequestFrame("MODE=??;");
  damaged[9] = 'X';
  EXPECT_EQ(emulator.HandleFrame(damaged).Outcome, TEmulatorAnswer::TOutcome::BadFrame);
  EXPECT_EQ(emulator.HandleFrame(RequestFrame("MODE=??;").left(12)).Outcome, TEmulatorAnswer::TOutcome::BadFrame);
  const TEmulatorAnswer other = emulator.HandleFrame(RequestFrame("MODE=1;", 2));
  EXPECT_EQ(other.Outcome, TEmulatorAnswer::TOutcome::OtherAddress);
  EXPECT_TRUE(other.Bytes.isEmpty());
  EXPECT_EQ(emulator.RequestCount(), 0);
  EXPECT_EQ(AskValue(emulator, "MODE=??;"), "0");  // the write to device 2 changed nothing here

  emulator.SetAddress(7);
  const auto answer = Decode(emulator.HandleFrame(RequestFrame("MODE=??;", 7)).Bytes);
  ASSERT_TRUE(answer.Ok);
  EXPECT_EQ(answer.Packet.Source, 7);
  EXPECT_EQ(answer.Packet.Destination, 0);
  EXPECT_EQ(emulator.RequestLog(), QByteArrayList({"MODE=??;", "MODE=??;"}));
  EXPECT_EQ(emulator.RequestCount(), 2);
}
