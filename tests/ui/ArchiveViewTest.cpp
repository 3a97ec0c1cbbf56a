#include "ArchiveColumnWidths.h"
#include "ArchiveGenerator.h"
#include "DeviceArchive.h"
#include "DeviceArchiveParamSelector.h"
#include "DeviceArchiveView.h"
#include "NGAS.h"
#include "ScriptedDialogs.h"
#include "Win1251.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kSumAlphaCaption = QStringLiteral("Измеренная объемная активность альфа-излучателей (Бк/м**3)");

std::unique_ptr<TOPVarList> Names(std::initializer_list<const char*> names) {
  auto list = std::make_unique<TOPVarList>();
  for (const char* name : names) list->Add(name);
  return list;
}

// Records 1..count of the emulated installation with these columns.
void FillArchive(TDeviceArchive& archive, const TOPVarList& columns, int count) {
  const TArchiveGenerator generator(count, QDateTime(QDate(2026, 3, 7), QTime(14, 0)), 3600,
                                    {"KEV-0042", "1000", "5000", "2000", "8000"});
  archive.SetColumns(columns);
  for (int n = 1; n <= count; ++n) {
    TOPVarList record;
    for (int c = 0; c < columns.Count(); ++c) {
      const QByteArray name = columns.GetItem(c)->Name;
      record.Add(name, {}, generator.Value(name, n).value_or("7"));
    }
    archive.AppendRecord(record);
  }
}

// The width fitting as described: every text measured, the widest plus 7.
// A cell elides a text that lacks even a fraction of a pixel.
int MeasuredWidth(const QTableView* grid, int column) {
  const QFontMetricsF font(grid->font());
  qreal widest = font.horizontalAdvance(grid->model()->headerData(column, Qt::Horizontal).toString());
  for (int row = 0; row < grid->model()->rowCount(); ++row)
    widest = std::max(widest, font.horizontalAdvance(grid->model()->index(row, column).data().toString()));
  return std::max(static_cast<int>(std::ceil(widest)) + 7, 10);
}

void MoveMouse(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

}  // namespace

TEST(DeviceArchiveView, ShowsEveryRecordWithColumnsAsWideAsTheirWidestTextPlusSeven) {
  TNGAS catalogue(nullptr);
  TDeviceArchiveView view;
  const QTableView* grid = view.ArchiveGrid();
  struct TRow {
    const TOPVarList& Columns;
    int Records;
  };
  // Three records of the six default variables, and many of all nineteen,
  // whose widths are found without measuring every text.
  for (const TRow& row : {TRow{catalogue.ArchDefaultMaskVarList(), 3}, TRow{catalogue.ArchVarList(), 600}}) {
    TDeviceArchive archive;
    FillArchive(archive, row.Columns, row.Records);
    view.SetVarLists(&catalogue.ArchVarList(), &catalogue.ArchCaptionVarList());
    view.SetArchive(archive);
    ASSERT_EQ(grid->model()->rowCount(), row.Records);
    ASSERT_EQ(grid->model()->columnCount(), row.Columns.Count());
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(),
              Win1251::ToUnicode(row.Columns.GetItem(1)->Name));
    EXPECT_EQ(grid->model()->index(row.Records - 1, 0).data().toString(),
              Win1251::ToUnicode(archive.Record(row.Records - 1)->GetItem(0)->Value));
    for (int c = 0; c < row.Columns.Count(); ++c)
      EXPECT_EQ(grid->columnWidth(c), MeasuredWidth(grid, c)) << row.Columns.GetItem(c)->Name.constData();
  }

  // No records: an empty table without a header; a record short of values
  // shows the missing ones empty.
  TDeviceArchive empty;
  empty.SetColumns(catalogue.ArchDefaultMaskVarList());
  view.SetArchive(empty);
  EXPECT_EQ(grid->model()->columnCount(), 0);
  EXPECT_EQ(grid->model()->rowCount(), 0);
  TDeviceArchive shortRecord;
  shortRecord.SetColumns(*Names({"DATETIME", "RADON"}));
  shortRecord.AppendRecord(*Names({"DATETIME"}));
  view.SetArchive(shortRecord);
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QString());
}

TEST(DeviceArchiveView, CaptionFollowsTheCursorColumnAndColumnCaptionsSkipUnknownNames) {
  TNGAS catalogue(nullptr);
  TDeviceArchiveView view;
  view.resize(600, 300);
  view.show();
  TDeviceArchive archive;
  FillArchive(archive, *Names({"sumalpha", "NOSUCHVAR", "Radon"}), 3);
  view.SetVarLists(&catalogue.ArchVarList(), &catalogue.ArchCaptionVarList());
  view.SetArchive(archive);

  ASSERT_NE(view.ColumnCaptions(), nullptr);
  ASSERT_EQ(view.ColumnCaptions()->Count(), 2);
  EXPECT_EQ(Win1251::ToUnicode(view.ColumnCaptions()->GetItem(0)->Name), kSumAlphaCaption);

  QTableView* grid = view.ArchiveGrid();
  // Over the header nothing is selected; over a data cell that cell becomes
  // current without a click.
  MoveMouse(grid->horizontalHeader(), {5, 5});
  EXPECT_FALSE(grid->currentIndex().isValid());
  const auto cellCentre = [grid](int row, int column) {
    return QPoint(grid->columnViewportPosition(column) + 3, grid->rowViewportPosition(row) + 3);
  };
  MoveMouse(grid->viewport(), cellCentre(1, 0));
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  EXPECT_EQ(view.ReferencePanel()->text(), kSumAlphaCaption);
  MoveMouse(grid->viewport(), cellCentre(2, 1));
  EXPECT_EQ(view.ReferencePanel()->text(), QString());
  QTest::keyClick(grid, Qt::Key_Right);
  EXPECT_EQ(grid->currentIndex().column(), 2);
  EXPECT_EQ(view.ReferencePanel()->text(),
            Win1251::ToUnicode(catalogue.ArchCaptionVarList().GetItem(ArchVar::RADON)->Name));

  // Without a catalogue the archive's own captions are taken by position.
  TOPVarList captions;
  captions.Add(Win1251::FromUnicode(QStringLiteral("первая")));
  captions.Add(Win1251::FromUnicode(QStringLiteral("вторая")));
  archive.SetCaptions(captions);
  view.SetVarLists(nullptr, nullptr);
  view.SetArchive(archive);
  view.ShowColumnCaption(1);
  EXPECT_EQ(view.ReferencePanel()->text(), QStringLiteral("вторая"));
  view.ShowColumnCaption(2);
  EXPECT_EQ(view.ReferencePanel()->text(), QString());
}

class ArchiveParamSelectorTest : public testing::Test {
 protected:
  void SetUp() override {
    FSelector.SetVarLists(FCatalogue.ArchVarList(), FCatalogue.ArchCaptionVarList(),
                          FCatalogue.ArchDefaultMaskVarList());
  }
  QStringList Marked() const {
    QStringList marked;
    for (int row = 0; row < FSelector.VarListGrid()->rowCount(); ++row)
      if (FSelector.IsMarked(row)) marked << FSelector.VarListGrid()->item(row, 0)->text();
    return marked;
  }
  static QStringList NamesOf(const TOPVarList* list) {
    QStringList names;
    for (int i = 0; list && i < list->Count(); ++i) names << Win1251::ToUnicode(list->GetItem(i)->Name);
    return names;
  }
  QString Path(const char* name) const { return FDir.filePath(QString::fromLatin1(name)); }
  void Write(const char* name, const QByteArray& bytes) const {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  const QStringList kDefault = {"DATETIME", "SUMALPHA", "SUMBETA", "RADON", "FLOW", "VOLUME"};
  QTemporaryDir FDir;
  TNGAS FCatalogue{nullptr};
  TScriptedDialogs FDialogs;
  TArchiveParamSelector FSelector{FDialogs};
};

TEST_F(ArchiveParamSelectorTest, DefaultMarksRecordCountAndExecute) {
  EXPECT_EQ(Marked(), kDefault);
  EXPECT_EQ(NamesOf(FSelector.ResultVarList()).size(), 19);
  EXPECT_EQ(FSelector.OptionsCaption(), QStringLiteral(" Настройки выборки "));

  FSelector.SetTotalArchSize(250);
  EXPECT_EQ(FSelector.OptionsCaption(), QStringLiteral(" Настройки выборки  (архив содержит 250 записей) "));
  EXPECT_EQ(FSelector.LowRange(), 1);
  EXPECT_EQ(FSelector.HighRange(), 250);
  FSelector.SetLowRange(100);
  FSelector.SetStep(0);
  FSelector.SetHighRange(900);
  FSelector.SetTotalArchSize(250);
  EXPECT_EQ(FSelector.LowRange(), 100);
  EXPECT_EQ(FSelector.Step(), 1);
  EXPECT_EQ(FSelector.HighRange(), 250);
  FSelector.SetTotalArchSize(-4);
  EXPECT_EQ(FSelector.TotalArchSize(), 0);
  EXPECT_EQ(FSelector.HighRange(), 1);

  // Cancel keeps the result but not the marks' state; OK takes the marks.
  FSelector.SetMark(0, true);
  EXPECT_FALSE(FSelector.Execute());
  EXPECT_EQ(NamesOf(FSelector.ResultVarList()).size(), 19);
  EXPECT_TRUE(FSelector.IsMarked(0));
  FDialogs.DialogAnswers.push_back([](QDialog&) { return QDialog::Accepted; });
  EXPECT_TRUE(FSelector.Execute());
  EXPECT_EQ(NamesOf(FSelector.ResultVarList()), QStringList{"MODE"} + kDefault);
  FSelector.ApplyMask({});
  FDialogs.DialogAnswers.push_back([](QDialog&) { return QDialog::Accepted; });
  EXPECT_TRUE(FSelector.Execute());
  EXPECT_EQ(FSelector.ResultVarList()->Count(), 0);
}

TEST_F(ArchiveParamSelectorTest, TemplatesLoadSaveAndKeepTheDialogOnFailure) {
  FSelector.SetTotalArchSize(250);
  struct TRow {
    QByteArray File;
    int Step, Low, High;
    QStringList Marked;
  };
  const TRow rows[] = {
      {"5\r\n10\r\n40\r\nsumalpha\r\nRADON\r\nNOSUCHVAR\r\n", 5, 10, 40, {"SUMALPHA", "RADON"}},
      {"five\r\n3\r\n\r\nFLOW\r\n", 1, 3, 250, {"FLOW"}},
      {"2", 2, 1, 250, {}},
  };
  for (const TRow& row : rows) {
    Write("t.ash", row.File);
    EXPECT_TRUE(FSelector.LoadTemplate(Path("t.ash"))) << row.File.constData();
    EXPECT_EQ(Marked(), row.Marked) << row.File.constData();
    EXPECT_EQ(FSelector.Step(), row.Step) << row.File.constData();
    EXPECT_EQ(FSelector.LowRange(), row.Low) << row.File.constData();
    EXPECT_EQ(FSelector.HighRange(), row.High) << row.File.constData();
  }
  EXPECT_FALSE(FSelector.LoadTemplate(Path("missing.ash")));
  EXPECT_EQ(FSelector.Step(), 2);

  // Saved through the file dialog: a name without an extension gets ".ash";
  // nothing marked gives the three numbers alone. Loaded back through it.
  FSelector.SetStep(3);
  FDialogs.FileNames = {Path("choice")};
  FSelector.BitBtn2Click();
  QFile saved(Path("choice.ash"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), "3\r\n1\r\n250\r\n");
  FSelector.BitBtn3Click();
  EXPECT_EQ(Marked(), kDefault);
  FDialogs.FileNames = {Path("choice.ash")};
  FSelector.BitBtn1Click();
  EXPECT_EQ(Marked(), QStringList());
  EXPECT_EQ(FSelector.Step(), 3);
}

TEST_F(ArchiveParamSelectorTest, SpaceClickOnTheMarkAndDoubleClickOnTheNameToggleOnce) {
  FSelector.show();
  QTableWidget* grid = FSelector.VarListGrid();
  const auto cell = [grid](int row, int column) { return grid->visualItemRect(grid->item(row, column)).center(); };

  grid->setCurrentCell(0, 0);
  QTest::keyClick(grid, Qt::Key_Space);
  EXPECT_TRUE(FSelector.IsMarked(0));
  QTest::keyClick(grid, Qt::Key_Space, Qt::ShiftModifier);
  EXPECT_TRUE(FSelector.IsMarked(0));

  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell(2, 1));
  EXPECT_TRUE(FSelector.IsMarked(2));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell(2, 0));
  EXPECT_TRUE(FSelector.IsMarked(2));
  // What the window system sends for a double click: a click, then the
  // double click in place of the second press. On the name or on the mark,
  // the row toggles once.
  for (const int column : {0, 1}) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell(3, column));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell(3, column));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell(3, column));
    EXPECT_EQ(FSelector.IsMarked(3), column == 0) << column;
  }
  EXPECT_EQ(FSelector.VarCaptionText(), Win1251::ToUnicode(FCatalogue.ArchCaptionVarList().GetItem(3)->Name));

  MoveMouse(grid->viewport(), cell(14, 1));
  EXPECT_EQ(grid->currentRow(), 14);
  EXPECT_EQ(grid->currentColumn(), 0);
  EXPECT_EQ(FSelector.VarCaptionText(), kSumAlphaCaption);
}
