#include "CrossThreadLog.h"
#include "LinkThread.h"
#include "ListBoxLog.h"
#include "MainController.h"
#include "PackingFile.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "Win1251.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

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

// The driver writes the log pages from the link thread: the lines arrive in
// order, and the count it trims by stays the page's own, also when the
// operator clears a page while lines are still on their way.
TEST(CrossThreadLog, LinesArriveInOrderAndTheCountFollowsThePage) {
  QListWidget list;
  TListBoxLog page(&list);
  page.AppendLine("old");
  QObject context;
  TCrossThreadLog log(page, &context, page.LineCount());
  TLinkThread link;
  link.Run([&] {
    for (const char* line : {"-> A=??;", "<- A=1;", "-> B=??;"}) log.AppendLine(line);
    log.DeleteFirstLine();
  });
  EXPECT_EQ(log.LineCount(), 3);
  EXPECT_EQ(list.count(), 1) << "nothing arrives before the page's event loop runs";
  QCoreApplication::processEvents();
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("-> A=??;"));

  link.Run([&] { log.AppendLine("<- B=2;"); });
  log.Clear();
  EXPECT_EQ(log.LineCount(), 1) << "the line on its way still counts";
  QCoreApplication::processEvents();
  EXPECT_EQ(list.count(), 1);
  link.Run([&] {
    log.DeleteFirstLine();
    log.DeleteFirstLine();
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(log.LineCount(), 0);
  EXPECT_EQ(list.count(), 0);
}

// One command at a time: what is asked for while one runs waits for its end,
// in the order asked, and an action that starts a command leaves the rest
// for that command's end; an exception leaving a step is shown and the state
// returns to idle.
TEST(MainController, ActionsWaitForTheRunningCommandInOrderOneCommandAtATime) {
  QWidget window;
  QListWidget commList;
  QListWidget debugList;
  TListBoxLog commLog(&commList);
  TListBoxLog debugLog(&debugList);
  TScriptedDialogs dialogs;
  TMainController controller(window, dialogs, std::make_unique<TQtSerialPort>(), commLog, debugLog);

  QStringList done;
  TMainController::TBusyToken first = controller.Begin(TBusyState::Writing);
  ASSERT_TRUE(first);
  EXPECT_FALSE(controller.Begin(TBusyState::Reading)) << "refused while the write runs";
  TMainController::TBusyToken second;
  controller.WhenIdle([&] {
    done << "A";
    second = controller.Begin(TBusyState::Reading);
  });
  controller.WhenIdle([&] { done << "B"; });
  QCoreApplication::processEvents();
  EXPECT_TRUE(done.isEmpty());
  first.reset();
  EXPECT_EQ(controller.BusyState(), TBusyState::Idle);
  EXPECT_TRUE(done.isEmpty()) << "not inside the end of the command";
  QCoreApplication::processEvents();
  EXPECT_EQ(done, QStringList{"A"});
  EXPECT_EQ(controller.BusyState(), TBusyState::Reading);
  second.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(done, (QStringList{"A", "B"}));
  EXPECT_TRUE(controller.Settled());

  controller.WhenIdle([] { throw std::runtime_error("broken"); });
  ASSERT_EQ(dialogs.Texts(), QStringList{QStringLiteral("Ошибочное действие : broken")});
  EXPECT_TRUE(controller.Settled());
}
