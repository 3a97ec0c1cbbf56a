#pragma once

#include <QString>

class QSqlDatabase;

// The one text that names a store: an SQLite file's path, or a PostgreSQL
// address in libpq's URI form,
//   postgresql://[user[:password]@][host][:port]/dbname[?host=/socket/dir&...]
// (postgres:// too). Further parameters of the address (sslmode=require, …)
// go to libpq as they are.
struct THistoryDatabaseName {
  bool Postgres = false;
  QString Path;  // the SQLite file
  QString Host;  // a host name, or a folder holding the server's socket
  int Port = -1;
  QString Database;
  QString User;
  QString Password;  // empty: libpq asks ~/.pgpass itself
  QString Options;   // further libpq parameters, "key=value;key=value"

  static bool IsPostgres(const QString& name);
  // False, with the reason, for an address that names no database.
  static bool Parse(const QString& name, THistoryDatabaseName& parsed, QString& error);
  // Sets up a new connection of the matching Qt driver.
  void Apply(QSqlDatabase& db) const;
};
