#include "InputBlocker.h"
#include "ListBoxLog.h"
#include "PackingFile.h"
#include "Win1251.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

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
