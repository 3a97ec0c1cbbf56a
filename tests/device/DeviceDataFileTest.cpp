#include "DeviceDataFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DeviceDataFile, ParsesTwoIntegerLinesOrFallsBackToBothDefaults) {
  struct TRow {
    const char* Content;
    int Period;
    int Number;
  };
  const TRow rows[] = {
      {"15\r\n3\r\n", 15, 3},
      {" 20 \r\n  7\r\n", 20, 7},
      {"15\n3", 15, 3},
      {"abc\r\n3\r\n", 10, 1},
      {"15\r\nxyz\r\n", 10, 1},
      {"15\r\n", 10, 1},
      {"", 10, 1},
      {"0\r\n300\r\n", 0, 300},
      {"15\r\n\r\n", 10, 1},
      {"5\r\n-2\r\nextra\r\n", 5, -2},
  };
  for (const TRow& row : rows) {
    const TDeviceData data = DeviceDataFile::Parse(row.Content);
    EXPECT_EQ(data.TestRequestPeriod, row.Period) << row.Content;
    EXPECT_EQ(data.DeviceNumber, row.Number) << row.Content;
  }
}

TEST(DeviceDataFile, SavesBothLinesWithCrLfAndReadsThemBack) {
  QTemporaryDir dir;
  const QString path = dir.filePath(DeviceDataFile::kFileName);
  EXPECT_EQ(DeviceDataFile::Load(path), TDeviceData{});
  ASSERT_TRUE(DeviceDataFile::Save(path, {25, 7}));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("25\r\n7\r\n"));
  EXPECT_EQ(DeviceDataFile::Load(path), (TDeviceData{25, 7}));
}

TEST(DeviceDataFile, AFailedSaveIsReportedAndLeavesThePreviousFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(DeviceDataFile::kFileName);
  ASSERT_TRUE(DeviceDataFile::Save(path, {25, 7}));
  EXPECT_FALSE(DeviceDataFile::Save(dir.filePath(QStringLiteral("missing/qev.dtf")), {1, 2}));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.dtf")));
  EXPECT_FALSE(DeviceDataFile::Save(dir.filePath(QStringLiteral("folder.dtf")), {1, 2}));
  EXPECT_EQ(DeviceDataFile::Load(path), (TDeviceData{25, 7}));
  EXPECT_EQ(DeviceDataFile::Load(dir.filePath(QStringLiteral("folder.dtf"))), TDeviceData{});
}
