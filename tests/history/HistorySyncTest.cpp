#include "EmulatorChannel.h"
#include "HistoryRecordCodec.h"
#include "HistorySync.h"
#include "HistoryTestSupport.h"
#include "InstallationEmulator.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"

#include <cmath>
#include <memory>

namespace {

// The sync against the emulated installation through the real driver, with
// the store on either database.
class HistorySyncTest : public THistoryBackendTest {
 protected:
  void Start(const TEmulatorConfig& config, bool packing) {
    FEmulator = std::make_unique<TInstallationEmulator>(config);
    FChannel = std::make_unique<TEmulatorChannel>(*FEmulator);
    FDriver = std::make_unique<TOpenProtocolDriver>(FChannel.get());
    FDriver->SetPauseBeforeAttemptMs(0);
    FDriver->SetPacking(packing);
    FNGAS = std::make_unique<TNGAS>(FDriver.get());
    FNGAS->SetDevAddress(FEmulator->Address());
    FStore = std::make_unique<THistoryStore>(FName);
    ASSERT_TRUE(FStore->Open()) << FStore->ErrorText().toStdString();
  }

  THistorySyncResult Sync() { return THistorySync::Run(*FNGAS, *FStore, nullptr, nullptr); }

  // Every record the installation holds now is stored, and the store holds
  // nothing twice: each stored record is one the installation held (or held
  // before it rolled over).
  void ExpectStoreHoldsTheArchive(int64_t storedBefore) {
    const TArchiveGenerator& archive = FEmulator->Archive();
    TDeviceArchive stored;
    const qint64 installation = FStore->FindInstallation(FEmulator->Address(), "00107");
    ASSERT_TRUE(FStore->ReadRecords(installation, {}, stored));
    QByteArrayList lines = Lines(stored);
    const QSet<QByteArray> unique(lines.begin(), lines.end());
    QSet<QByteArray> held;
    EXPECT_EQ(unique.size(), lines.size()) << "a record stored twice";
    for (int n = 1; n <= archive.Records(); ++n) {
      QByteArrayList values;
      for (const QByteArray& name : THistoryStore::ArchiveColumns()) values << *archive.Value(name, n);
      ASSERT_TRUE(unique.contains(values.join('|'))) << "record " << n << " missing: " << values.join('|').data();
      held.insert(values.join('|'));
    }
    EXPECT_GE(lines.size(), storedBefore);
    // The hourly summary holds every timed record, also those stored one by one.
    int drawn = 0;
    const THistoryEnvelope envelope = FStore->Envelope(installation, {}, {"FLOW"}, 1);
    for (const auto& bucket : envelope.Buckets[0]) drawn += bucket.Records;
    EXPECT_EQ(drawn, lines.size());
    // Nothing else within the time the installation still holds: no record
    // with the time of one and the values of another.
    const auto oldest =
        HistoryRecordCodec::Moment(*archive.Value("DATETIME", archive.NewestFirst() ? archive.Records() : 1));
    for (const QByteArray& line : lines)
      if (!held.contains(line)) {
        EXPECT_LT(HistoryRecordCodec::Moment(line.split('|')[1]), oldest) << line.data();
      }
  }

  static int64_t Floor(int records, int added, int perRecord) {
    return int64_t(added) * perRecord + 2 * int64_t(std::ceil(std::log2(std::max(records, 2)))) + 10;
  }

  std::unique_ptr<TInstallationEmulator> FEmulator;
  std::unique_ptr<TEmulatorChannel> FChannel;
  std::unique_ptr<TOpenProtocolDriver> FDriver;
  std::unique_ptr<TNGAS> FNGAS;
  std::unique_ptr<THistoryStore> FStore;
};

}  // namespace

// Record 1 the oldest or the newest, the ring rolled over or not, packed or
// not: the second sync reads the new records only, within the floor of
// requests, and the store then holds every record the installation holds.
TEST_P(HistorySyncTest, ReadsOnlyNewRecordsInEitherOrderAndAcrossARollOver) {
  struct TCase {
    bool NewestFirst;
    int Capacity;  // 0: no ring
    int Records;
    int Added;
    bool Packing;
  };
  const TCase cases[] = {
      {false, 0, 40, 7, false}, {true, 0, 40, 7, false},  {false, 50, 50, 13, false},
      {true, 50, 50, 13, true}, {true, 30, 30, 0, false}, {false, 30, 25, 60, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "newest first " << c.NewestFirst << ", capacity " << c.Capacity << ", added "
                                    << c.Added << ", packing " << c.Packing);
    if (GetParam() == TBackend::PostgreSQL) {
      FName = TPostgresCluster::Instance().NewDatabase();
    } else {
      FName = FFolder.filePath(QString("sync-%1.sqlite").arg(&c - cases));
    }
    TEmulatorConfig config;
    config.Records = c.Records;
    config.ArchiveCapacity = c.Capacity;
    config.NewestFirst = c.NewestFirst;
    Start(config, c.Packing);

    const THistorySyncResult first = Sync();
    ASSERT_TRUE(first.Ok);
    EXPECT_EQ(first.New, c.Records);
    EXPECT_EQ(first.Stored, c.Records);
    ExpectStoreHoldsTheArchive(0);

    // What one whole record costs in the mode in effect.
    const uint64_t before = FDriver->FramesSent();
    std::unique_ptr<TOPVarList> one;
    ASSERT_TRUE(FNGAS->ReadArchRecord(FNGAS->ArchVarList(), 1, one));
    const int perRecord = int(FDriver->FramesSent() - before);
    EXPECT_EQ(perRecord == 19, !c.Packing);

    FEmulator->AppendArchiveRecords(c.Added);
    const int size = FEmulator->Archive().Records();
    const THistorySyncResult second = Sync();
    ASSERT_TRUE(second.Ok);
    // Records dropped by the ring before a sync saw them are gone for good.
    const int expectedNew = std::min(c.Added, size);
    EXPECT_EQ(second.New, expectedNew);
    EXPECT_EQ(second.Stored, c.Records + expectedNew);
    EXPECT_LE(second.Requests, Floor(size, expectedNew, perRecord));
    ExpectStoreHoldsTheArchive(first.Stored);
  }
}

// A line that falls silent in the middle of a sync: every record read is
// stored, the sync says it failed, and the next sync goes on from there
// without losing or doubling a record.
TEST_P(HistorySyncTest, ResumesAfterACutLineWithoutLossOrDuplicate) {
  for (bool newestFirst : {false, true}) {
    SCOPED_TRACE(newestFirst ? "newest first" : "oldest first");
    FName = GetParam() == TBackend::PostgreSQL ? TPostgresCluster::Instance().NewDatabase()
                                               : FFolder.filePath(newestFirst ? "cut-1.sqlite" : "cut-0.sqlite");
    TEmulatorConfig config;
    config.Records = 30;
    config.NewestFirst = newestFirst;
    Start(config, false);
    // The line dies after size, ends, serial and a dozen records.
    TFaultPlan plan;
    plan.Kind = TFaultKind::NoAnswer;
    plan.After = 4 + 12 * 19 + 7;
    FEmulator->SetFaults(plan);
    const THistorySyncResult cut = Sync();
    EXPECT_FALSE(cut.Ok);
    EXPECT_EQ(cut.New, 12);
    EXPECT_EQ(cut.Stored, 12);

    FEmulator->SetFaults({});
    const THistorySyncResult resumed = Sync();
    ASSERT_TRUE(resumed.Ok);
    EXPECT_EQ(resumed.New, 18);
    EXPECT_EQ(resumed.Stored, 30);
    ExpectStoreHoldsTheArchive(30);
  }
}

// Records taken while the sync reads move the numbers of a full ring (both
// orders) and of an archive numbered from the newest: none of them slips
// past the sync.
TEST_P(HistorySyncTest, MissesNoRecordTakenWhileItReads) {
  for (bool newestFirst : {false, true}) {
    SCOPED_TRACE(newestFirst ? "newest first" : "oldest first");
    FName = GetParam() == TBackend::PostgreSQL ? TPostgresCluster::Instance().NewDatabase()
                                               : FFolder.filePath(newestFirst ? "moving-1.sqlite" : "moving-0.sqlite");
    // The emulator's clock moves a second with every look at it, about one
    // a request: a new record every four hundred requests, one or two while
    // the thirty records are read.
    auto now = std::make_shared<QDateTime>(QDate(2026, 5, 4), QTime(12, 0, 0));
    TEmulatorConfig config;
    config.Records = 30;
    config.ArchiveCapacity = 30;
    config.NewestFirst = newestFirst;
    config.RecordEverySeconds = 400;
    config.ArchiveIntervalSeconds = 400;
    config.Clock = [now] { return *now = now->addSecs(1); };
    Start(config, false);
    const THistorySyncResult result = Sync();
    ASSERT_TRUE(result.Ok);
    EXPECT_GT(result.New, 30);
    FEmulator->SetFaults({});
    ExpectStoreHoldsTheArchive(result.Stored);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, HistorySyncTest, testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         BackendName);
