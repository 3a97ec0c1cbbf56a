#include "HistorySchema.h"

#include "HistoryRecordCodec.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace HistorySchema {

namespace {

QString NumberColumns(const QByteArrayList& names) {
  QStringList columns;
  for (const QByteArray& name : names) columns << QString::fromLatin1(name) + " DOUBLE PRECISION";
  return columns.join(", ");
}

QString PollColumns() {
  QByteArrayList names;
  for (const char* name : {"SUMALPHA", "SUMBETA", "RADON", "STATUS", "FLOW", "VOLUME", "ALPHAALARM1ON", "ALPHAALARM2ON",
                           "BETAALARM1ON", "BETAALARM2ON"})
    names << QByteArray(name).toLower();
  return NumberColumns(names);
}

QStringList Step(int version, bool postgres) {
  const QString blob = postgres ? "BYTEA" : "BLOB";
  // SQLite keeps a keyed table in its key's order without a second index.
  const QString clustered = postgres ? "" : " WITHOUT ROWID";
  const QString records = NumberColumns(HistoryRecordCodec::NumericColumns());
  switch (version) {
    case 1:
      return {
          "CREATE TABLE qev_schema (version INTEGER NOT NULL)",
          "INSERT INTO qev_schema (version) VALUES (0)",
          QString("CREATE TABLE installations (id %1 PRIMARY KEY, address INTEGER NOT NULL, "
                  "serial_number TEXT NOT NULL, UNIQUE (address, serial_number))")
              .arg(postgres ? "BIGSERIAL" : "INTEGER"),
          QString("CREATE TABLE archive_records (installation_id BIGINT NOT NULL REFERENCES installations (id), "
                  "recorded_at BIGINT NOT NULL, digest BIGINT NOT NULL, %1, layouts BIGINT NOT NULL, texts %2, "
                  "PRIMARY KEY (installation_id, recorded_at, digest))%3")
              .arg(records, blob, clustered),
          QString("CREATE TABLE untimed_records (installation_id BIGINT NOT NULL REFERENCES installations (id), "
                  "digest BIGINT NOT NULL, %1, layouts BIGINT NOT NULL, texts %2, "
                  "PRIMARY KEY (installation_id, digest))%3")
              .arg(records, blob, clustered),
      };
    case 2:
      return {
          QString("CREATE TABLE polls (installation_id BIGINT NOT NULL REFERENCES installations (id), "
                  "taken_at BIGINT NOT NULL, %1, layouts BIGINT NOT NULL, texts %2, "
                  "PRIMARY KEY (installation_id, taken_at))%3")
              .arg(PollColumns(), blob, clustered),
      };
    case 3: {
      QStringList extremes;
      QStringList fill;
      for (const QByteArray& name : HistoryRecordCodec::NumericColumns()) {
        const QString column = QString::fromLatin1(name);
        extremes << QString("min_%1 DOUBLE PRECISION, max_%1 DOUBLE PRECISION").arg(column);
        fill << QString("MIN(%1), MAX(%1)").arg(column);
      }
      return {
          QString("CREATE TABLE archive_summary (installation_id BIGINT NOT NULL REFERENCES installations (id), "
                  "hour_start BIGINT NOT NULL, records BIGINT NOT NULL, %1, "
                  "PRIMARY KEY (installation_id, hour_start))%2")
              .arg(extremes.join(", "), clustered),
          QString("INSERT INTO archive_summary SELECT installation_id, recorded_at / 3600 * 3600 AS hour_start, "
                  "COUNT(*), %1 FROM archive_records GROUP BY installation_id, hour_start")
              .arg(fill.join(", ")),
      };
    }
    default:
      return {};
  }
}

bool Exec(QSqlDatabase& db, const QString& sql, QString& error) {
  QSqlQuery query(db);
  if (query.exec(sql)) return true;
  error = query.lastError().text();
  return false;
}

}  // namespace

int Version(QSqlDatabase& db) {
  if (!db.tables().contains("qev_schema")) return 0;
  QSqlQuery query(db);
  if (!query.exec("SELECT version FROM qev_schema") || !query.next()) return -1;
  return query.value(0).toInt();
}

bool Migrate(QSqlDatabase& db, bool postgres, int target, QString& error) {
  for (;;) {
    // Two programs opening a new store at once: the first one's transaction
    // holds the second until the schema is whole, which then finds it done.
    if (!Exec(db, postgres ? "BEGIN" : "BEGIN IMMEDIATE", error)) return false;
    if (postgres && !Exec(db, "SELECT pg_advisory_xact_lock(7106)", error)) {
      Exec(db, "ROLLBACK", error);
      return false;
    }
    const int version = Version(db);
    if (version < 0 || version > target) {
      error = version < 0 ? QString("the schema version cannot be read")
                          : QString("the store has schema version %1, this program knows %2").arg(version).arg(target);
      QString ignored;
      Exec(db, "ROLLBACK", ignored);
      return false;
    }
    if (version == target) return Exec(db, "COMMIT", error);
    bool ok = true;
    for (const QString& sql : Step(version + 1, postgres)) ok = ok && Exec(db, sql, error);
    ok = ok && Exec(db, QString("UPDATE qev_schema SET version = %1").arg(version + 1), error);
    if (!ok || !Exec(db, "COMMIT", error)) {
      QString ignored;
      Exec(db, "ROLLBACK", ignored);
      return false;
    }
  }
}

}  // namespace HistorySchema
