#include "EmulatorChannel.h"
#include "EmulatorTestSupport.h"
#include "OpenProtocolDriver.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TOPVarList> List(const QByteArrayList& names, const QByteArray& value = {}) {
  auto list = std::make_unique<TOPVarList>();
  for (const QByteArray& name : names) list->Add(name, {}, value);
  return list;
}

const QByteArrayList kMeasure = {"STATUS",       "ALPHAALARM1",   "ALPHAALARM2",   "BETAALARM1",
                                 "BETAALARM2",   "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON",
                                 "BETAALARM2ON", "SUMALPHA",      "SUMBETA",       "RADON"};

class EmulatorDriverTest : public testing::Test {
 protected:
  EmulatorDriverTest() : FEmulator(Config()), FChannel(FEmulator), FDriver(&FChannel) {}
  TEmulatorConfig Config() const {
    TEmulatorConfig config;
    config.Clock = FClock.Clock();
    return config;
  }
  TManualClock FClock;
  TInstallationEmulator FEmulator;
  TEmulatorChannel FChannel;
  TOpenProtocolDriver FDriver;
};

}  // namespace

TEST_F(EmulatorDriverTest, ProgramDriverReadsWritesAndFetchesSpectra) {
  auto measure = List(kMeasure);
  ASSERT_TRUE(FDriver.ReadVars(1, *measure));
  EXPECT_EQ(FEmulator.RequestCount(), 12);
  EXPECT_EQ(measure->GetItem(0)->Value, "0");
  EXPECT_EQ(measure->GetItem(1)->Value, "12");
  EXPECT_FALSE(measure->GetItem(11)->Value.isEmpty());

  auto mode = List({"MODE"}, "1");
  ASSERT_TRUE(FDriver.WriteVars(1, *mode));
  EXPECT_EQ(mode->GetItem(0)->Value, "1");
  auto test = List({"TEST", "FLOW", "VOLUME"});
  test->GetItem(0)->Value = "129";
  ASSERT_TRUE(FDriver.WriteVars(1, *test));
  EXPECT_EQ(test->GetItem(0)->Value, "129");
  // A read-only value written back is what the installation reports.
  EXPECT_NE(test->GetItem(1)->Value, "");

  auto spectrum = List({"SPECTRUM1"});
  uint32_t size = 0;
  QByteArray data;
  ASSERT_TRUE(FDriver.ReadBlocks(1, *spectrum, size, data));
  ASSERT_EQ(size, 4096u);
  EXPECT_EQ(data.left(4096), FEmulator.MainSpectrum().Bytes());

  // Several variables per request: every one is answered all the same.
  FEmulator.ClearLog();
  FDriver.SetPacking(true);
  auto packed = List(kMeasure);
  ASSERT_TRUE(FDriver.ReadVars(1, *packed));
  EXPECT_LT(FEmulator.RequestCount(), 12);
  for (int i = 0; i < packed->Count(); ++i) EXPECT_FALSE(packed->GetItem(i)->Value.isEmpty()) << i;
}

TEST_F(EmulatorDriverTest, ProgramDriverRetriesThroughFaultsAndGivesUpOnSilence) {
  const struct {
    TFaultKind Kind;
    int Next;
    bool Succeeds;
    int Requests;
  } rows[] = {
      {TFaultKind::BadCRC, 2, true, 3}, {TFaultKind::Short, 1, true, 2},     {TFaultKind::WrongAddress, 1, true, 2},
      {TFaultKind::Late, 1, true, 2},   {TFaultKind::NoAnswer, 3, false, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(TEmulatorFaults::Name(row.Kind).constData());
    FEmulator.ClearLog();
    FEmulator.SetFaults({row.Kind, 0, row.Next, 200});
    auto list = List({"SERIALN", "MODE"});
    EXPECT_EQ(FDriver.ReadVars(1, *list), row.Succeeds);
    if (row.Succeeds) {
      EXPECT_EQ(list->GetItem(0)->Value, "00107");
      EXPECT_EQ(FEmulator.RequestCount(), row.Requests + 1);
    } else {
      // Three attempts at the first variable, the second never asked.
      EXPECT_EQ(FEmulator.RequestLog(), QByteArrayList(3, "SERIALN=??;"));
    }
  }

  // A wrong block number is repeated like a damaged block; three in a row
  // fail the transfer.
  auto spectrum = List({"SPECTRUM2"});
  uint32_t size = 1;
  QByteArray data;
  FEmulator.SetFaults({TFaultKind::WrongBlock, 0, 2, 0});
  ASSERT_TRUE(FDriver.ReadBlocks(1, *spectrum, size, data));
  EXPECT_EQ(data, FEmulator.BackgroundSpectrum().Bytes());
  FEmulator.SetFaults({TFaultKind::WrongBlock, 0, 3, 0});
  EXPECT_FALSE(FDriver.ReadBlocks(1, *spectrum, size, data));
  EXPECT_EQ(size, 0u);
}

TEST_F(EmulatorDriverTest, AnswersToOtherRequestsNeverBecomeValues) {
  // What a sound installation answers, to compare with.
  auto expected = List(kMeasure);
  ASSERT_TRUE(FDriver.ReadVars(1, *expected));
  const struct {
    TFaultKind Kind;
    int Every;
  } rows[] = {
      {TFaultKind::Late, 0},   {TFaultKind::Late, 3},      {TFaultKind::Behind, 0},
      {TFaultKind::Behind, 2}, {TFaultKind::Malformed, 2}, {TFaultKind::Malformed, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << TEmulatorFaults::Name(row.Kind).constData() << " every " << row.Every);
    FEmulator.SetFaults({row.Kind, row.Every, 0, 0});
    auto measure = List(kMeasure);
    ASSERT_TRUE(FDriver.ReadVars(1, *measure));
    for (int i = 0; i < measure->Count(); ++i)
      EXPECT_EQ(measure->GetItem(i)->Value, expected->GetItem(i)->Value) << kMeasure[i].constData();
    FEmulator.SetFaults({});
    FChannel.DiscardInput();
    // A late answer still on its way is dropped with the next request.
    auto mode = List({"MODE"});
    ASSERT_TRUE(FDriver.ReadVars(1, *mode));
  }
}
