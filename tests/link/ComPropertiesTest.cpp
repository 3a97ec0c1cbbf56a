#include "ComResourceEng.h"
#include "ComSettings.h"
#include "MemorySerialPort.h"
#include "StartupPaths.h"

#include <gtest/gtest.h>

namespace {

using TOp = TMemorySerialPort::TOp;
using TParity = TSerialPort::TParity;
using TStopBits = TSerialPort::TStopBits;

TEST(ComPropertiesTest, CharTimeRoundsTiesToEvenAndIsAtLeastOne) {
  const struct {
    uint32_t Speed;
    int32_t CharTime;
  } rows[] = {
      {75, 133},  {300, 33}, {600, 17}, {1200, 8}, {2400, 4}, {4800, 2}, {9600, 1}, {115200, 1},  // below a millisecond
      {4000, 2},                                                                                  // 2.5
      {800, 12},                                                                                  // 12.5
      {160, 62},                                                                                  // 62.5
      {20000, 1},  // 0.5 rounds to 0, raised to 1
      {5, 2000},
  };
  for (const auto& row : rows) EXPECT_EQ(TComProperties::CharTimeForSpeed(row.Speed), row.CharTime) << row.Speed;
}

TEST(ComPropertiesTest, SpeedIsTheLeadingNumberOfItsText) {
  const struct {
    const char* Text;
    uint32_t Speed;
  } rows[] = {
      {"9600 baud", 9600}, {"115200 baud", 115200}, {"75 baud", 75}, {" 4800 baud", 4800},
      {"9600", 9600},      {"fast baud", 0},        {"", 0},         {"0 baud", 0},
      {"-300 baud", 0},    {"96O0 baud", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(TComProperties::SpeedFromText(row.Text), row.Speed) << row.Text;
}

TEST(ComPropertiesTest, TimeoutsFollowTheLatencyTable) {
  const struct {
    const char* Latency;
    uint32_t Multiplier;
    uint32_t Constant;  // at a character time of 2 ms
  } rows[] = {
      {"Immediately answer", 0, 2},
      {"25 millisecond", 0, 27},
      {"50 millisecond", 0, 52},
      {"75 millisecond", 0, 77},
      {"100 millisecond", 0, 102},
      {"125 millisecond", 0, 127},
      {"Approximately 0.25 second", 1, 10},
      {"Approximately 0.5 second", 2, 10},
      {"Approximately 0.75 second", 3, 10},
      {"Approximately 1.25 seconds", 5, 10},
      {"Approximately 2.5 seconds", 10, 10},
      {"Approximately 5 seconds", 20, 10},
      {"Approximately 7.5 seconds", 30, 10},
      {"Approximately 10 seconds", 40, 10},
      {"Approximately 12.5 seconds", 50, 10},
      {"Approximately 15 seconds", 60, 10},
      {"Approximately 17.5 seconds", 70, 10},
      {"Approximately 20 seconds", 80, 10},
      {"approximately 20 seconds", 0, 10},  // compared exactly
      {"", 0, 10},
  };
  for (const auto& row : rows) {
    for (const uint8_t kind : {TPlatformInfo::kWinNT, TPlatformInfo::kWin9x, TPlatformInfo::kUnknown}) {
      const TSerialPort::TTimeouts t = TComProperties::TimeoutsFor(2, row.Latency, kind, 3, -1);
      EXPECT_EQ(t.ReadInterval, kind == TPlatformInfo::kWinNT ? 40u : 80u) << row.Latency;
      EXPECT_EQ(t.ReadTotalMultiplier, row.Multiplier) << row.Latency;
      EXPECT_EQ(t.ReadTotalConstant, row.Constant) << row.Latency;
      EXPECT_EQ(t.WriteTotalMultiplier, 3u);
      // A negative write time-out is none, not one of fifty days.
      EXPECT_EQ(t.WriteTotalConstant, 0u);
    }
  }
}

class ComPropertiesOpenTest : public testing::Test {
 protected:
  ComPropertiesOpenTest() {
    FSettings.SetPortNumber("COM3");
    FSettings.SetDTRControl("HandShake");
    FSettings.SetRTSControl("HandShake");
  }

  TComSettings FSettings;
  TMemorySerialPort FPort;
  TComProperties FProperties{&FSettings, &FPort};
};

TEST_F(ComPropertiesOpenTest, ProgramsSpeedFormatAndTimeouts) {
  FSettings.SetTransferRate("4800 baud");
  FSettings.SetParitet("Even");
  FSettings.SetStopBits("1.5 bit");
  FSettings.SetLatencyPeriod("Approximately 1.25 seconds");
  FSettings.SetWriteTimeoutMultiplier(2);
  FSettings.SetWriteTimeoutConstant(30);
  FProperties.ReadSettingsAndOpen();

  ASSERT_TRUE(FProperties.Opened());
  EXPECT_EQ(FPort.OpenedName, "COM3");
  EXPECT_EQ(FPort.Current.BaudRate, 4800u);
  EXPECT_EQ(FPort.Current.DataBits, 8);
  EXPECT_EQ(FPort.Current.Parity, TParity::Even);
  EXPECT_EQ(FPort.Current.StopBits, TStopBits::OneAndHalf);
  EXPECT_EQ(FProperties.CharTime(), 2);
  const uint32_t interval = PlatformInfo().PlatformKind() == TPlatformInfo::kWinNT ? 40 : 80;
  EXPECT_EQ(FPort.Timeouts.ReadInterval, interval);
  EXPECT_EQ(FPort.Timeouts.ReadTotalMultiplier, 5u);
  EXPECT_EQ(FPort.Timeouts.ReadTotalConstant, 10u);
  EXPECT_EQ(FPort.Timeouts.WriteTotalMultiplier, 2u);
  EXPECT_EQ(FPort.Timeouts.WriteTotalConstant, 30u);
  EXPECT_EQ(FPort.Calls, QByteArrayList({"Open", "GetLineState", "SetLineState", "SetTimeouts", "ReceivedCharEvent"}));
}

TEST_F(ComPropertiesOpenTest, ParityAndStopBitsByText) {
  const struct {
    const char* Parity;
    const char* StopBits;
    TParity ExpectedParity;
    TStopBits ExpectedStopBits;
  } rows[] = {
      {"None", "1 bit", TParity::None, TStopBits::One},
      {"Odd", "2 bit", TParity::Odd, TStopBits::Two},
      {"Mark", "1.5 bit", TParity::Mark, TStopBits::OneAndHalf},
      {"Space", "1 bit", TParity::Space, TStopBits::One},
      // Texts that name nothing leave what the port had (Odd, two).
      {"none", "3 bit", TParity::Odd, TStopBits::Two},
  };
  for (const auto& row : rows) {
    FPort.Current = {19200, 7, TParity::Odd, TStopBits::Two};
    FSettings.SetParitet(row.Parity);
    FSettings.SetStopBits(row.StopBits);
    FProperties.ReadSettingsAndOpen();
    EXPECT_TRUE(FProperties.Opened()) << row.Parity;
    EXPECT_EQ(FPort.Current.Parity, row.ExpectedParity) << row.Parity;
    EXPECT_EQ(FPort.Current.StopBits, row.ExpectedStopBits) << row.StopBits;
  }
}

TEST_F(ComPropertiesOpenTest, DrivesDtrAndRtsAsTheSettingsSay) {
  const struct {
    const char* DTR;
    const char* RTS;
    QByteArrayList LineCalls;
  } rows[] = {
      {"Disable", "Disable", {"DTR 0", "RTS 0"}},
      {"Enable", "Enable", {"DTR 1", "RTS 1"}},
      {"HandShake", "Enable", {"RTS 1"}},
      {"Disable", "HandShake", {"DTR 0"}},
      {"HandShake", "HandShake", {}},
  };
  for (const auto& row : rows) {
    FSettings.SetDTRControl(row.DTR);
    FSettings.SetRTSControl(row.RTS);
    FPort.Calls.clear();
    FProperties.ReadSettingsAndOpen();
    EXPECT_TRUE(FProperties.Opened()) << row.DTR << " " << row.RTS;
    QByteArrayList lineCalls;
    for (const QByteArray& call : FPort.Calls)
      if (call.startsWith("DTR") || call.startsWith("RTS")) lineCalls << call;
    EXPECT_EQ(lineCalls, row.LineCalls) << row.DTR << " " << row.RTS;
  }
}

TEST_F(ComPropertiesOpenTest, AnyFailedStepLeavesThePortNotOpened) {
  FSettings.SetDTRControl("Disable");
  FSettings.SetRTSControl("Enable");
  for (const TOp op : {TOp::Open, TOp::GetLineState, TOp::SetLineState, TOp::SetTimeouts, TOp::ReceivedCharEvent,
                       TOp::DTR, TOp::RTS}) {
    FPort.Failing = {op};
    FProperties.ReadSettingsAndOpen();
    EXPECT_FALSE(FProperties.Opened()) << static_cast<int>(op);
    // The handle obtained so far stays until the next Close or Open.
    EXPECT_EQ(FPort.IsOpen(), op != TOp::Open) << static_cast<int>(op);
  }
  FPort.Failing.clear();
  FPort.Calls.clear();
  FProperties.ReadSettingsAndOpen();
  EXPECT_TRUE(FProperties.Opened());
  EXPECT_EQ(FPort.Calls.first(), "Close");
}

TEST_F(ComPropertiesOpenTest, SpeedThatIsNoNumberIsAnOpenFailure) {
  for (const char* speed : {"fast", "0 baud", "", "baud 9600"}) {
    FSettings.SetTransferRate(speed);
    FProperties.ReadSettingsAndOpen();
    EXPECT_FALSE(FProperties.Opened()) << speed;
    EXPECT_FALSE(FPort.Calls.contains("SetLineState")) << speed;
    FPort.Calls.clear();
  }
}

TEST_F(ComPropertiesOpenTest, TimeoutsGoToThePortOncePerOpen) {
  EXPECT_FALSE(FProperties.ApplyTimeouts());  // not opened
  FProperties.ReadSettingsAndOpen();
  ASSERT_TRUE(FProperties.Opened());
  EXPECT_TRUE(FProperties.ApplyTimeouts());
  EXPECT_EQ(FPort.Calls.count("SetTimeouts"), 1);
  FProperties.Open();
  EXPECT_EQ(FPort.Calls.count("SetTimeouts"), 2);
  FProperties.Close();
  EXPECT_FALSE(FPort.IsOpen());
  EXPECT_FALSE(FProperties.ApplyTimeouts());
}

TEST_F(ComPropertiesOpenTest, SettingsAreTakenAtEachOpen) {
  FSettings.SetTransferRate("1200 baud");
  FProperties.ReadSettingsAndOpen();
  FSettings.SetTransferRate("75 baud");
  FSettings.SetPortNumber("/dev/ttyUSB0");
  FProperties.Open();  // reopens with the copies taken before
  EXPECT_EQ(FPort.Current.BaudRate, 1200u);
  EXPECT_EQ(FPort.OpenedName, "COM3");
  FProperties.ReadSettingsAndOpen();
  EXPECT_EQ(FPort.Current.BaudRate, 75u);
  EXPECT_EQ(FPort.OpenedName, "/dev/ttyUSB0");
  EXPECT_EQ(FProperties.CharTime(), 133);
}

}  // namespace
