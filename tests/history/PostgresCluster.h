#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private PostgreSQL server for the tests: a cluster made with initdb in a
// temporary folder, listening on a socket there only, started once for the
// test program and stopped at its end. The server refuses to run as root, so
// under root it runs as nobody in a folder given to nobody.
class TPostgresCluster {
 public:
  // The one cluster of the program, started on first use.
  static TPostgresCluster& Instance();
  // Stops the server when it was started.
  static void Shutdown();

  bool Running() const { return FRunning; }
  // Why there is no server (no binaries, initdb or the start failed).
  const QString& Failure() const { return FFailure; }
  // A new empty database; its name for THistoryStore, empty on failure.
  QString NewDatabase();

 private:
  TPostgresCluster();
  bool Run(const QStringList& command, QString& output) const;
  void Stop();

  std::unique_ptr<QTemporaryDir> FFolder;
  QString FBin;
  bool FAsNobody = false;
  bool FRunning = false;
  QString FFailure;
  int FDatabases = 0;
};
