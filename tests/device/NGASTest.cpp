#include "NGAS.h"
#include "RecordingBar.h"
#include "ScriptedChannel.h"
#include "TextUtils.h"

#include <QMap>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Answers reads from a table of values (a name missing from it stays
// silent), echoes writes into it, and serves block variables in blocks of
// 250 bytes.
class TFakeInstallation {
 public:
  QMap<QByteArray, QByteArray> Values;  // "NAME", or "NAME:A001" for a record
  QMap<QByteArray, QByteArray> Blocks;
  static constexpr int kBlockSize = 250;

  std::optional<QByteArray> Answer(const QByteArray& request) {
    const TextUtils::TSplit item = TextUtils::SplitAtFirst(request.chopped(1), "=");
    const QByteArray& reference = item.Before;
    const QByteArray& value = item.After;
    if (value == "??") {
      if (!Values.contains(reference)) return std::nullopt;
      return TScriptedChannel::Text(reference + "=" + Values[reference] + ";");
    }
    if (value == "??##") {
      if (!Blocks.contains(reference)) return std::nullopt;
      const qsizetype count = (Blocks[reference].size() + kBlockSize - 1) / kBlockSize;
      return TScriptedChannel::Text(reference + "=##" + QByteArray::number(count) + ";");
    }
    if (value.startsWith("??#")) {
      const int block = value.mid(3).toInt();
      return TScriptedChannel::Block(block, Blocks[reference].mid((block - 1) * kBlockSize, kBlockSize));
    }
    Values[reference] = value;
    return TScriptedChannel::Text(reference + "=" + value + ";");
  }
};

class NGASTest : public testing::Test {
 protected:
  TFakeInstallation FInstallation;
  TScriptedChannel FChannel{[this](const QByteArray& request) { return FInstallation.Answer(request); }};
  TOpenProtocolDriver FDriver{&FChannel};
  TNGAS FNGAS{&FDriver};

  QByteArray Value(TOPVarList& list, int position) { return list.GetItem(position)->Value; }

  void SetArchive(int records, const QByteArrayList& names) {
    FInstallation.Values["NUMOFRECORDS"] = QByteArray::number(records);
    for (int n = 0; n <= records; ++n)
      for (const QByteArray& name : names)
        FInstallation.Values[name + ":A" + QByteArray::number(n).rightJustified(3, '0')] =
            name.toLower() + QByteArray::number(n);
  }

  QByteArrayList RecordRequests() const {
    QByteArrayList requests;
    for (const QByteArray& request : FChannel.Requests())
      if (request.contains(":A")) requests.append(request);
    return requests;
  }
};

QByteArray Counts(int channels) {
  QByteArray bytes;
  for (int i = 0; i < channels; ++i) {
    const uint32_t value = static_cast<uint32_t>(i * 1000 + 7);
    for (int k = 0; k < 4; ++k) bytes.append(static_cast<char>(value >> (8 * k) & 0xFF));
  }
  return bytes;
}

}  // namespace

TEST_F(NGASTest, GroupReadsAndWritesGoToTheDeviceAddress) {
  FNGAS.SetDevAddress(7);
  FInstallation.Values["MODE"] = "1";
  ASSERT_TRUE(FNGAS.ReadMode());
  EXPECT_EQ(Value(FNGAS.ModeVarList(), ModeVar::MODE), "1");
  EXPECT_EQ(FChannel.LastDestination(), 7);

  FNGAS.ModeVarList().GetItem(ModeVar::MODE)->Value = "0";
  ASSERT_TRUE(FNGAS.WriteMode());
  EXPECT_EQ(FChannel.Requests().last(), "MODE=0;");
  EXPECT_EQ(FInstallation.Values["MODE"], "0");

  for (const char* name : {"FLOW", "VOLUME", "PUMPUPPERLEVEL", "PUMPLOWERLEVEL"}) FInstallation.Values[name] = "5";
  EXPECT_FALSE(FNGAS.ReadPump());  // PREASSURE never answers
  EXPECT_EQ(FChannel.CountOf("PREASSURE=??;"), 3);
  EXPECT_EQ(Value(FNGAS.PumpVarList(), PumpVar::PUMPLOWERLEVEL), "5");
  FInstallation.Values["PREASSURE"] = "120";
  EXPECT_TRUE(FNGAS.ReadPump());
  EXPECT_EQ(Value(FNGAS.PumpVarList(), PumpVar::PREASSURE), "120");
}

TEST_F(NGASTest, CommonExchangesRunBothGroupsEvenWhenTheFirstFails) {
  FInstallation.Values["BAS_SIRENE"] = "1";
  FInstallation.Values["BAS_INDICATOR"] = "2";
  EXPECT_FALSE(FNGAS.ReadCommon());  // DATETIME never answers
  EXPECT_EQ(FChannel.CountOf("DATETIME=??;"), 3);
  EXPECT_EQ(FChannel.CountOf("SERIALN=??;"), 0);
  EXPECT_EQ(FChannel.CountOf("BAS_INDICATOR=??;"), 1);
  EXPECT_EQ(Value(FNGAS.AlarmBlockVarList(), AlarmBlockVar::BAS_INDICATOR), "2");

  // A write that the installation takes echoes back, and both groups go.
  const int before = FChannel.Requests().size();
  EXPECT_TRUE(FNGAS.WriteCommonAll());
  EXPECT_EQ(FChannel.Requests().size() - before, CommonVar::Count + AlarmBlockVar::Count);
  EXPECT_TRUE(FNGAS.ReadCommon());

  // A value the line cannot carry keeps both groups at home, whichever
  // group holds it.
  for (TOPVarListItem* item : {FNGAS.CommonVarList().GetItem(CommonVar::SERIALN),
                               FNGAS.AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_INDICATOR)}) {
    const QByteArray kept = item->Value;
    item->Value = "1;DATETIME=0";
    const int sent = FChannel.Requests().size();
    EXPECT_FALSE(FNGAS.WriteCommonAll());
    EXPECT_EQ(FChannel.Requests().size(), sent);
    item->Value = kept;
  }
}

TEST_F(NGASTest, ReadTestReadsTheActivitiesOnlyWithBit7) {
  const struct {
    const char* test;
    bool activityRead;
  } rows[] = {{"128", true}, {"129", true}, {"127", false}, {"x", false}, {"384", true}};
  FInstallation.Values["FLOW"] = "1";
  FInstallation.Values["VOLUME"] = "2";
  FInstallation.Values["SUMALPHA"] = "3";
  FInstallation.Values["SUMBETA"] = "4";
  FInstallation.Values["RADON"] = "5";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.test);
    FInstallation.Values["TEST"] = row.test;
    const int before = FChannel.CountOf("RADON=??;");
    EXPECT_TRUE(FNGAS.ReadTest());
    EXPECT_EQ(FChannel.CountOf("RADON=??;") - before, row.activityRead ? 1 : 0);
  }
  FInstallation.Values.remove("RADON");
  FInstallation.Values["TEST"] = "128";
  EXPECT_FALSE(FNGAS.ReadTest());
  FInstallation.Values.remove("TEST");
  EXPECT_FALSE(FNGAS.ReadTest());
}

TEST_F(NGASTest, SpectrumReadFillsChannelsCalibrationAndCounterGroup) {
  FInstallation.Values["MAINENERGYA"] = "0.01";
  FInstallation.Values["MAINENERGYB"] = "-5";
  FInstallation.Blocks["SPECTRUM1"] = Counts(1024);
  FNGAS.MainSpectr().SetComment("kept");
  ASSERT_TRUE(FNGAS.ReadMainSpectr());
  EXPECT_EQ(FChannel.CountOf("SPECTRUM1=??##;"), 1);
  EXPECT_EQ(FChannel.CountOf("SPECTRUM1=??#17;"), 1);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(FNGAS.MainSpectr().Channel(i), i * 1000 + 7) << i;
  EXPECT_EQ(FNGAS.MainSpectr().A(), 0.01L);
  EXPECT_EQ(FNGAS.MainSpectr().B(), -5.0L);
  EXPECT_EQ(FNGAS.MainSpectr().Comment(), "kept");
  EXPECT_EQ(Value(FNGAS.CounterVarList(), CounterVar::MAINENERGYA), "0.01");
  EXPECT_EQ(Value(FNGAS.CounterVarList(), CounterVar::MAINENERGYB), "-5");
  EXPECT_EQ(Value(FNGAS.CounterVarList(), CounterVar::BGENERGYA), "");

  // Coefficients that are not numbers fall back to A = 1 and B = 0.
  FInstallation.Values["BGENERGYA"] = "abc";
  FInstallation.Values["BGENERGYB"] = "2.5";
  FInstallation.Blocks["SPECTRUM2"] = Counts(3);
  FNGAS.BkSpectr().SetCalibration(9, 9);
  ASSERT_TRUE(FNGAS.ReadBkSpectr());
  EXPECT_EQ(FNGAS.BkSpectr().A(), 1.0L);
  EXPECT_EQ(FNGAS.BkSpectr().B(), 2.5L);
  EXPECT_EQ(FNGAS.BkSpectr().Channel(2), 2007);
  EXPECT_EQ(FNGAS.BkSpectr().Channel(3), 0);
  EXPECT_EQ(Value(FNGAS.CounterVarList(), CounterVar::BGENERGYA), "abc");
  FInstallation.Values["BGENERGYB"] = "x";
  ASSERT_TRUE(FNGAS.ReadBkSpectr());
  EXPECT_EQ(FNGAS.BkSpectr().B(), 0.0L);
}

TEST_F(NGASTest, FailedSpectrumReadLeavesTheCalibration) {
  FInstallation.Values["MAINENERGYA"] = "0.5";
  FInstallation.Values["MAINENERGYB"] = "1";
  FNGAS.MainSpectr().SetCalibration(3, 4);
  FNGAS.MainSpectr().SetChannel(0, 11);
  EXPECT_FALSE(FNGAS.ReadMainSpectr());  // no SPECTRUM1 block
  EXPECT_EQ(FNGAS.MainSpectr().A(), 3.0L);
  EXPECT_EQ(FNGAS.MainSpectr().Channel(0), 11);
  EXPECT_EQ(Value(FNGAS.CounterVarList(), CounterVar::MAINENERGYA), "");

  FInstallation.Values.remove("MAINENERGYB");
  FInstallation.Blocks["SPECTRUM1"] = Counts(10);
  EXPECT_FALSE(FNGAS.ReadMainSpectr());
  EXPECT_EQ(FChannel.CountOf("SPECTRUM1=??##;"), 3);  // the block is not asked for again
}

TEST_F(NGASTest, ArchiveSizeIsACountOfRecordsOrZero) {
  const struct {
    const char* answer;  // null: silence
    bool ok;
    int size;
  } rows[] = {{"12", true, 12}, {" 0 ", true, 0}, {"x", false, 0}, {"-3", false, 0}, {nullptr, false, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer ? row.answer : "silence");
    FInstallation.Values["NUMOFRECORDS"] = "99";
    ASSERT_TRUE(FNGAS.ReadArchSize());
    if (row.answer)
      FInstallation.Values["NUMOFRECORDS"] = row.answer;
    else
      FInstallation.Values.remove("NUMOFRECORDS");
    EXPECT_EQ(FNGAS.ReadArchSize(), row.ok);
    EXPECT_EQ(FNGAS.ArchSize(), row.size);
  }
}

TEST_F(NGASTest, ArchiveReadClampsItsRangeAndAppendsRecordsInOrder) {
  const struct {
    int records, step, first, last;
    QByteArrayList indexes;
  } rows[] = {
      {5, 0, 0, 10, {"A001", "A002", "A003", "A004", "A005"}},
      {10, 2, 3, 1, {"A003"}},
      {0, 1, 1, 1, {}},
      {10, 2, 1, 3, {"A001", "A003"}},
      {10, 1, 4, 4, {"A004"}},
      {10, 3, 8, 20, {"A008"}},
      {10, 2147483647, 1, 10, {"A001"}},
  };
  TOPVarList templ;
  templ.Add("DATETIME");
  templ.Add("RADON");
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.records << " records, " << row.step << ", " << row.first << ", "
                                    << row.last);
    FInstallation.Values.clear();
    SetArchive(row.records, {"DATETIME", "RADON"});
    ASSERT_TRUE(FNGAS.ReadArchSize());
    const int before = RecordRequests().size();
    ASSERT_TRUE(FNGAS.ReadArchive(row.step, row.first, row.last, templ));

    QByteArrayList expectedRequests;
    for (const QByteArray& index : row.indexes)
      expectedRequests << "DATETIME:" + index + "=??;"
                       << "RADON:" + index + "=??;";
    EXPECT_EQ(RecordRequests().mid(before), expectedRequests);

    const TDeviceArchive& archive = FNGAS.Archive();
    EXPECT_EQ(archive.Columns()->Count(), 2);
    ASSERT_EQ(archive.RecordCount(), row.indexes.size());
    for (int i = 0; i < row.indexes.size(); ++i) {
      const QByteArray number = QByteArray::number(row.indexes[i].mid(1).toInt());
      EXPECT_EQ(archive.Record(i)->GetItem(1)->Value, "radon" + number);
      EXPECT_EQ(archive.Record(i)->GetItem(1)->Index, row.indexes[i]);
    }
  }
}

TEST_F(NGASTest, ArchiveReadMovesTheBarAndKeepsRecordsBeforeAFailure) {
  TRecordingBar bar(0, 200);
  FNGAS.SetProgressBar(&bar);
  SetArchive(5, {"RADON"});
  FInstallation.Values.remove("RADON:A004");
  ASSERT_TRUE(FNGAS.ReadArchSize());
  TOPVarList templ;
  templ.Add("RADON");
  EXPECT_FALSE(FNGAS.ReadArchive(1, 1, 5, templ));
  ASSERT_EQ(FNGAS.Archive().RecordCount(), 3);
  EXPECT_EQ(FNGAS.Archive().Record(2)->GetItem(0)->Value, "radon3");
  EXPECT_EQ(bar.Positions, std::vector<int>({50, 100, 150}));

  FInstallation.Values["RADON:A004"] = "radon4";
  bar.Positions.clear();
  ASSERT_TRUE(FNGAS.ReadArchive(1, 1, 5, templ));
  EXPECT_EQ(FNGAS.Archive().RecordCount(), 5);
  EXPECT_EQ(bar.Positions, std::vector<int>({50, 100, 150, 200, 200}));
}

TEST_F(NGASTest, ArchiveRecordCarriesTheRecordIndex) {
  TOPVarList templ;
  templ.Add("SUMALPHA");
  templ.Add("FLOW", "", "old");
  FInstallation.Values["SUMALPHA:A1000"] = "1.5";
  FInstallation.Values["FLOW:A1000"] = "2";
  std::unique_ptr<TOPVarList> slot;
  ASSERT_TRUE(FNGAS.ReadArchRecord(templ, 1000, slot));
  EXPECT_EQ(slot->GetItem(0)->Index, "A1000");
  EXPECT_EQ(slot->GetItem(1)->Value, "2");
  EXPECT_EQ(templ.GetItem(0)->Index, "");
  EXPECT_FALSE(FNGAS.ReadArchRecord(templ, 7, slot));
  EXPECT_EQ(slot->GetItem(0)->Index, "A007");
  EXPECT_FALSE(FNGAS.ReadArchRecord(templ, -1, slot));
}

TEST(NGASWithoutDriver, EveryExchangeFailsQuietly) {
  TNGAS ngas(nullptr);
  EXPECT_FALSE(ngas.ReadMode());
  EXPECT_FALSE(ngas.ReadCommon());
  EXPECT_FALSE(ngas.WriteCommonAll());
  EXPECT_FALSE(ngas.ReadTest());
  EXPECT_FALSE(ngas.ReadMainSpectr());
  EXPECT_FALSE(ngas.ReadArchSize());
  EXPECT_FALSE(ngas.ReadArchive(1, 1, 1, ngas.ArchDefaultMaskVarList()));
  std::unique_ptr<TOPVarList> slot;
  EXPECT_FALSE(ngas.ReadArchRecord(ngas.ArchDefaultMaskVarList(), 1, slot));
  EXPECT_FALSE(ngas.WriteNet());
}
