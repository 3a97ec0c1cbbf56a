#pragma once

#include <QString>

class QSqlDatabase;

// The store's tables, version by version. Each step takes the schema from
// one version to the next inside one transaction, so a store is always at a
// whole version; the version table says which.
//
// Version 1: the installations, the timed archive records (keyed by
// installation, moment and content digest, clustered by time so that a
// period is one range of the table) and the records without a valid time
// (keyed by installation and content).
// Version 2: the collector's polls of the measured values.
// Version 3: the least and greatest value of every numeric column per hour,
// so that a chart over months draws from thousands of rows, not millions.
namespace HistorySchema {

constexpr int kLatest = 3;

// The version the database is at; 0 for an empty database, -1 when it
// cannot be read.
int Version(QSqlDatabase& db);
// Migrates up to target (never down). False with the reason in error when a
// step failed (the database then stays at the last whole version) or the
// database is newer than target.
bool Migrate(QSqlDatabase& db, bool postgres, int target, QString& error);

}  // namespace HistorySchema
