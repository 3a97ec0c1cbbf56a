#pragma once

#include "DeviceArchive.h"
#include "HistoryStore.h"
#include "PostgresCluster.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

enum class TBackend { SQLite, PostgreSQL };

inline std::string BackendName(const testing::TestParamInfo<TBackend>& info) {
  return info.param == TBackend::SQLite ? "SQLite" : "PostgreSQL";
}

// Every history test runs on both databases: a new SQLite file in a
// temporary folder, or a new database of the test program's PostgreSQL
// cluster.
class THistoryBackendTest : public testing::TestWithParam<TBackend> {
 protected:
  void SetUp() override {
    if (GetParam() == TBackend::SQLite) {
      FName = FFolder.filePath("history.sqlite");
      return;
    }
    TPostgresCluster& cluster = TPostgresCluster::Instance();
    if (!cluster.Running()) GTEST_SKIP() << "PostgreSQL not available: " << cluster.Failure().toStdString();
    FName = cluster.NewDatabase();
    ASSERT_FALSE(FName.isEmpty()) << "cannot create a database in the test cluster";
  }

  // Every record of the installation as text lines, for comparing stores
  // with installations.
  static QByteArrayList Lines(const TDeviceArchive& archive) {
    QByteArrayList lines;
    for (int r = 0; r < archive.RecordCount(); ++r) {
      QByteArrayList values;
      for (int c = 0; c < archive.ValueCount(r); ++c) values << archive.Value(r, c);
      lines << values.join('|');
    }
    return lines;
  }

  QTemporaryDir FFolder;
  QString FName;
};
