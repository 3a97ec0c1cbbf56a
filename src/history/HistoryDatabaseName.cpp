#include "HistoryDatabaseName.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

bool THistoryDatabaseName::IsPostgres(const QString& name) {
  return name.startsWith("postgresql://", Qt::CaseInsensitive) || name.startsWith("postgres://", Qt::CaseInsensitive);
}

bool THistoryDatabaseName::Parse(const QString& name, THistoryDatabaseName& parsed, QString& error) {
  THistoryDatabaseName result;
  if (!IsPostgres(name)) {
    if (name.trimmed().isEmpty()) {
      error = "no database named";
      return false;
    }
    result.Path = name;
    parsed = result;
    return true;
  }
  result.Postgres = true;
  const QUrl url(name);
  if (!url.isValid()) {
    error = "not a PostgreSQL address: " + url.errorString();
    return false;
  }
  result.Host = url.host(QUrl::FullyDecoded);
  result.Port = url.port(-1);
  result.Database = url.path(QUrl::FullyDecoded).mid(1);
  result.User = url.userName(QUrl::FullyDecoded);
  result.Password = url.password(QUrl::FullyDecoded);
  QStringList options;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (key == "host") {
      result.Host = value;
    } else if (key == "port") {
      bool ok = false;
      result.Port = value.toInt(&ok);
      if (!ok) {
        error = "not a port number: " + value;
        return false;
      }
    } else if (key == "dbname") {
      result.Database = value;
    } else if (key == "user") {
      result.User = value;
    } else if (key == "password") {
      result.Password = value;
    } else {
      options << key + "=" + value;
    }
  }
  if (result.Database.isEmpty()) {
    error = "the PostgreSQL address names no database";
    return false;
  }
  result.Options = options.join(';');
  parsed = result;
  return true;
}

void THistoryDatabaseName::Apply(QSqlDatabase& db) const {
  if (!Postgres) {
    db.setDatabaseName(Path);
    // A writer waits this long for the other program's transaction.
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=60000");
    return;
  }
  db.setDatabaseName(Database);
  if (!Host.isEmpty()) db.setHostName(Host);
  if (Port > 0) db.setPort(Port);
  if (!User.isEmpty()) db.setUserName(User);
  if (!Password.isEmpty()) db.setPassword(Password);
  if (!Options.isEmpty()) db.setConnectOptions(Options);
}
