#include "AccessRights.h"
#include "DeviceDataFile.h"
#include "InputBlocker.h"
#include "ListBoxLog.h"
#include "PackingFile.h"
#include "Win1251.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString Shown(const TAccessRights& rights) {
  QString text;
  for (bool page : rights.MainPages) text += page ? '1' : '0';
  text += ' ';
  for (bool page : rights.SettingsPages) text += page ? '1' : '0';
  text += ' ';
  for (bool page : rights.SpectrPages) text += page ? '1' : '0';
  return text;
}

}  // namespace

TEST(AccessRights, ItemsShowTheirPagesAndMainPagesFollowTheirSubPages) {
  struct TRow {
    const char* Access;
    const char* Shown;  // main pages, settings sub-pages, spectrum sub-pages
  };
  const TRow rows[] = {
      {"1-1;1-2;", "10000 1100000 00"},
      {"2-1;", "01000 0000000 10"},
      {"3;4", "00110 0000000 00"},
      {"1-;", "00000 0000000 00"},
      {"1", "00000 0000000 00"},
      {"x-2", "10000 0100000 00"},
      {"9-1", "00000 0000000 00"},
      {"1-9", "00000 0000000 00"},
      {"1-x;2-2;5", "11001 1000000 01"},
      {"3-1;4-7;", "00110 0000000 00"},
      {";;-3;1-7;", "10000 0000001 00"},
      {"", "00000 0000000 00"},
      {"1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;", "11111 1111111 11"},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(Shown(TAccessRights::Parse(row.Access)), QString::fromLatin1(row.Shown)) << row.Access;
}

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

TEST(PackingFile, OnlyAFirstLineOfOneTurnsPackingOn) {
  QTemporaryDir dir;
  const QString path = dir.filePath(PackingFile::kFileName);
  EXPECT_FALSE(PackingFile::Load(path)) << "missing";
  const struct {
    QByteArray Content;
    bool On;
  } rows[] = {
      {"1\r\n", true},  {" 1 \n", true},   {"1", true},    {"0\r\n", false},     {"", false},
      {"2\r\n", false}, {"11\r\n", false}, {"yes", false}, {"\r\n1\r\n", false}, {"1" + QByteArray(2000, ' '), false},
  };
  for (const auto& row : rows) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(row.Content);
    file.close();
    EXPECT_EQ(PackingFile::Load(path), row.On) << row.Content.left(20).constData();
  }
  for (const bool on : {true, false}) {
    ASSERT_TRUE(PackingFile::Save(path, on));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), on ? QByteArray("1\r\n") : QByteArray("0\r\n"));
    EXPECT_EQ(PackingFile::Load(path), on);
  }
}

TEST(ListBoxLog, ShowsWin1251LinesAndDropsTheOldest) {
  QListWidget list;
  TListBoxLog log(&list);
  log.AppendLine("-> MODE=??;");
  log.AppendLine(Win1251::FromUnicode(QStringLiteral("<- ТЕСТ")));
  EXPECT_EQ(log.LineCount(), 2);
  EXPECT_EQ(list.item(1)->text(), QStringLiteral("<- ТЕСТ"));
  log.DeleteFirstLine();
  EXPECT_EQ(log.LineCount(), 1);
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("<- ТЕСТ"));
  log.DeleteFirstLine();
  log.DeleteFirstLine();
  EXPECT_EQ(log.LineCount(), 0);
}

TEST(InputBlocker, DropsInputToTheWindowAndToTheWindowsAddedOnlyWhileAScopeIsOpen) {
  QWidget main;
  QPushButton chart(QStringLiteral("График"));
  QPushButton wait(QStringLiteral("Отменить"));
  TInputBlocker blocker(&main);
  blocker.AlsoBlock(&chart);
  const QSignalSpy chartClicks(&chart, &QPushButton::clicked);
  const QSignalSpy waitClicks(&wait, &QPushButton::clicked);
  {
    const TInputBlocker::TScope exchange(blocker);
    QTest::mouseClick(&chart, Qt::LeftButton);
    QTest::mouseClick(&wait, Qt::LeftButton);
  }
  EXPECT_EQ(chartClicks.count(), 0);
  EXPECT_EQ(waitClicks.count(), 1) << "the wait window's cancel button stays heard";
  QTest::mouseClick(&chart, Qt::LeftButton);
  EXPECT_EQ(chartClicks.count(), 1);
}
