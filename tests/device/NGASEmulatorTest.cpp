#include "DeviceValues.h"
#include "EmulatorChannel.h"
#include "InstallationEmulator.h"
#include "LogLines.h"
#include "NGAS.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <gtest/gtest.h>

#include <memory>

// The device model against the emulated installation, through the real
// driver and an in-process channel.
namespace {

class NGASEmulatorTest : public testing::Test {
 protected:
  void Start(int records) {
    TEmulatorConfig config;
    config.Records = records;
    FEmulator = std::make_unique<TInstallationEmulator>(config);
    FChannel = std::make_unique<TEmulatorChannel>(*FEmulator);
    FDriver = std::make_unique<TOpenProtocolDriver>(FChannel.get());
    FNGAS = std::make_unique<TNGAS>(FDriver.get());
    FNGAS->SetDevAddress(FEmulator->Address());
  }

  QByteArrayList RequestsWith(const QByteArray& part) const {
    QByteArrayList found;
    for (const QByteArray& request : FEmulator->RequestLog())
      if (request.contains(part)) found.append(request);
    return found;
  }

  std::unique_ptr<TInstallationEmulator> FEmulator;
  std::unique_ptr<TEmulatorChannel> FChannel;
  std::unique_ptr<TOpenProtocolDriver> FDriver;
  std::unique_ptr<TNGAS> FNGAS;
};

}  // namespace

TEST_F(NGASEmulatorTest, ReadsEveryPageAndWritesBack) {
  Start(20);
  EXPECT_TRUE(FNGAS->ReadMode());
  EXPECT_TRUE(FNGAS->ReadCommon());
  EXPECT_TRUE(FNGAS->ReadMeasure());
  EXPECT_TRUE(FNGAS->ReadCounter());
  EXPECT_TRUE(FNGAS->ReadPump());
  EXPECT_TRUE(FNGAS->ReadService());
  EXPECT_TRUE(FNGAS->ReadNet());
  ASSERT_TRUE(FNGAS->ReadArchSize());
  EXPECT_EQ(FNGAS->ArchSize(), 20);

  const auto clock = DeviceValues::ParseDeviceDateTime(FNGAS->CommonVarList().GetItem(CommonVar::DATETIME)->Value);
  EXPECT_TRUE(clock.Date && clock.Time);
  EXPECT_FALSE(DeviceValues::IsCounterNotConnected(FNGAS->CounterVarList().GetItem(CounterVar::MAINENERGYA)->Value));

  FNGAS->CommonVarList().GetItem(CommonVar::DRYCONTACTOUT)->Value = "1";
  ASSERT_TRUE(FNGAS->WriteCommon());
  EXPECT_EQ(FEmulator->Variable("DRYCONTACTOUT"), QByteArray("1"));
  FNGAS->AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_INDICATOR)->Value = "2";
  ASSERT_TRUE(FNGAS->WriteAlarmBlock());
  EXPECT_EQ(FEmulator->Variable("BAS_INDICATOR"), QByteArray("2"));
}

TEST_F(NGASEmulatorTest, CommonReadSendsBothGroupsWhenTheCommonGroupFails) {
  Start(5);
  TFaultPlan plan;
  plan.Kind = TFaultKind::NoAnswer;
  plan.Next = 3;  // every attempt at DATETIME
  FEmulator->SetFaults(plan);
  EXPECT_FALSE(FNGAS->ReadCommon());
  EXPECT_EQ(RequestsWith("DATETIME=").size(), 3);
  EXPECT_EQ(RequestsWith("SERIALN=").size(), 0);
  EXPECT_EQ(RequestsWith("BAS_SIRENE=").size(), 1);
  EXPECT_EQ(RequestsWith("BAS_INDICATOR=").size(), 1);
  EXPECT_FALSE(FNGAS->AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_INDICATOR)->Value.isEmpty());
}

TEST_F(NGASEmulatorTest, TestReadAsksForActivitiesOnlyWithBit7) {
  Start(5);
  const struct {
    const char* test;
    bool activities;
  } rows[] = {{"128", true}, {"127", false}, {"129", true}, {"0", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.test);
    ASSERT_TRUE(FEmulator->SetVariable("TEST", row.test));
    FEmulator->ClearLog();
    EXPECT_TRUE(FNGAS->ReadTest());
    EXPECT_EQ(RequestsWith("SUMALPHA=").size(), row.activities ? 1u : 0u);
  }
}

TEST_F(NGASEmulatorTest, MainSpectrumHasTheInstallationsCountsAndCalibration) {
  Start(5);
  ASSERT_TRUE(FNGAS->ReadMainSpectr());
  const TEmulatedSpectrum& expected = FEmulator->MainSpectrum();
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i)
    ASSERT_EQ(FNGAS->MainSpectr().Channel(i), expected.Count(i)) << i;
  const QByteArray a = FNGAS->CounterVarList().GetItem(CounterVar::MAINENERGYA)->Value;
  const QByteArray b = FNGAS->CounterVarList().GetItem(CounterVar::MAINENERGYB)->Value;
  EXPECT_EQ(a, FEmulator->Variable("MAINENERGYA"));
  EXPECT_EQ(FNGAS->MainSpectr().A(), TextUtils::ParseDecimal(a).value_or(-1));
  EXPECT_EQ(FNGAS->MainSpectr().B(), TextUtils::ParseDecimal(b).value_or(-1));

  ASSERT_TRUE(FNGAS->ReadBkSpectr());
  EXPECT_EQ(FNGAS->BkSpectr().Channel(100), FEmulator->BackgroundSpectrum().Count(100));
}

TEST_F(NGASEmulatorTest, ArchiveReadsTheClampedRangeOfRecords) {
  const struct {
    int records, step, first, last;
    QByteArrayList indexes;
  } rows[] = {
      {5, 0, 0, 10, {"A001", "A002", "A003", "A004", "A005"}},
      {10, 2, 3, 1, {"A003"}},
      // No records: nothing is asked for, and the archive is empty.
      {0, 1, 0, 0, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.records << " records");
    Start(row.records);
    ASSERT_TRUE(FNGAS->ReadArchSize());
    FNGAS->SetArchSelectVarList(FNGAS->ArchDefaultMaskVarList());
    ASSERT_TRUE(FNGAS->ReadArchive(row.step, row.first, row.last, FNGAS->ArchSelectVarList()));

    QByteArrayList expected;
    for (const QByteArray& index : row.indexes) expected.append("DATETIME:" + index + "=??;");
    EXPECT_EQ(RequestsWith("DATETIME:"), expected);
    const TDeviceArchive& archive = FNGAS->Archive();
    ASSERT_EQ(archive.RecordCount(), row.indexes.size());
    EXPECT_EQ(archive.Columns()->Count(), 6);
    if (row.records > 0) {
      const QByteArray value = archive.Record(0)->GetItem(0)->Value;
      EXPECT_EQ(value, FEmulator->Archive().Value("DATETIME", row.indexes[0].mid(1).toInt()).value_or("?"));
    }
  }
}

TEST_F(NGASEmulatorTest, PackedArchiveReadFallsBackWithoutLosingOrRepeatingARecord) {
  // Six records of all 19 variables: three packed requests a record, or 19.
  constexpr int kRecords = 6;
  constexpr int kPacked = 3;
  constexpr int kSingle = 19;
  constexpr int kPackedAll = kRecords * kPacked;
  // The first packed request's three attempts, then one variable a request.
  constexpr int kFallenBack = 3 + kRecords * kSingle;
  const struct {
    const char* what;
    bool packs;
    TFaultPlan plan;  // counted from the first record request
    bool read;
    int records;
    uint8_t packModeAfter;
    int requests;
    bool refusalLogged;
  } rows[] = {
      {"packs", true, {}, true, kRecords, 0, kPackedAll, false},
      {"answers the first item only", false, {}, true, kRecords, 1, kFallenBack, true},
      {"silent at first, then answers", true, {TFaultKind::NoAnswer, 0, 3}, true, kRecords, 1, kFallenBack, true},
      {"silent twice mid-read", true, {TFaultKind::NoAnswer, 0, 2, 0, 7}, true, kRecords, 0, kPackedAll + 2, false},
      // Three records of three requests answered, then three attempts.
      {"silent from record 4 on", true, {TFaultKind::NoAnswer, 0, 0, 0, 9}, false, 3, 0, 9 + 3, false},
      {"silent before any packed answer", true, {TFaultKind::NoAnswer}, false, 0, 0, 3 + 3, false},
  };
  const QByteArray refusal =
      "-- " + Win1251::FromUnicode(
                  QStringLiteral("установка не отвечает на упакованные запросы, дальше запросы по одной переменной"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Start(kRecords + 2);
    TLogLines log;
    FDriver->SetCommLog(&log);
    FDriver->SetPauseBeforeAttemptMs(0);
    FDriver->SetPacking(true);
    FEmulator->SetPackedAnswers(row.packs);
    ASSERT_TRUE(FNGAS->ReadArchSize());
    FEmulator->ClearLog();
    FEmulator->SetFaults(row.plan);

    EXPECT_EQ(FNGAS->ReadArchive(1, 1, kRecords, FNGAS->ArchVarList()), row.read);
    EXPECT_EQ(FEmulator->RequestCount(), row.requests);
    EXPECT_EQ(FDriver->PackMode(), row.packModeAfter);
    EXPECT_EQ(log.Lines().count(refusal), row.refusalLogged ? 1 : 0);
    // Records 1, 2, 3, … in order, each whole and as the installation holds it.
    const TDeviceArchive& archive = FNGAS->Archive();
    ASSERT_EQ(archive.RecordCount(), row.records);
    for (int r = 0; r < row.records; ++r) {
      const std::unique_ptr<TOPVarList> owned = archive.Record(r);
      const TOPVarList& record = *owned;
      ASSERT_EQ(record.Count(), kSingle);
      for (int v = 0; v < kSingle; ++v) {
        const TOPVarListItem& item = *record.GetItem(v);
        EXPECT_EQ(item.Index, TArchiveGenerator::IndexOf(r + 1));
        EXPECT_EQ(item.Value, FEmulator->Archive().Value(item.Name, r + 1).value_or("?")) << r << item.Name.data();
      }
    }
  }
}
