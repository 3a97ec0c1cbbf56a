#include "PostgresCluster.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr char kUser[] = "qev";
std::unique_ptr<TPostgresCluster> gCluster;

QString FindBinaries() {
  const QDir versions("/usr/lib/postgresql");
  QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
  for (const QString& version : found) {
    const QString bin = versions.filePath(version + "/bin");
    if (QFileInfo(bin + "/initdb").isExecutable() && QFileInfo(bin + "/pg_ctl").isExecutable()) return bin;
  }
  return {};
}

bool GiveToNobody(const QString& folder, uid_t uid, gid_t gid) {
  if (::chown(QFile::encodeName(folder).constData(), uid, gid) != 0) return false;
  QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext())
    if (::lchown(QFile::encodeName(it.next()).constData(), uid, gid) != 0) return false;
  return true;
}

}  // namespace

TPostgresCluster& TPostgresCluster::Instance() {
  if (!gCluster) gCluster.reset(new TPostgresCluster);
  return *gCluster;
}

void TPostgresCluster::Shutdown() {
  if (gCluster) gCluster->Stop();
  gCluster.reset();
}

bool TPostgresCluster::Run(const QStringList& command, QString& output) const {
  QStringList arguments = command;
  QString program = arguments.takeFirst();
  if (FAsNobody) {
    arguments.prepend(program);
    arguments = QStringList{"-u", "nobody", "--"} + arguments;
    program = "runuser";
  }
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(FFolder->path());
  process.start(program, arguments);
  const bool finished = process.waitForFinished(120000);
  output = QString::fromLocal8Bit(process.readAll());
  return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

TPostgresCluster::TPostgresCluster() : FFolder(std::make_unique<QTemporaryDir>("/tmp/qev-pg-XXXXXX")) {
  FBin = FindBinaries();
  if (FBin.isEmpty()) {
    FFailure = "no PostgreSQL server binaries under /usr/lib/postgresql";
    return;
  }
  if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
    FFailure = "Qt's PostgreSQL driver (libqt6sql6-psql) is not installed";
    return;
  }
  if (!FFolder->isValid()) {
    FFailure = "no temporary folder";
    return;
  }
  if (::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || !GiveToNobody(FFolder->path(), nobody->pw_uid, nobody->pw_gid)) {
      FFailure = "cannot hand the cluster's folder to nobody";
      return;
    }
    FAsNobody = true;
  }
  const QString data = FFolder->filePath("data");
  QString output;
  if (!Run({FBin + "/initdb", "-D", data, "-U", kUser, "--auth=trust", "-E", "UTF8", "--no-sync", "--locale=C"},
           output)) {
    FFailure = "initdb failed: " + output;
    return;
  }
  // No TCP port: the socket in the folder only, no fsync for speed.
  const QString options = QString("-k %1 -c listen_addresses= -F").arg(FFolder->path());
  if (!Run({FBin + "/pg_ctl", "-D", data, "-o", options, "-l", FFolder->filePath("server.log"), "-w", "start"},
           output)) {
    FFailure = "pg_ctl start failed: " + output;
    return;
  }
  FRunning = true;
}

void TPostgresCluster::Stop() {
  if (!FRunning) return;
  QString output;
  Run({FBin + "/pg_ctl", "-D", FFolder->filePath("data"), "-m", "fast", "-w", "stop"}, output);
  FRunning = false;
}

QString TPostgresCluster::NewDatabase() {
  if (!FRunning) return {};
  const QString name = QString("history_%1").arg(++FDatabases);
  {
    QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "qev-test-admin");
    admin.setHostName(FFolder->path());
    admin.setUserName(kUser);
    admin.setDatabaseName("postgres");
    bool ok = admin.open();
    if (ok) {
      QSqlQuery query(admin);
      ok = query.exec("CREATE DATABASE " + name);
    }
    admin.close();
    if (!ok) return {};
  }
  QSqlDatabase::removeDatabase("qev-test-admin");
  return QString("postgresql:///%1?host=%2&user=%3").arg(name, FFolder->path(), kUser);
}
