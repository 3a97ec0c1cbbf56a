#include "HistoryRecordCodec.h"
#include "HistoryTestSupport.h"
#include "OpenProtocolVarList.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <map>
#include <thread>

namespace {

class TClusterEnvironment : public testing::Environment {
 public:
  void TearDown() override { TPostgresCluster::Shutdown(); }
};
[[maybe_unused]] testing::Environment* const gClusterEnvironment =
    testing::AddGlobalTestEnvironment(new TClusterEnvironment);

const QDateTime kStart(QDate(2026, 3, 1), QTime(0, 0, 0));

// A record of the 19 archive variables: a minute record from kStart on,
// with activities that move so that the envelope has something to show.
std::unique_ptr<TOPVarList> Record(int minute, const QByteArray& serial = "00107") {
  const QDateTime time = kStart.addSecs(60LL * minute);
  auto record = std::make_unique<TOPVarList>();
  const QByteArrayList& names = THistoryStore::ArchiveColumns();
  for (const QByteArray& name : names) record->Add(name);
  const auto set = [&](const char* name, const QByteArray& value) {
    record->GetItem(record->IndexOfName(name))->Value = value;
  };
  for (const QByteArray& name : names) record->GetItem(record->IndexOfName(name))->Value = "0";
  set("DATETIME", HistoryRecordCodec::MomentText(time.toSecsSinceEpoch()));
  set("SERIALN", serial);
  set("ALPHAALARM1", "12");
  set("SUMALPHA", QByteArray::number(1.0 + (minute % 97) * 0.25, 'f', 2));
  set("SUMBETA", QByteArray::number(3.0 + (minute % 13) * 0.5, 'f', 2));
  set("FLOW", "41.5");
  return record;
}

void SetValue(TOPVarList& record, const char* name, const QByteArray& value) {
  record.GetItem(record.IndexOfName(name))->Value = value;
}

QDateTime Minute(int minute) {
  return QDateTime::fromSecsSinceEpoch(kStart.addSecs(60LL * minute).toSecsSinceEpoch(), Qt::UTC);
}

using HistoryStoreTest = THistoryBackendTest;

}  // namespace

// Whatever the installation sends comes back byte for byte, numbers are
// stored as numbers, and no record is stored twice, timed or not.
TEST_P(HistoryStoreTest, KeepsEveryRecordAsSentAndNeverTwice) {
  THistoryStore store(FName);
  ASSERT_TRUE(store.Open()) << store.ErrorText().toStdString();
  struct TRow {
    const char* Variable;
    QByteArray Value;
  };
  const TRow rows[] = {
      {"SUMALPHA", "12.50"},
      {"SUMALPHA", "0012"},
      {"SUMALPHA", "1.2E-05"},
      {"SUMALPHA", "обрыв"},
      {"SUMALPHA", ""},
      {"RADON", "-0.00"},
      {"VOLUME", "123456789"},
      {"STATUS", " 4"},
      {"DATETIME", "31/02/2026 10.00.00"},
      {"DATETIME", "01/03/2026 1.2.3"},
      {"DATETIME", ""},
  };
  int minute = 0;
  for (const TRow& row : rows) {
    auto record = Record(++minute);
    SetValue(*record, row.Variable, row.Value);
    EXPECT_EQ(store.StoreRecord(3, *record), THistoryStoreResult::Added) << row.Variable << "=" << row.Value.data();
    EXPECT_EQ(store.StoreRecord(3, *record), THistoryStoreResult::Present) << row.Variable << "=" << row.Value.data();
  }
  const qint64 installation = store.FindInstallation(3, "00107");
  ASSERT_NE(installation, 0);
  EXPECT_EQ(store.CountRecords(installation), std::size(rows));

  TDeviceArchive archive;
  ASSERT_TRUE(store.ReadRecords(installation, {}, archive));
  QByteArrayList expected;
  minute = 0;
  for (const TRow& row : rows) {
    auto record = Record(++minute);
    SetValue(*record, row.Variable, row.Value);
    QByteArrayList values;
    for (int v = 0; v < record->Count(); ++v) values << record->GetItem(v)->Value;
    expected << values.join('|');
  }
  QByteArrayList stored = Lines(archive);
  std::sort(expected.begin(), expected.end());
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(stored, expected);

  // A number is a number in the database, not a text that looks like one.
  QSqlQuery query(store.Database());
  ASSERT_TRUE(query.exec("SELECT SUM(flow) FROM archive_records"));
  ASSERT_TRUE(query.next());
  EXPECT_DOUBLE_EQ(query.value(0).toDouble(), 41.5 * 8);
  // The word is kept as text, not as a silent 0.
  ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM archive_records WHERE sumalpha = 0"));
  ASSERT_TRUE(query.next());
  EXPECT_EQ(query.value(0).toInt(), 0);
}

// The period's count, its records in time order, the envelope drawn per
// pixel column and the gaps, against what the records say.
TEST_P(HistoryStoreTest, AnswersPeriodQueriesEnvelopeAndGaps) {
  THistoryStore store(FName);
  ASSERT_TRUE(store.Open()) << store.ErrorText().toStdString();
  // Three days of minute records, stored newest first, with two hours
  // missing on the second day and another installation beside it.
  TDeviceArchive archive;
  archive.SetColumns(*Record(0));
  std::map<int, const TOPVarList*> byMinute;
  std::vector<std::unique_ptr<TOPVarList>> records;
  for (int minute = 3 * 1440 - 1; minute >= 0; --minute) {
    if (minute >= 1440 + 600 && minute < 1440 + 720) continue;
    records.push_back(Record(minute));
    archive.AppendRecord(*records.back());
    byMinute[minute] = records.back().get();
  }
  ASSERT_EQ(store.StoreArchive(1, archive), int(byMinute.size()));
  ASSERT_EQ(store.StoreArchive(1, archive), 0);
  ASSERT_EQ(store.StoreRecord(2, *Record(5, "00200")), THistoryStoreResult::Added);
  const qint64 installation = store.FindInstallation(1, "00107");
  ASSERT_EQ(store.Installations().size(), 2u);

  struct TPeriod {
    int From;  // minutes; -1 open
    int To;
    qint64 Count;
  };
  const TPeriod periods[] = {
      {-1, -1, qint64(byMinute.size())}, {0, 1439, 1440}, {1440, 2879, 1320}, {1440 + 600, 1440 + 719, 0},
      {4000, -1, 3 * 1440 - 4000},       {-1, 9, 10},     {17, 17, 1},
  };
  for (const TPeriod& p : periods) {
    const THistoryPeriod period{p.From < 0 ? QDateTime() : Minute(p.From), p.To < 0 ? QDateTime() : Minute(p.To)};
    EXPECT_EQ(store.CountRecords(installation, period), p.Count) << p.From << ".." << p.To;
    TDeviceArchive read;
    ASSERT_TRUE(store.ReadRecords(installation, period, read));
    ASSERT_EQ(read.RecordCount(), p.Count) << p.From << ".." << p.To;
    for (int r = 1; r < read.RecordCount(); ++r)
      ASSERT_LT(HistoryRecordCodec::Moment(read.Value(r - 1, 1)), HistoryRecordCodec::Moment(read.Value(r, 1)));
  }

  // The second day in 100 pixel columns: each bucket holds the least and
  // the greatest value of its records.
  const int width = 100;
  const THistoryPeriod day{Minute(1440), Minute(2879)};
  const THistoryEnvelope envelope = store.Envelope(installation, day, {"SUMALPHA", "SUMBETA", "DATETIME"}, width);
  ASSERT_EQ(envelope.Buckets.size(), 3u);
  // Pixel column p covers the seconds [p, p + 1) × span / width of the
  // period, its last second included.
  const qint64 span = 1439 * 60 + 1;
  std::vector<std::array<THistoryEnvelope::TBucket, 2>> expected(width);
  for (const auto& [minute, record] : byMinute) {
    if (minute < 1440 || minute > 2879) continue;
    const size_t pixel = size_t(qint64(minute - 1440) * 60 * width / span);
    for (int c = 0; c < 2; ++c) {
      const double value = record->GetItem(record->IndexOfName(c ? "SUMBETA" : "SUMALPHA"))->Value.toDouble();
      THistoryEnvelope::TBucket& b = expected[pixel][size_t(c)];
      b.Min = b.Records ? std::min(b.Min, value) : value;
      b.Max = b.Records ? std::max(b.Max, value) : value;
      ++b.Records;
    }
  }
  for (size_t pixel = 0; pixel < size_t(width); ++pixel) {
    for (size_t c = 0; c < 2; ++c) {
      const THistoryEnvelope::TBucket& got = envelope.Buckets[c][pixel];
      EXPECT_EQ(got.Records, expected[pixel][c].Records) << "pixel " << pixel;
      EXPECT_DOUBLE_EQ(got.Min, expected[pixel][c].Min) << "pixel " << pixel;
      EXPECT_DOUBLE_EQ(got.Max, expected[pixel][c].Max) << "pixel " << pixel;
    }
    EXPECT_EQ(envelope.Buckets[2][pixel].Records, 0) << "DATETIME is no band";
  }
  // The two missing hours leave their pixel columns empty.
  EXPECT_EQ(envelope.Buckets[0][45].Records, 0);

  // Pixel columns of hours and more draw from the hourly summary, which
  // holds every record once and the same extremes.
  const THistoryEnvelope coarse = store.Envelope(installation, {}, {"SUMALPHA"}, 10);
  int drawn = 0;
  double least = 1e9;
  double greatest = -1e9;
  for (const auto& bucket : coarse.Buckets[0]) {
    drawn += bucket.Records;
    if (bucket.Records) least = std::min(least, bucket.Min), greatest = std::max(greatest, bucket.Max);
  }
  EXPECT_EQ(drawn, int(byMinute.size()));
  EXPECT_DOUBLE_EQ(least, 1.0);
  EXPECT_DOUBLE_EQ(greatest, 1.0 + 96 * 0.25);

  EXPECT_EQ(store.RecordIntervalSeconds(installation), 60);
  const std::vector<THistoryGap> gaps = store.Gaps(installation, {});
  ASSERT_EQ(gaps.size(), 1u);
  EXPECT_EQ(gaps[0].From, Minute(1440 + 599));
  EXPECT_EQ(gaps[0].To, Minute(1440 + 720));
  EXPECT_TRUE(store.Gaps(installation, {Minute(0), Minute(1439)}).empty());
}

// Whatever order and grouping the records arrive in (archives that overlap
// stored hours, single records, a record mended in place), the hourly
// summary, the counts taken from it and the gaps agree with what the
// records themselves give.
TEST_P(HistoryStoreTest, SummaryCountsAndGapsAgreeWithTheRecords) {
  THistoryStore store(FName);
  ASSERT_TRUE(store.Open()) << store.ErrorText().toStdString();
  const auto archiveOf = [](int from, int to, const std::vector<std::pair<int, int>>& missing) {
    auto archive = std::make_unique<TDeviceArchive>();
    archive->SetColumns(*Record(0));
    for (int minute = from; minute <= to; ++minute)
      if (std::none_of(missing.begin(), missing.end(),
                       [minute](const auto& m) { return minute >= m.first && minute < m.second; }))
        archive->AppendRecord(*Record(minute));
    return archive;
  };
  // Gaps of 3 (not one), 4 and 200 minutes; the second archive fills part
  // of the first's hours again and goes on.
  ASSERT_TRUE(store.StoreArchive(1, *archiveOf(10, 400, {{100, 102}, {130, 133}, {250, 450}})));
  ASSERT_TRUE(store.StoreArchive(1, *archiveOf(380, 700, {{600, 603}})));
  ASSERT_EQ(store.StoreRecord(1, *Record(1000)), THistoryStoreResult::Added);
  auto mended = Record(500);
  SetValue(*mended, "SUMALPHA", "99.50");
  ASSERT_EQ(store.ReplaceRecord(1, *mended), THistoryStoreResult::Present);
  const qint64 installation = store.FindInstallation(1, "00107");

  const auto rows = [&store](const QString& sql) {
    QSqlQuery query(store.Database());
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    std::vector<std::array<double, 4>> list;
    while (query.next())
      list.push_back(
          {query.value(0).toDouble(), query.value(1).toDouble(), query.value(2).toDouble(), query.value(3).toDouble()});
    return list;
  };
  const auto summary =
      rows("SELECT hour_start, records, min_sumalpha, max_sumalpha FROM archive_summary ORDER BY hour_start");
  EXPECT_GT(summary.size(), 10u);
  EXPECT_EQ(summary, rows("SELECT recorded_at / 3600 * 3600 AS hour, COUNT(*), MIN(sumalpha), MAX(sumalpha) "
                          "FROM archive_records GROUP BY hour ORDER BY hour"));

  constexpr int kOpen = std::numeric_limits<int>::min();
  struct TCase {
    int From;  // minutes
    int To;
  };
  // Whole hours, part-hours at either end, within one hour, open ends,
  // inside the long gap.
  const TCase cases[] = {{kOpen, kOpen}, {0, 59},      {0, 60},    {59, 180},  {17, 17},       {61, 119},
                         {kOpen, 130},   {131, kOpen}, {300, 420}, {101, 101}, {-60000, 60000}};
  for (const TCase& c : cases) {
    const THistoryPeriod period{c.From == kOpen ? QDateTime() : Minute(c.From),
                                c.To == kOpen ? QDateTime() : Minute(c.To)};
    const qint64 from = period.From.isValid() ? period.From.toSecsSinceEpoch() : std::numeric_limits<int>::min();
    const qint64 to = period.To.isValid() ? period.To.toSecsSinceEpoch() : std::numeric_limits<int>::max();
    QSqlQuery count(store.Database());
    count.prepare("SELECT COUNT(*) FROM archive_records WHERE recorded_at >= ? AND recorded_at <= ?");
    count.addBindValue(from);
    count.addBindValue(to);
    ASSERT_TRUE(count.exec() && count.next());
    EXPECT_EQ(store.CountRecords(installation, period), count.value(0).toLongLong()) << c.From << ".." << c.To;

    QSqlQuery steps(store.Database());
    steps.prepare(
        "SELECT previous, recorded_at FROM (SELECT recorded_at, LAG(recorded_at) OVER (ORDER BY "
        "recorded_at) AS previous FROM archive_records WHERE recorded_at >= ? AND recorded_at <= ?) AS s "
        "WHERE recorded_at - previous > 180 ORDER BY recorded_at");
    steps.addBindValue(from);
    steps.addBindValue(to);
    ASSERT_TRUE(steps.exec());
    std::vector<std::pair<qint64, qint64>> expected;
    while (steps.next()) expected.emplace_back(steps.value(0).toLongLong(), steps.value(1).toLongLong());
    std::vector<std::pair<qint64, qint64>> got;
    for (const THistoryGap& gap : store.Gaps(installation, period))
      got.emplace_back(gap.From.toSecsSinceEpoch(), gap.To.toSecsSinceEpoch());
    EXPECT_EQ(got, expected) << c.From << ".." << c.To;
  }
}

// A store that an older program left is brought up to date with its records
// kept; a store of a newer program is refused and left as it is.
TEST_P(HistoryStoreTest, MigratesFromTheFirstSchemaAndRefusesANewerOne) {
  {
    THistoryStore first(FName);
    ASSERT_TRUE(first.OpenAtVersion(1)) << first.ErrorText().toStdString();
    EXPECT_EQ(first.SchemaVersion(), 1);
    EXPECT_FALSE(first.Database().tables().contains("polls"));
    ASSERT_EQ(first.StoreRecord(1, *Record(1)), THistoryStoreResult::Added);
  }
  {
    THistoryStore current(FName);
    ASSERT_TRUE(current.Open()) << current.ErrorText().toStdString();
    EXPECT_EQ(current.SchemaVersion(), THistoryStore::kSchemaVersion);
    const qint64 installation = current.FindInstallation(1, "00107");
    EXPECT_EQ(current.CountRecords(installation), 1);
    EXPECT_EQ(current.StoreRecord(1, *Record(1)), THistoryStoreResult::Present);
    // The summary of the records an older program stored is made on the way.
    EXPECT_EQ(current.Envelope(installation, {Minute(0), Minute(60 * 24 * 30)}, {"SUMALPHA"}, 10).Buckets[0][0].Records,
              1);
    auto poll = Record(2);
    ASSERT_TRUE(current.StorePoll(installation, Minute(2), *poll));
    TDeviceArchive polls;
    ASSERT_TRUE(current.ReadPolls(installation, {}, polls));
    ASSERT_EQ(polls.RecordCount(), 1);
    EXPECT_EQ(polls.Value(0, 1), poll->GetItem(poll->IndexOfName("SUMALPHA"))->Value);
    QSqlQuery query(current.Database());
    ASSERT_TRUE(query.exec("UPDATE qev_schema SET version = 99"));
  }
  THistoryStore newer(FName);
  EXPECT_FALSE(newer.Open());
  EXPECT_TRUE(newer.ErrorText().contains("99")) << newer.ErrorText().toStdString();
}

// Two programs writing the same records at once: neither fails, nothing is
// stored twice, and a reader sees whole transactions only.
TEST_P(HistoryStoreTest, TwoWritersAtOnce) {
  {
    THistoryStore creator(FName);
    ASSERT_TRUE(creator.Open()) << creator.ErrorText().toStdString();
  }
  constexpr int kBatches = 20;
  constexpr int kBatch = 50;
  std::atomic<int> failures{0};
  std::atomic<int> added{0};
  const auto writer = [&](int shift) {
    THistoryStore store(FName);
    if (!store.Open()) {
      ++failures;
      return;
    }
    for (int b = 0; b < kBatches; ++b) {
      TDeviceArchive batch;
      batch.SetColumns(*Record(0));
      // The two writers' batches overlap by half.
      for (int r = 0; r < kBatch; ++r) batch.AppendRecord(*Record(b * kBatch + r + shift));
      const auto result = store.StoreArchive(1, batch);
      if (!result)
        ++failures;
      else
        added += *result;
    }
  };
  std::atomic<bool> writing{true};
  std::atomic<int> halfSeen{0};
  std::thread reader([&] {
    THistoryStore store(FName);
    if (!store.Open()) return;
    while (writing) {
      const qint64 installation = store.FindInstallation(1, "00107");
      if (installation && store.CountRecords(installation) % (kBatch / 2) != 0) ++halfSeen;
    }
  });
  std::thread one(writer, 0);
  std::thread two(writer, kBatch / 2);
  one.join();
  two.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(halfSeen, 0);
  THistoryStore store(FName);
  ASSERT_TRUE(store.Open());
  const qint64 total = kBatches * kBatch + kBatch / 2;
  EXPECT_EQ(added, total);
  EXPECT_EQ(store.CountRecords(store.FindInstallation(1, "00107")), total);
}

// Names that are no database get a reason, not a crash or a stray file.
TEST(HistoryDatabaseNameTest, RefusesNamesOfNoDatabase) {
  for (const char* name : {"", "postgresql://localhost", "postgres://host:notaport/db"}) {
    THistoryStore store(QString::fromUtf8(name));
    EXPECT_FALSE(store.Open()) << name;
    EXPECT_FALSE(store.ErrorText().isEmpty()) << name;
  }
  EXPECT_TRUE(THistoryStore::IsPostgresName("postgres://u@h/db"));
  EXPECT_TRUE(THistoryStore::IsPostgresName("postgresql:///db?host=/run/postgresql"));
  EXPECT_FALSE(THistoryStore::IsPostgresName("/home/op/history.sqlite"));
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryStoreTest, testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         BackendName);
