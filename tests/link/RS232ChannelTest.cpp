#include "ComSettingsEditor.h"
#include "MemorySerialPort.h"
#include "RS232Channel.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using TOp = TMemorySerialPort::TOp;

// The channel owns its port; the test keeps a borrowed view of it.
struct TChannelOnMemory {
  TChannelOnMemory() {
    auto port = std::make_unique<TMemorySerialPort>();
    Port = port.get();
    Channel = std::make_unique<TRS232Channel>(std::move(port));
    Channel->Settings().SetDTRControl("HandShake");
    Channel->Settings().SetRTSControl("HandShake");
  }
  TMemorySerialPort* Port;
  std::unique_ptr<TRS232Channel> Channel;
};

class TScriptedEditor : public TComSettingsEditor {
 public:
  explicit TScriptedEditor(std::function<bool(TComSettings&)> script) : FScript(std::move(script)) {}
  bool Edit(TComSettings& settings) override { return FScript(settings); }

 private:
  std::function<bool(TComSettings&)> FScript;
};

TEST(RS232ChannelTest, TransfersNothingBeforeASuccessfulOpen) {
  TChannelOnMemory line;
  EXPECT_EQ(line.Channel->State(), TRS232Channel::kStateNotOpen);
  line.Port->Incoming = "answer";
  uint8_t buffer[16] = {1, 2, 3};
  uint32_t count = 3;
  EXPECT_FALSE(line.Channel->Write(buffer, count));
  EXPECT_EQ(count, 0u);
  count = 99;
  EXPECT_FALSE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);

  line.Port->Failing = {TOp::Open};
  EXPECT_FALSE(line.Channel->Open());
  EXPECT_EQ(line.Channel->State(), TRS232Channel::kStateNotOpen);
  count = 3;
  EXPECT_FALSE(line.Channel->Write(buffer, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(line.Port->Calls.contains("Write"));
  EXPECT_FALSE(line.Port->Calls.contains("Read"));
}

TEST(RS232ChannelTest, WritesAndReadsOnceOpen) {
  TChannelOnMemory line;
  ASSERT_TRUE(line.Channel->Open());
  EXPECT_EQ(line.Channel->State(), TRS232Channel::kStateOpen);

  const uint8_t request[] = {0x55, 0xAA, 0x01};
  uint32_t count = sizeof request;
  EXPECT_TRUE(line.Channel->Write(request, count));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(line.Port->Written, QByteArray("\x55\xAA\x01", 3));

  line.Port->Incoming = "answer";
  uint8_t buffer[4] = {};
  EXPECT_TRUE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), count), "answ");
  EXPECT_TRUE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), count), "er");
  EXPECT_TRUE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);  // a silent line

  count = 3;
  EXPECT_FALSE(line.Channel->Write(nullptr, count));
  EXPECT_EQ(count, 0u);
  count = 5;
  EXPECT_FALSE(line.Channel->Read(nullptr, 4, count));
  EXPECT_EQ(count, 0u);
}

TEST(RS232ChannelTest, FailedTransfersGiveFalseAndCountZero) {
  TChannelOnMemory line;
  ASSERT_TRUE(line.Channel->Open());
  line.Port->Failing = {TOp::Write, TOp::Read};
  const uint8_t request[] = {1, 2};
  uint32_t count = 2;
  EXPECT_FALSE(line.Channel->Write(request, count));
  EXPECT_EQ(count, 0u);
  uint8_t buffer[4];
  count = 7;
  EXPECT_FALSE(line.Channel->Read(buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
}

TEST(RS232ChannelTest, CloseKeepsTheStateButReleasesThePort) {
  TChannelOnMemory line;
  ASSERT_TRUE(line.Channel->Open());
  line.Channel->Close();
  EXPECT_FALSE(line.Port->IsOpen());
  EXPECT_EQ(line.Channel->State(), TRS232Channel::kStateOpen);
  const uint8_t request[] = {1};
  uint32_t count = 1;
  EXPECT_FALSE(line.Channel->Write(request, count));
  EXPECT_EQ(count, 0u);
  ASSERT_TRUE(line.Channel->Open());
  count = 1;
  EXPECT_TRUE(line.Channel->Write(request, count));
}

TEST(RS232ChannelTest, OpenUsesTheSettingsAsTheyAreNow) {
  TChannelOnMemory line;
  line.Channel->Settings().SetPortNumber("/dev/ttyS1");
  ASSERT_TRUE(line.Channel->Open());
  EXPECT_EQ(line.Port->OpenedName, "/dev/ttyS1");
  line.Channel->Settings().SetTransferRate("no speed");
  EXPECT_FALSE(line.Channel->Open());
  EXPECT_EQ(line.Channel->State(), TRS232Channel::kStateNotOpen);
}

TEST(RS232ChannelTest, ConfigureKeepsConfirmedValuesAndRestoresCancelledOnes) {
  TChannelOnMemory line;
  TComSettings& settings = line.Channel->Settings();
  settings.SetPortNumber("COM2");
  settings.SetWriteTimeoutConstant(40);
  const TComSettings::TValues before = settings.GetValues();

  EXPECT_FALSE(line.Channel->Configure());  // no editor yet
  EXPECT_EQ(settings.GetValues(), before);

  TScriptedEditor cancelling([](TComSettings& shown) {
    shown.SetTransferRate("300 baud");
    shown.SetPortNumber("COM9");
    shown.SetWriteTimeoutConstant(0);
    return false;
  });
  line.Channel->SetEditor(&cancelling);
  EXPECT_FALSE(line.Channel->Configure());
  EXPECT_EQ(settings.GetValues(), before);

  TScriptedEditor confirming([](TComSettings& shown) {
    shown.SetTransferRate("300 baud");
    return true;
  });
  line.Channel->SetEditor(&confirming);
  EXPECT_TRUE(line.Channel->Configure());
  EXPECT_EQ(settings.TransferRate(), "300 baud");
  EXPECT_EQ(settings.PortNumber(), "COM2");
  // Configure alone leaves the port as it was.
  EXPECT_TRUE(line.Port->Calls.isEmpty());
}

}  // namespace
