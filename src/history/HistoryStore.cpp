#include "HistoryStore.h"

#include "DeviceArchive.h"
#include "HistoryDatabaseName.h"
#include "HistoryRecordCodec.h"
#include "HistorySchema.h"
#include "OpenProtocolVarList.h"
#include "Win1251.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <array>
#include <map>
#include <sqlite3.h>

namespace {

using HistoryRecordCodec::NumericColumns;

QAtomicInt ConnectionCounter;

const QByteArrayList& PollNames() {
  static const QByteArrayList names = {"SUMALPHA", "SUMBETA",       "RADON",         "STATUS",       "FLOW",
                                       "VOLUME",   "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON"};
  return names;
}

QString Joined(const QByteArrayList& names, const QString& prefix = {}) {
  QStringList columns;
  for (const QByteArray& name : names) columns << prefix + QString::fromLatin1(name.toLower());
  return columns.join(", ");
}

QString Placeholders(int count) {
  QStringList marks;
  for (int i = 0; i < count; ++i) marks << "?";
  return marks.join(", ");
}

QVariant Nullable(const std::optional<double>& value) {
  return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Double));
}

QVariant Blob(const QByteArray& bytes) {
  return bytes.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(bytes);
}

std::optional<double> NumberAt(const QSqlQuery& query, int column) {
  const QVariant value = query.value(column);
  if (value.isNull()) return std::nullopt;
  return value.toDouble();
}

// The period's bounds in seconds since 1970, open ends at the extremes.
qint64 FromSeconds(const THistoryPeriod& period) {
  return period.From.isValid() ? period.From.toSecsSinceEpoch() : std::numeric_limits<qint64>::min() / 2;
}
qint64 ToSeconds(const THistoryPeriod& period) {
  return period.To.isValid() ? period.To.toSecsSinceEpoch() : std::numeric_limits<qint64>::max() / 2;
}

// The start of the hour that holds the moment (moments before 1970 too).
qint64 FloorHour(qint64 moment) { return (moment >= 0 ? moment : moment - 3599) / 3600 * 3600; }

std::unique_ptr<TOPVarList> ColumnList(const QByteArrayList& names) {
  auto list = std::make_unique<TOPVarList>();
  for (const QByteArray& name : names) list->Add(name);
  return list;
}

}  // namespace

class THistoryStore::TImpl {
 public:
  QString Connection;
  bool Postgres = false;
  int Version = 0;
  QHash<QPair<int, QByteArray>, qint64> Installations;

  QSqlDatabase Db() const { return QSqlDatabase::database(Connection, false); }

  bool Begin() {
    QSqlQuery query(Db());
    return query.exec(Postgres ? "BEGIN" : "BEGIN IMMEDIATE");
  }
  bool Commit() {
    QSqlQuery query(Db());
    return query.exec("COMMIT");
  }
  void Rollback() {
    QSqlQuery query(Db());
    query.exec("ROLLBACK");
  }

  // Computes the hours of from..to of the installation's summary again from
  // its records, inside the caller's transaction.
  bool RefreshSummary(qint64 installation, qint64 from, qint64 to) {
    // A store kept at an older version has no summary; its migration makes it.
    if (Version < 3) return true;
    if (Postgres) {
      // Two writers of one installation take turns at its summary, so that
      // neither rewrites an hour the other is rewriting.
      QSqlQuery lock(Db());
      lock.prepare("SELECT pg_advisory_xact_lock(?)");
      lock.addBindValue(installation);
      if (!lock.exec()) return false;
    }
    static const QString extremes = [] {
      QStringList list;
      for (const QByteArray& name : NumericColumns())
        list << QString("MIN(%1), MAX(%1)").arg(QString::fromLatin1(name));
      return list.join(", ");
    }();
    const qint64 first = from / 3600 * 3600;
    const qint64 last = to / 3600 * 3600;
    QSqlQuery remove(Db());
    remove.prepare("DELETE FROM archive_summary WHERE installation_id = ? AND hour_start >= ? AND hour_start <= ?");
    remove.addBindValue(installation);
    remove.addBindValue(first);
    remove.addBindValue(last);
    QSqlQuery fill(Db());
    fill.prepare(QString("INSERT INTO archive_summary SELECT installation_id, recorded_at / 3600 * 3600 AS hour_start, "
                         "COUNT(*), %1 FROM archive_records WHERE installation_id = ? AND recorded_at >= ? AND "
                         "recorded_at <= ? GROUP BY installation_id, hour_start")
                     .arg(extremes));
    fill.addBindValue(installation);
    fill.addBindValue(first);
    fill.addBindValue(last + 3599);
    return remove.exec() && fill.exec();
  }
};

THistoryStore::THistoryStore(QString databaseName)
    : FDatabaseName(std::move(databaseName)), FImpl(std::make_unique<TImpl>()) {}

THistoryStore::~THistoryStore() { Close(); }

bool THistoryStore::IsPostgresName(const QString& databaseName) {
  return THistoryDatabaseName::IsPostgres(databaseName);
}

bool THistoryStore::Open() { return OpenAtVersion(kSchemaVersion); }

bool THistoryStore::OpenAtVersion(int version) {
  Close();
  FErrorText.clear();
  THistoryDatabaseName name;
  QString error;
  if (!THistoryDatabaseName::Parse(FDatabaseName, name, error)) {
    FErrorText = error;
    return false;
  }
  const QString driver = name.Postgres ? "QPSQL" : "QSQLITE";
  if (!QSqlDatabase::isDriverAvailable(driver)) {
    FErrorText = QString("the Qt driver %1 is not installed").arg(driver);
    return false;
  }
  if (!name.Postgres) {
    const QFileInfo file(name.Path);
    if (!QDir().mkpath(file.absolutePath())) {
      FErrorText = "cannot create the folder " + file.absolutePath();
      return false;
    }
  }
  FImpl->Connection = QString("qev-history-%1").arg(ConnectionCounter.fetchAndAddRelaxed(1));
  FImpl->Postgres = name.Postgres;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, FImpl->Connection);
    name.Apply(db);
    bool ok = db.open();
    if (ok && !name.Postgres) {
      QSqlQuery pragma(db);
      // WAL lets the window read while the collector writes; each commit
      // still reaches the disk before it returns.
      ok = pragma.exec("PRAGMA journal_mode=WAL") && pragma.next() &&
           pragma.value(0).toString().compare("wal", Qt::CaseInsensitive) == 0;
      if (!ok) error = "the file cannot be put in WAL mode";
    } else if (!ok) {
      error = db.lastError().text();
    }
    if (ok) ok = HistorySchema::Migrate(db, name.Postgres, version, error);
    FImpl->Version = version;
    if (!ok) {
      FErrorText = QString("%1: %2").arg(name.Postgres ? name.Database : name.Path, error.trimmed());
      db.close();
    }
  }
  if (!FErrorText.isEmpty()) {
    Close();
    return false;
  }
  return true;
}

bool THistoryStore::IsOpen() const { return !FImpl->Connection.isEmpty() && FImpl->Db().isOpen(); }

void THistoryStore::Close() {
  if (FImpl->Connection.isEmpty()) return;
  {
    QSqlDatabase db = FImpl->Db();
    if (db.isOpen()) db.close();
  }
  QSqlDatabase::removeDatabase(FImpl->Connection);
  FImpl->Connection.clear();
  FImpl->Installations.clear();
}

int THistoryStore::SchemaVersion() const {
  if (!IsOpen()) return -1;
  QSqlDatabase db = FImpl->Db();
  return HistorySchema::Version(db);
}

QSqlDatabase THistoryStore::Database() const { return FImpl->Db(); }

const QByteArrayList& THistoryStore::ArchiveColumns() { return HistoryRecordCodec::ArchiveColumns(); }

const QByteArrayList& THistoryStore::PollColumns() { return PollNames(); }

// Installations ------------------------------------------------------------

std::vector<THistoryInstallation> THistoryStore::Installations() {
  std::vector<THistoryInstallation> list;
  if (!IsOpen()) return list;
  QSqlQuery query(FImpl->Db());
  if (!query.exec("SELECT id, address, serial_number FROM installations ORDER BY address, serial_number")) return list;
  while (query.next())
    list.push_back({query.value(0).toLongLong(), static_cast<uint8_t>(query.value(1).toInt()),
                    Win1251::FromUnicode(query.value(2).toString())});
  return list;
}

qint64 THistoryStore::FindInstallation(uint8_t address, const QByteArray& serialNumber) {
  if (!IsOpen()) return 0;
  const QPair<int, QByteArray> key(address, serialNumber);
  if (const auto known = FImpl->Installations.constFind(key); known != FImpl->Installations.cend()) return *known;
  QSqlQuery query(FImpl->Db());
  query.prepare("SELECT id FROM installations WHERE address = ? AND serial_number = ?");
  query.addBindValue(int(address));
  query.addBindValue(Win1251::ToUnicode(serialNumber));
  if (!query.exec() || !query.next()) return 0;
  const qint64 id = query.value(0).toLongLong();
  FImpl->Installations.insert(key, id);
  return id;
}

qint64 THistoryStore::InstallationId(uint8_t address, const QByteArray& serialNumber) {
  if (const qint64 id = FindInstallation(address, serialNumber)) return id;
  if (!IsOpen()) return 0;
  QSqlQuery query(FImpl->Db());
  // Another program may add the same installation at the same moment.
  query.prepare("INSERT INTO installations (address, serial_number) VALUES (?, ?) ON CONFLICT DO NOTHING");
  query.addBindValue(int(address));
  query.addBindValue(Win1251::ToUnicode(serialNumber));
  if (!query.exec()) {
    FErrorText = query.lastError().text();
    return 0;
  }
  return FindInstallation(address, serialNumber);
}

// Storing ------------------------------------------------------------------

namespace {

QByteArrayList ValuesOf(const TOPVarList& record, const QByteArrayList& names) {
  QByteArrayList values;
  values.reserve(names.size());
  for (const QByteArray& name : names) {
    const int at = record.IndexOfName(name);
    values << (at < 0 ? QByteArray() : record.GetItem(at)->Value);
  }
  return values;
}

QString InsertRecordSql(bool timed) {
  const int numbers = NumericColumns().size();
  if (timed)
    return QString(
               "INSERT INTO archive_records (installation_id, recorded_at, digest, %1, layouts, texts) "
               "VALUES (?, ?, ?, %2, ?, ?) ON CONFLICT DO NOTHING")
        .arg(Joined(NumericColumns()), Placeholders(numbers));
  return QString(
             "INSERT INTO untimed_records (installation_id, digest, %1, layouts, texts) "
             "VALUES (?, ?, %2, ?, ?) ON CONFLICT DO NOTHING")
      .arg(Joined(NumericColumns()), Placeholders(numbers));
}

// Timed records inserted together, so that a year is a few thousand
// statements rather than half a million.
constexpr int kRowsPerStatement = 64;

QString InsertTimedRowsSql(int rows) {
  QStringList groups;
  const QString group = "(" + Placeholders(NumericColumns().size() + 5) + ")";
  for (int r = 0; r < rows; ++r) groups << group;
  return QString(
             "INSERT INTO archive_records (installation_id, recorded_at, digest, %1, layouts, texts) VALUES %2 "
             "ON CONFLICT DO NOTHING")
      .arg(Joined(NumericColumns()), groups.join(", "));
}

void BindTimedRow(QSqlQuery& query, int& at, qint64 installation, const HistoryRecordCodec::TRow& row) {
  query.bindValue(at++, installation);
  query.bindValue(at++, *row.Moment);
  query.bindValue(at++, row.Digest);
  for (const auto& number : row.Numbers) query.bindValue(at++, Nullable(number));
  query.bindValue(at++, row.Layouts);
  query.bindValue(at++, Blob(row.Texts));
}

// Binds and runs one record's insert; the result as THistoryStore's.
THistoryStoreResult InsertRow(QSqlQuery& timed, QSqlQuery& untimed, qint64 installation,
                              const HistoryRecordCodec::TRow& row) {
  QSqlQuery& query = row.Moment ? timed : untimed;
  int at = 0;
  query.bindValue(at++, installation);
  if (row.Moment) query.bindValue(at++, *row.Moment);
  query.bindValue(at++, row.Digest);
  for (const auto& number : row.Numbers) query.bindValue(at++, Nullable(number));
  query.bindValue(at++, row.Layouts);
  query.bindValue(at++, Blob(row.Texts));
  if (!query.exec()) return THistoryStoreResult::Failed;
  return query.numRowsAffected() > 0 ? THistoryStoreResult::Added : THistoryStoreResult::Present;
}

// The connection's own SQLite handle; null for another driver.
sqlite3* SqliteHandle(const QSqlDatabase& db) {
  const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(handle.constData());
}

// Qt Sql hands every value over as a QVariant it copies and converts; for a
// year of records that costs more than SQLite's own work. The SQLite back
// end's bulk insert therefore runs one statement, prepared once, on the
// handle of the connection Qt Sql holds, inside the same transaction.
class TSqliteTimedInsert {
 public:
  explicit TSqliteTimedInsert(const QSqlDatabase& db) : FDb(SqliteHandle(db)) {
    if (FDb &&
        sqlite3_prepare_v2(FDb, InsertRecordSql(true).toUtf8().constData(), -1, &FStatement, nullptr) != SQLITE_OK) {
      sqlite3_finalize(FStatement);
      FStatement = nullptr;
    }
  }
  ~TSqliteTimedInsert() { sqlite3_finalize(FStatement); }
  TSqliteTimedInsert(const TSqliteTimedInsert&) = delete;
  TSqliteTimedInsert& operator=(const TSqliteTimedInsert&) = delete;

  bool IsValid() const { return FStatement != nullptr; }
  QString ErrorText() const { return FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QString(); }

  THistoryStoreResult Insert(qint64 installation, const HistoryRecordCodec::TRow& row) {
    int at = 1;
    sqlite3_bind_int64(FStatement, at++, installation);
    sqlite3_bind_int64(FStatement, at++, *row.Moment);
    sqlite3_bind_int64(FStatement, at++, row.Digest);
    for (const auto& number : row.Numbers) {
      if (number)
        sqlite3_bind_double(FStatement, at++, *number);
      else
        sqlite3_bind_null(FStatement, at++);
    }
    sqlite3_bind_int64(FStatement, at++, row.Layouts);
    if (row.Texts.isEmpty())
      sqlite3_bind_null(FStatement, at++);
    else
      sqlite3_bind_blob(FStatement, at++, row.Texts.constData(), static_cast<int>(row.Texts.size()), SQLITE_STATIC);
    const int stepped = sqlite3_step(FStatement);
    sqlite3_reset(FStatement);
    if (stepped != SQLITE_DONE) return THistoryStoreResult::Failed;
    return sqlite3_changes(FDb) > 0 ? THistoryStoreResult::Added : THistoryStoreResult::Present;
  }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FStatement = nullptr;
};

// The hourly summary of the records a transaction added, gathered in memory
// and merged into the stored summary once at its end: the stored hours keep
// what they held, the added records only widen them.
class THourlySummary {
 public:
  void Add(qint64 installation, const HistoryRecordCodec::TRow& row) {
    THour& hour = FHours[{installation, *row.Moment / 3600 * 3600}];
    ++hour.Records;
    for (size_t c = 0; c < row.Numbers.size(); ++c) {
      const auto& number = row.Numbers[c];
      if (!number) continue;
      hour.Min[c] = hour.Min[c] ? std::min(*hour.Min[c], *number) : *number;
      hour.Max[c] = hour.Max[c] ? std::max(*hour.Max[c], *number) : *number;
    }
  }

  bool Merge(const QSqlDatabase& db, QString& error) const {
    if (FHours.empty()) return true;
    static const QString sql = [] {
      QStringList columns;
      QStringList widen;
      for (const QByteArray& name : NumericColumns()) {
        const QString column = QString::fromLatin1(name);
        columns << "min_" + column << "max_" + column;
        // SQLite's MIN and MAX of two give NULL when either is NULL.
        for (const char* side : {"min", "max"})
          widen << QString("%1_%2 = COALESCE(%3(%1_%2, excluded.%1_%2), %1_%2, excluded.%1_%2)")
                       .arg(side, column, QString(side).toUpper());
      }
      return QString(
                 "INSERT INTO archive_summary (installation_id, hour_start, records, %1) VALUES (?, ?, ?, %2) ON "
                 "CONFLICT (installation_id, hour_start) DO UPDATE SET records = records + excluded.records, %3")
          .arg(columns.join(", "), Placeholders(int(columns.size())), widen.join(", "));
    }();
    QSqlQuery query(db);
    if (!query.prepare(sql)) {
      error = query.lastError().text();
      return false;
    }
    for (const auto& [key, hour] : FHours) {
      int at = 0;
      query.bindValue(at++, key.first);
      query.bindValue(at++, key.second);
      query.bindValue(at++, hour.Records);
      for (size_t c = 0; c < hour.Min.size(); ++c) {
        query.bindValue(at++, Nullable(hour.Min[c]));
        query.bindValue(at++, Nullable(hour.Max[c]));
      }
      if (!query.exec()) {
        error = query.lastError().text();
        return false;
      }
    }
    return true;
  }

 private:
  struct THour {
    qint64 Records = 0;
    std::array<std::optional<double>, 17> Min;
    std::array<std::optional<double>, 17> Max;
  };
  std::map<std::pair<qint64, qint64>, THour> FHours;
};

}  // namespace

THistoryStoreResult THistoryStore::StoreRecord(uint8_t address, const TOPVarList& record) {
  if (!IsOpen()) return THistoryStoreResult::Failed;
  const QByteArrayList values = ValuesOf(record, ArchiveColumns());
  const qint64 installation = InstallationId(address, values[HistoryRecordCodec::kSerialColumn]);
  if (!installation) return THistoryStoreResult::Failed;
  QSqlQuery timed(FImpl->Db());
  QSqlQuery untimed(FImpl->Db());
  const HistoryRecordCodec::TRow row = HistoryRecordCodec::Encode(values);
  if (!(row.Moment ? timed : untimed).prepare(InsertRecordSql(row.Moment.has_value())))
    return THistoryStoreResult::Failed;
  // The record and its hour's summary are on disk, whole, or not at all
  // when this returns.
  if (!FImpl->Begin()) return THistoryStoreResult::Failed;
  THistoryStoreResult result = InsertRow(timed, untimed, installation, row);
  if (result == THistoryStoreResult::Added && row.Moment &&
      !FImpl->RefreshSummary(installation, *row.Moment, *row.Moment))
    result = THistoryStoreResult::Failed;
  if (result == THistoryStoreResult::Failed || !FImpl->Commit()) {
    FErrorText = (row.Moment ? timed : untimed).lastError().text();
    FImpl->Rollback();
    return THistoryStoreResult::Failed;
  }
  return result;
}

THistoryStoreResult THistoryStore::ReplaceRecord(uint8_t address, const TOPVarList& record) {
  if (!IsOpen()) return THistoryStoreResult::Failed;
  const QByteArrayList values = ValuesOf(record, ArchiveColumns());
  const HistoryRecordCodec::TRow row = HistoryRecordCodec::Encode(values);
  if (!row.Moment) return StoreRecord(address, record);
  const qint64 installation = InstallationId(address, values[HistoryRecordCodec::kSerialColumn]);
  if (!installation || !FImpl->Begin()) return THistoryStoreResult::Failed;
  QSqlQuery remove(FImpl->Db());
  QSqlQuery timed(FImpl->Db());
  QSqlQuery untimed(FImpl->Db());
  remove.prepare("DELETE FROM archive_records WHERE installation_id = ? AND recorded_at = ? AND digest <> ?");
  remove.addBindValue(installation);
  remove.addBindValue(*row.Moment);
  remove.addBindValue(row.Digest);
  THistoryStoreResult result = THistoryStoreResult::Failed;
  if (remove.exec() && timed.prepare(InsertRecordSql(true))) result = InsertRow(timed, untimed, installation, row);
  if (result != THistoryStoreResult::Failed && !FImpl->RefreshSummary(installation, *row.Moment, *row.Moment))
    result = THistoryStoreResult::Failed;
  if (result == THistoryStoreResult::Failed || !FImpl->Commit()) {
    FErrorText = remove.lastError().isValid() ? remove.lastError().text() : timed.lastError().text();
    FImpl->Rollback();
    return THistoryStoreResult::Failed;
  }
  if (result == THistoryStoreResult::Added && remove.numRowsAffected() > 0) return THistoryStoreResult::Present;
  return result;
}

std::optional<int> THistoryStore::StoreArchive(uint8_t address, const TDeviceArchive& archive) {
  if (!IsOpen()) return std::nullopt;
  const QByteArrayList& names = ArchiveColumns();
  // Where each archive variable sits among the archive's columns.
  std::vector<int> columnOf(static_cast<size_t>(names.size()), -1);
  if (const TOPVarList* columns = archive.Columns())
    for (int n = 0; n < names.size(); ++n) columnOf[static_cast<size_t>(n)] = columns->IndexOfName(names[n]);
  if (!FImpl->Begin()) {
    FErrorText = FImpl->Db().lastError().text();
    return std::nullopt;
  }
  QSqlQuery timed(FImpl->Db());
  QSqlQuery untimed(FImpl->Db());
  QSqlQuery batch(FImpl->Db());
  bool ok = timed.prepare(InsertRecordSql(true)) && untimed.prepare(InsertRecordSql(false)) &&
            batch.prepare(InsertTimedRowsSql(kRowsPerStatement));
  // SQLite: one row a step on the connection's handle, the summary kept in
  // memory; PostgreSQL: rows in groups through Qt Sql, the summary computed
  // again from the records under the installation's lock.
  std::optional<TSqliteTimedInsert> direct;
  THourlySummary summary;
  if (!FImpl->Postgres) {
    direct.emplace(FImpl->Db());
    ok = ok && direct->IsValid();
  }
  QString directError;
  int added = 0;
  QByteArrayList values;
  // The moments stored per installation, for the summary.
  QHash<qint64, std::pair<qint64, qint64>> touched;
  std::vector<std::pair<qint64, HistoryRecordCodec::TRow>> pending;
  pending.reserve(kRowsPerStatement);
  const auto flush = [&] {
    if (pending.size() == size_t(kRowsPerStatement)) {
      int at = 0;
      for (const auto& [installation, row] : pending) BindTimedRow(batch, at, installation, row);
      if (!batch.exec()) return false;
      added += std::max(batch.numRowsAffected(), 0);
    } else {
      for (const auto& [installation, row] : pending) {
        const THistoryStoreResult result = InsertRow(timed, untimed, installation, row);
        if (result == THistoryStoreResult::Failed) return false;
        if (result == THistoryStoreResult::Added) ++added;
      }
    }
    for (const auto& [installation, row] : pending) {
      const auto known = touched.find(installation);
      if (known == touched.end())
        touched.insert(installation, {*row.Moment, *row.Moment});
      else
        *known = {std::min(known->first, *row.Moment), std::max(known->second, *row.Moment)};
    }
    pending.clear();
    return true;
  };
  for (int r = 0; ok && r < archive.RecordCount(); ++r) {
    values.clear();
    for (int n = 0; n < names.size(); ++n) {
      const int column = columnOf[static_cast<size_t>(n)];
      values << (column < 0 ? QByteArray() : archive.Value(r, column));
    }
    const qint64 installation = InstallationId(address, values[HistoryRecordCodec::kSerialColumn]);
    if (!installation) {
      ok = false;
      break;
    }
    HistoryRecordCodec::TRow row = HistoryRecordCodec::Encode(values);
    if (!row.Moment) {
      const THistoryStoreResult result = InsertRow(timed, untimed, installation, row);
      ok = result != THistoryStoreResult::Failed;
      if (result == THistoryStoreResult::Added) ++added;
      continue;
    }
    if (direct) {
      const THistoryStoreResult result = direct->Insert(installation, row);
      ok = result != THistoryStoreResult::Failed;
      if (result == THistoryStoreResult::Added) {
        ++added;
        if (FImpl->Version >= 3) summary.Add(installation, row);
      }
      if (!ok) directError = direct->ErrorText();
      continue;
    }
    pending.emplace_back(installation, std::move(row));
    if (pending.size() == size_t(kRowsPerStatement)) ok = flush();
  }
  ok = ok && flush();
  if (ok && direct) ok = summary.Merge(FImpl->Db(), directError);
  for (auto range = touched.cbegin(); ok && range != touched.cend(); ++range)
    ok = FImpl->RefreshSummary(range.key(), range->first, range->second);
  if (!ok || !FImpl->Commit()) {
    for (const QSqlQuery* failed : {&batch, &timed, &untimed})
      if (failed->lastError().isValid()) FErrorText = failed->lastError().text();
    if (!directError.isEmpty()) FErrorText = directError;
    FImpl->Rollback();
    // An installation added inside the undone transaction is gone too.
    FImpl->Installations.clear();
    return std::nullopt;
  }
  return added;
}

bool THistoryStore::StorePoll(qint64 installation, const QDateTime& taken, const TOPVarList& values) {
  if (!IsOpen()) return false;
  QSqlQuery query(FImpl->Db());
  if (!query.prepare(QString("INSERT INTO polls (installation_id, taken_at, %1, layouts, texts) "
                             "VALUES (?, ?, %2, ?, ?) ON CONFLICT DO NOTHING")
                         .arg(Joined(PollNames()), Placeholders(PollNames().size()))))
    return false;
  query.addBindValue(installation);
  query.addBindValue(taken.toSecsSinceEpoch());
  qint64 layouts = 0;
  QList<std::pair<int, QByteArray>> texts;
  const QByteArrayList polled = ValuesOf(values, PollNames());
  for (int c = 0; c < polled.size(); ++c) {
    const HistoryRecordCodec::TNumber number = HistoryRecordCodec::EncodeNumber(polled[c]);
    query.addBindValue(Nullable(number.Value));
    layouts |= static_cast<qint64>(number.Layout) << (c * 3);
    if (number.Layout == HistoryRecordCodec::kTextLayout) texts.append({c, polled[c]});
  }
  query.addBindValue(layouts);
  query.addBindValue(Blob(HistoryRecordCodec::PackTexts(texts)));
  if (!query.exec()) {
    FErrorText = query.lastError().text();
    return false;
  }
  return true;
}

// Reading ------------------------------------------------------------------

qint64 THistoryStore::CountRecords(qint64 installation, const THistoryPeriod& period) {
  if (!IsOpen()) return 0;
  const auto counted = [this, installation](qint64 from, qint64 to) -> qint64 {
    if (from > to) return 0;
    QSqlQuery query(FImpl->Db());
    query.prepare(
        "SELECT COUNT(*) FROM archive_records WHERE installation_id = ? AND recorded_at >= ? AND recorded_at <= ?");
    query.addBindValue(installation);
    query.addBindValue(from);
    query.addBindValue(to);
    return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
  };
  const qint64 from = FromSeconds(period);
  const qint64 to = ToSeconds(period);
  // The hours wholly inside the period are counted by the hourly summary
  // (a year is 8 760 rows, not 525 600); the records of the part-hours at
  // its two ends one by one.
  // The summary files a moment before 1970 under the hour nearer to 0 (SQL
  // divides towards zero), so the first hour it counts is the one after 0.
  const qint64 wholeFrom = std::max<qint64>(FloorHour(from + 3599), 3600);
  const qint64 wholeTo = FloorHour(to + 1);
  qint64 count = 0;
  if (FImpl->Version < 3 || wholeFrom >= wholeTo) {
    count = counted(from, to);
  } else {
    QSqlQuery hours(FImpl->Db());
    hours.prepare(
        "SELECT SUM(records) FROM archive_summary WHERE installation_id = ? AND hour_start >= ? AND hour_start < ?");
    hours.addBindValue(installation);
    hours.addBindValue(wholeFrom);
    hours.addBindValue(wholeTo);
    count = (hours.exec() && hours.next() ? hours.value(0).toLongLong() : 0) + counted(from, wholeFrom - 1) +
            counted(wholeTo, to);
  }
  if (period.IsOpen()) {
    QSqlQuery untimed(FImpl->Db());
    untimed.prepare("SELECT COUNT(*) FROM untimed_records WHERE installation_id = ?");
    untimed.addBindValue(installation);
    if (untimed.exec() && untimed.next()) count += untimed.value(0).toLongLong();
  }
  return count;
}

QDateTime THistoryStore::NewestMoment(qint64 installation) {
  if (!IsOpen()) return {};
  QSqlQuery query(FImpl->Db());
  query.prepare("SELECT MAX(recorded_at) FROM archive_records WHERE installation_id = ?");
  query.addBindValue(installation);
  if (!query.exec() || !query.next() || query.value(0).isNull()) return {};
  return QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC);
}

QDateTime THistoryStore::OldestMoment(qint64 installation) {
  if (!IsOpen()) return {};
  QSqlQuery query(FImpl->Db());
  query.prepare("SELECT MIN(recorded_at) FROM archive_records WHERE installation_id = ?");
  query.addBindValue(installation);
  if (!query.exec() || !query.next() || query.value(0).isNull()) return {};
  return QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC);
}

bool THistoryStore::ReadRecords(qint64 installation, const THistoryPeriod& period, TDeviceArchive& archive) {
  archive.ClearRecords();
  archive.SetColumns(*ColumnList(ArchiveColumns()));
  if (!IsOpen()) return false;
  QByteArray serial;
  for (const THistoryInstallation& known : Installations())
    if (known.Id == installation) serial = known.SerialNumber;
  const QString numbers = Joined(NumericColumns());
  const int count = NumericColumns().size();
  QSqlQuery query(FImpl->Db());
  query.setForwardOnly(true);
  query.prepare(QString("SELECT recorded_at, %1, layouts, texts FROM archive_records WHERE installation_id = ? "
                        "AND recorded_at >= ? AND recorded_at <= ? ORDER BY recorded_at, digest")
                    .arg(numbers));
  query.addBindValue(installation);
  query.addBindValue(FromSeconds(period));
  query.addBindValue(ToSeconds(period));
  QSqlQuery untimed(FImpl->Db());
  untimed.setForwardOnly(true);
  untimed.prepare(QString("SELECT NULL, %1, layouts, texts FROM untimed_records WHERE installation_id = ? "
                          "ORDER BY digest")
                      .arg(numbers));
  untimed.addBindValue(installation);
  TOPVarList record;
  for (const QByteArray& name : ArchiveColumns()) record.Add(name);
  std::array<std::optional<double>, 17> values;
  for (QSqlQuery* q : {&query, &untimed}) {
    if (q == &untimed && !period.IsOpen()) break;
    if (!q->exec()) {
      archive.ClearRecords();
      FErrorText = q->lastError().text();
      return false;
    }
    while (q->next()) {
      std::optional<qint64> moment;
      if (!q->value(0).isNull()) moment = q->value(0).toLongLong();
      for (int c = 0; c < count; ++c) values[static_cast<size_t>(c)] = NumberAt(*q, c + 1);
      const QByteArrayList texts = HistoryRecordCodec::Decode(moment, values, q->value(count + 1).toLongLong(),
                                                              q->value(count + 2).toByteArray(), serial);
      for (int c = 0; c < texts.size(); ++c) record.GetItem(c)->Value = texts[c];
      archive.AppendRecord(record);
    }
  }
  return true;
}

bool THistoryStore::ReadPolls(qint64 installation, const THistoryPeriod& period, TDeviceArchive& polls) {
  polls.ClearRecords();
  QByteArrayList names = {"TAKEN"};
  names << PollNames();
  polls.SetColumns(*ColumnList(names));
  if (!IsOpen()) return false;
  QSqlQuery query(FImpl->Db());
  query.setForwardOnly(true);
  query.prepare(QString("SELECT taken_at, %1, layouts, texts FROM polls WHERE installation_id = ? "
                        "AND taken_at >= ? AND taken_at <= ? ORDER BY taken_at")
                    .arg(Joined(PollNames())));
  query.addBindValue(installation);
  query.addBindValue(FromSeconds(period));
  query.addBindValue(ToSeconds(period));
  if (!query.exec()) {
    FErrorText = query.lastError().text();
    return false;
  }
  const int count = PollNames().size();
  TOPVarList record;
  for (const QByteArray& name : names) record.Add(name);
  while (query.next()) {
    const QDateTime taken = QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong()).toLocalTime();
    record.GetItem(0)->Value = taken.toString("yyyy-MM-ddTHH:mm:ss").toLatin1();
    const qint64 layouts = query.value(count + 1).toLongLong();
    for (int c = 0; c < count; ++c)
      record.GetItem(c + 1)->Value = HistoryRecordCodec::DecodeNumber(NumberAt(query, c + 1), (layouts >> (3 * c)) & 7);
    for (const auto& [column, text] : HistoryRecordCodec::UnpackTexts(query.value(count + 2).toByteArray()))
      if (column >= 0 && column < count) record.GetItem(column + 1)->Value = text;
    polls.AppendRecord(record);
  }
  return true;
}

THistoryEnvelope THistoryStore::Envelope(qint64 installation, const THistoryPeriod& period,
                                         const QByteArrayList& columns, int width) {
  THistoryEnvelope envelope;
  envelope.Columns = columns;
  width = std::max(width, 1);
  envelope.Buckets.assign(static_cast<size_t>(columns.size()),
                          std::vector<THistoryEnvelope::TBucket>(static_cast<size_t>(width)));
  if (!IsOpen()) return envelope;
  const QDateTime from = period.From.isValid() ? period.From : OldestMoment(installation);
  const QDateTime to = period.To.isValid() ? period.To : NewestMoment(installation);
  if (!from.isValid() || !to.isValid() || to < from) return envelope;
  envelope.From = from;
  envelope.To = to;
  const qint64 first = from.toSecsSinceEpoch();
  const qint64 span = to.toSecsSinceEpoch() - first + 1;
  // Only the numeric columns the store keeps can be outlined.
  QStringList aggregates;
  std::vector<int> asked;
  for (int c = 0; c < columns.size(); ++c) {
    const QByteArray name = columns[c].toLower();
    if (!NumericColumns().contains(name)) continue;
    aggregates << QString("MIN(%1), MAX(%1)").arg(QString::fromLatin1(name));
    asked.push_back(c);
  }
  // A pixel column of an hour or more draws from the hourly summary: a
  // year is 8 760 rows instead of 525 600.
  const bool hourly = span / width >= 3600;
  if (hourly) {
    aggregates.clear();
    for (int c : asked)
      aggregates << QString("MIN(min_%1), MAX(max_%1)").arg(QString::fromLatin1(columns[c].toLower()));
  }
  QSqlQuery query(FImpl->Db());
  query.setForwardOnly(true);
  query.prepare(QString(hourly ? "SELECT (hour_start - ?) * ? / ? AS bucket, SUM(records)%1%2 FROM archive_summary "
                                 "WHERE installation_id = ? AND hour_start >= ? AND hour_start <= ? GROUP BY bucket"
                               : "SELECT (recorded_at - ?) * ? / ? AS bucket, COUNT(*)%1%2 FROM archive_records "
                                 "WHERE installation_id = ? AND recorded_at >= ? AND recorded_at <= ? GROUP BY bucket")
                    .arg(aggregates.isEmpty() ? "" : ", ", aggregates.join(", ")));
  query.addBindValue(first);
  query.addBindValue(qint64(width));
  query.addBindValue(span);
  query.addBindValue(installation);
  // The hour that holds the period's start falls in the first pixel column.
  query.addBindValue(hourly ? first / 3600 * 3600 : first);
  query.addBindValue(to.toSecsSinceEpoch());
  if (!query.exec()) {
    FErrorText = query.lastError().text();
    return envelope;
  }
  while (query.next()) {
    const qint64 pixel = std::clamp<qint64>(query.value(0).toLongLong(), 0, width - 1);
    const int records = query.value(1).toInt();
    for (size_t a = 0; a < asked.size(); ++a) {
      const QVariant min = query.value(2 + 2 * static_cast<int>(a));
      if (min.isNull()) continue;
      const double low = min.toDouble();
      const double high = query.value(3 + 2 * static_cast<int>(a)).toDouble();
      THistoryEnvelope::TBucket& bucket = envelope.Buckets[static_cast<size_t>(asked[a])][static_cast<size_t>(pixel)];
      bucket.Min = bucket.Records ? std::min(bucket.Min, low) : low;
      bucket.Max = bucket.Records ? std::max(bucket.Max, high) : high;
      bucket.Records += records;
    }
  }
  return envelope;
}

qint64 THistoryStore::RecordIntervalSeconds(qint64 installation) {
  if (!IsOpen()) return 0;
  // The most frequent step among the newest records tells the interval the
  // installation was set to; a scan of the whole history is not needed.
  QSqlQuery query(FImpl->Db());
  query.prepare(
      "SELECT step, COUNT(*) AS n FROM (SELECT recorded_at - LAG(recorded_at) OVER (ORDER BY recorded_at) AS step "
      "FROM (SELECT recorded_at FROM archive_records WHERE installation_id = ? ORDER BY recorded_at DESC LIMIT 4096) "
      "AS newest) AS steps WHERE step > 0 GROUP BY step ORDER BY n DESC, step LIMIT 1");
  query.addBindValue(installation);
  if (!query.exec() || !query.next()) return 0;
  return query.value(0).toLongLong();
}

std::vector<THistoryGap> THistoryStore::Gaps(qint64 installation, const THistoryPeriod& period) {
  std::vector<THistoryGap> gaps;
  const qint64 interval = RecordIntervalSeconds(installation);
  if (interval <= 0) return gaps;
  if (sqlite3* db = SqliteHandle(FImpl->Db())) {
    // SQLite keeps a window function's rows in a table of its own; walking
    // the moments in key order and comparing neighbours here reads each
    // once.
    sqlite3_stmt* moments = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT recorded_at FROM archive_records WHERE installation_id = ? AND recorded_at >= ? AND "
                           "recorded_at <= ? ORDER BY recorded_at",
                           -1, &moments, nullptr) != SQLITE_OK) {
      FErrorText = QString::fromUtf8(sqlite3_errmsg(db));
      sqlite3_finalize(moments);
      return gaps;
    }
    sqlite3_bind_int64(moments, 1, installation);
    sqlite3_bind_int64(moments, 2, FromSeconds(period));
    sqlite3_bind_int64(moments, 3, ToSeconds(period));
    std::optional<qint64> previous;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(moments)) == SQLITE_ROW) {
      const qint64 moment = sqlite3_column_int64(moments, 0);
      if (previous && moment - *previous > 3 * interval)
        gaps.push_back(
            {QDateTime::fromSecsSinceEpoch(*previous, Qt::UTC), QDateTime::fromSecsSinceEpoch(moment, Qt::UTC)});
      previous = moment;
    }
    if (stepped != SQLITE_DONE) {
      FErrorText = QString::fromUtf8(sqlite3_errmsg(db));
      gaps.clear();
    }
    sqlite3_finalize(moments);
    return gaps;
  }
  QSqlQuery query(FImpl->Db());
  query.setForwardOnly(true);
  query.prepare(
      "SELECT previous, recorded_at FROM (SELECT recorded_at, LAG(recorded_at) OVER (ORDER BY recorded_at) AS "
      "previous FROM archive_records WHERE installation_id = ? AND recorded_at >= ? AND recorded_at <= ?) AS steps "
      "WHERE recorded_at - previous > ? ORDER BY recorded_at");
  query.addBindValue(installation);
  query.addBindValue(FromSeconds(period));
  query.addBindValue(ToSeconds(period));
  query.addBindValue(3 * interval);
  if (!query.exec()) {
    FErrorText = query.lastError().text();
    return gaps;
  }
  while (query.next())
    gaps.push_back({QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC),
                    QDateTime::fromSecsSinceEpoch(query.value(1).toLongLong(), Qt::UTC)});
  return gaps;
}
