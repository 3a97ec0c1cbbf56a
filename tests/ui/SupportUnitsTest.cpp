#include "CrossThreadLog.h"
#include "LinkThread.h"
#include "ListBoxLog.h"
#include "LogLinesModel.h"
#include "MainController.h"
#include "PackingFile.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "Win1251.h"

#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
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

QStringList Shown(const TListBoxLog& page) {
  QStringList lines;
  for (int row = 0; row < page.Model().rowCount(); ++row) lines << page.Model().index(row, 0).data().toString();
  return lines;
}

QStringList Numbered(int from, int to) {
  QStringList lines;
  for (int i = from; i < to; ++i) lines << QString::number(i);
  return lines;
}

// The page is a ring: whatever way the lines come (one at a time, in
// batches, larger than the page, with drops in between) it holds the
// newest ones in order and never more than its capacity.
TEST(ListBoxLog, TheRingKeepsTheNewestLinesInOrder) {
  const struct {
    const char* what;
    std::function<void(TListBoxLog&)> fill;
    QStringList shown;
  } rows[] = {
      {"Windows-1251 lines, the oldest deleted",
       [](TListBoxLog& log) {
         log.AppendLine("-> MODE=??;");
         log.AppendLine(Win1251::FromUnicode(QStringLiteral("<- ТЕСТ")));
         log.DeleteFirstLine();
       },
       {QStringLiteral("<- ТЕСТ")}},
      {"more deletes than lines",
       [](TListBoxLog& log) {
         log.AppendLine("a");
         log.RemoveFirstLines(3);
         log.DeleteFirstLine();
       },
       {}},
      {"one at a time past the limit",
       [](TListBoxLog& log) {
         for (const QString& line : Numbered(0, 7)) log.AppendLine(line.toLatin1());
       },
       Numbered(2, 7)},
      {"a batch past the limit",
       [](TListBoxLog& log) {
         log.AppendLines(Numbered(0, 3));
         log.AppendLines(Numbered(3, 6));
       },
       Numbered(1, 6)},
      {"a batch larger than the page", [](TListBoxLog& log) { log.AppendLines(Numbered(0, 12)); }, Numbered(7, 12)},
      {"the ring wraps and is cleared",
       [](TListBoxLog& log) {
         log.AppendLines(Numbered(0, 9));
         log.Clear();
         log.AppendLines(Numbered(20, 22));
       },
       Numbered(20, 22)},
      {"drops, then the ring wraps",
       [](TListBoxLog& log) {
         log.AppendLines(Numbered(0, 4));
         log.RemoveFirstLines(2);
         log.AppendLines(Numbered(4, 10));
       },
       Numbered(5, 10)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QListView view;
    TListBoxLog log(&view, 5);
    row.fill(log);
    EXPECT_EQ(Shown(log), row.shown);
    EXPECT_EQ(log.LineCount(), row.shown.size());
  }
  // The program's pages hold 8097 lines.
  QListView view;
  TListBoxLog page(&view);
  page.AppendLines(Numbered(0, 8100));
  EXPECT_EQ(page.LineCount(), 8097);
  EXPECT_EQ(Shown(page).first(), QStringLiteral("3"));
}

// The driver writes the log pages from the link thread: the lines arrive in
// order, in one hand-over however many came since the page's event loop last
// ran, and the count it trims by stays the page's own, also when the
// operator clears a page while lines are still on their way.
TEST(CrossThreadLog, LinesArriveInOneBatchAndTheCountFollowsThePage) {
  QListView view;
  TListBoxLog page(&view);
  page.AppendLine("old");
  TCrossThreadLog log(page, page.LineCount());
  QSignalSpy inserted(&page.Model(), &QAbstractItemModel::rowsInserted);
  QSignalSpy removed(&page.Model(), &QAbstractItemModel::rowsRemoved);
  TLinkThread link;
  link.Run([&] {
    for (int i = 0; i < 3000; ++i) AppendLogLine(&log, "-> A=??; " + QByteArray::number(i));
    for (int i = 0; i < 9000; ++i) AppendLogLine(&log, "<- A=1; " + QByteArray::number(i));
  });
  EXPECT_EQ(log.LineCount(), TLogSink::kMaxLines);
  EXPECT_EQ(page.LineCount(), 1) << "nothing arrives before the page's event loop runs";
  QCoreApplication::processEvents();
  EXPECT_EQ(inserted.size(), 1);
  EXPECT_LE(removed.size(), 1);
  ASSERT_EQ(page.LineCount(), TLogSink::kMaxLines);
  EXPECT_EQ(Shown(page).first(), QStringLiteral("<- A=1; 903"));
  EXPECT_EQ(Shown(page).last(), QStringLiteral("<- A=1; 8999"));

  // A page at its limit: each line still drops the oldest one.
  link.Run([&] { AppendLogLine(&log, "-> B=??;"); });
  QCoreApplication::processEvents();
  EXPECT_EQ(page.LineCount(), TLogSink::kMaxLines);
  EXPECT_EQ(Shown(page).first(), QStringLiteral("<- A=1; 904"));

  link.Run([&] { log.AppendLine("<- B=2;"); });
  log.Clear();
  EXPECT_EQ(log.LineCount(), 1) << "the line on its way still counts";
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(page), QStringList{"<- B=2;"});
  link.Run([&] {
    log.DeleteFirstLine();
    log.DeleteFirstLine();
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(log.LineCount(), 0);
  EXPECT_EQ(page.LineCount(), 0);
}

// One command at a time: what is asked for while one runs waits for its end,
// in the order asked, and an action that starts a command leaves the rest
// for that command's end; an exception leaving a step is shown and the state
// returns to idle.
TEST(MainController, ActionsWaitForTheRunningCommandInOrderOneCommandAtATime) {
  QWidget window;
  QListView commList;
  QListView debugList;
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
