#include "DeviceArchive.h"
#include "Win1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

TOPVarList& Fill(TOPVarList& list, const QByteArrayList& names, const QByteArrayList& values = {}) {
  for (int i = 0; i < names.size(); ++i) list.Add(names[i], {}, i < values.size() ? values[i] : QByteArray());
  return list;
}

QByteArrayList Names(const TOPVarList* list) {
  QByteArrayList names;
  for (int i = 0; list && i < list->Count(); ++i) names.append(list->GetItem(i)->Name);
  return names;
}

QByteArrayList Values(const TDeviceArchive& archive, int record) {
  QByteArrayList values;
  for (int i = 0; i < archive.ValueCount(record); ++i) values.append(archive.Value(record, i));
  return values;
}

// An archive with these columns and records of those values.
void Build(TDeviceArchive& archive, const QByteArrayList& columns, const QList<QByteArrayList>& rows,
           const QByteArrayList& captions = {}) {
  TOPVarList columnList;
  archive.SetColumns(Fill(columnList, columns));
  if (!captions.isEmpty()) {
    TOPVarList captionList;
    archive.SetCaptions(Fill(captionList, captions));
  }
  for (const QByteArrayList& row : rows) {
    TOPVarList record;
    archive.AppendRecord(Fill(record, columns, row));
  }
}

QByteArray Cp1251(const char* utf8) { return Win1251::FromUnicode(QString::fromUtf8(utf8)); }

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

TEST(DeviceArchive, KeepsCopiesOfColumnsCaptionsAndRecords) {
  TDeviceArchive archive;
  EXPECT_EQ(archive.Columns(), nullptr);
  EXPECT_EQ(archive.Captions(), nullptr);
  EXPECT_EQ(archive.RecordCount(), 0);

  TOPVarList columns;
  archive.SetColumns(Fill(columns, {"DATETIME", "RADON"}));
  columns.Add("EXTRA");
  TOPVarList record;
  Fill(record, {"DATETIME", "RADON"}, {"d", "1"});
  record.GetItem(0)->Index = "A007";
  archive.AppendRecord(record);
  record.GetItem(1)->Value = "2";
  archive.AppendRecord(record);

  EXPECT_EQ(Names(archive.Columns()), QByteArrayList({"DATETIME", "RADON"}));
  ASSERT_EQ(archive.RecordCount(), 2);
  EXPECT_EQ(Values(archive, 0), QByteArrayList({"d", "1"}));
  EXPECT_EQ(archive.Record(0)->GetItem(0)->Index, "A007");
  EXPECT_EQ(Values(archive, 1), QByteArrayList({"d", "2"}));
  EXPECT_EQ(archive.Record(2), nullptr);
  EXPECT_EQ(archive.Record(-1), nullptr);
  EXPECT_EQ(archive.Value(1, 1), "2");
  for (const auto& [record, column] : {std::pair{2, 0}, std::pair{-1, 0}, std::pair{0, 2}, std::pair{0, -1}})
    EXPECT_EQ(archive.Value(record, column), QByteArray()) << record << ' ' << column;

  archive.ClearRecords();
  EXPECT_EQ(archive.RecordCount(), 0);
  EXPECT_EQ(Names(archive.Columns()), QByteArrayList({"DATETIME", "RADON"}));
}

TEST(DeviceArchive, CopyToMakesAnIndependentEqualArchive) {
  TDeviceArchive archive;
  Build(archive, {"A", "B"}, {{"1", "2"}, {"3", "4"}}, {"first", "second"});

  std::unique_ptr<TDeviceArchive> slot;
  archive.CopyTo(slot);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->SaveToBytes(), archive.SaveToBytes());

  // An archive already in the slot loses its records, columns and captions.
  TDeviceArchive other;
  Build(other, {"X"}, {{"9"}, {"8"}, {"7"}});
  other.CopyTo(slot);
  EXPECT_EQ(slot->RecordCount(), 3);
  EXPECT_EQ(slot->Captions(), nullptr);
  archive.CopyTo(slot);
  EXPECT_EQ(slot->RecordCount(), 2);
  EXPECT_EQ(Names(slot->Captions()), QByteArrayList({"first", "second"}));

  archive.ClearRecords();
  EXPECT_EQ(slot->RecordCount(), 2);

  // The copy holds the same texts until one of the two appends a record.
  Build(archive, {"A", "B"}, {{"1", "2"}});
  archive.CopyTo(slot);
  EXPECT_EQ(slot->ValueView(0, 1).data(), archive.ValueView(0, 1).data());
  TOPVarList record;
  slot->AppendRecord(Fill(record, {"A", "B"}, {"5", "6"}));
  archive.AppendRecord(record);
  archive.AppendRecord(record);
  EXPECT_EQ(slot->RecordCount(), 2);
  EXPECT_EQ(archive.RecordCount(), 3);
  EXPECT_EQ(Values(*slot, 0), QByteArrayList({"1", "2"}));
  EXPECT_EQ(Values(archive, 2), QByteArrayList({"5", "6"}));
}

TEST(DeviceArchive, CellsKeepTheirTextsWhateverTheirLengthAndNeighbours) {
  // Rows of differing lengths, values repeated from the row before in the
  // same column and in another one, empty values, and texts long enough to
  // need more than one byte for their length.
  const QList<QByteArrayList> rows = {
      {"1", "x", ""},
      {"1", "1"},
      {"", "x", "y", "z"},
      {QByteArray(200, 'a'), QByteArray(20000, 'b'), "x"},
      {QByteArray(200, 'a'), QByteArray(20000, 'b'), "x"},
      {},
      {"1"},
  };
  TDeviceArchive archive;
  for (const QByteArrayList& row : rows) {
    TOPVarList record;
    for (const QByteArray& value : row) record.Add("V", {}, value);
    archive.AppendRecord(record);
  }
  ASSERT_EQ(archive.RecordCount(), rows.size());
  for (int i = 0; i < rows.size(); ++i) EXPECT_EQ(Values(archive, i), rows[i]) << "record " << i;

  const struct { int record, column; } outside[] = {{-1, 0}, {0, -1}, {1, 2}, {5, 0}, {6, 1}, {int(rows.size()), 0}};
  for (const auto& cell : outside) EXPECT_EQ(archive.Value(cell.record, cell.column), QByteArray());

  // A whole record is named after the columns, beyond them after the first
  // record's variables, and carries its archive index.
  TDeviceArchive read;
  TOPVarList columns;
  read.SetColumns(Fill(columns, {"DATETIME"}));
  TOPVarList record;
  Fill(record, {"DATETIME", "RADON"}, {"d", "5"});
  record.GetItem(0)->Index = "A012";
  read.AppendRecord(record);
  EXPECT_EQ(Names(read.Record(0).get()), QByteArrayList({"DATETIME", "RADON"}));
  EXPECT_EQ(read.Record(0)->GetItem(1)->Index, "A012");
  EXPECT_EQ(read.Record(1), nullptr);
}

TEST(DeviceArchiveFile, WritesTheDocumentedLayoutByteForByte) {
  const QByteArray dateCaption = Cp1251("Дата и время измерения");
  const QByteArray alphaCaption = Cp1251("Измеренная объемная активность альфа-излучателей (Бк/м**3)");
  TDeviceArchive archive;
  Build(archive, {"DATETIME", "SUMALPHA"}, {{"07/03/2005 14.05.09", "12.5"}}, {dateCaption, alphaCaption});

  const QByteArray expected = "DATETIME  " + dateCaption + "\r\n" +  //
                              "SUMALPHA  " + alphaCaption + "\r\n" +
                              "\r\n"
                              "\r\n"
                              "DATETIME             SUMALPHA  \r\n"
                              "07/03/2005 14.05.09  12.5      \r\n";
  EXPECT_EQ(archive.SaveToBytes(), expected);

  TDeviceArchive loaded;
  ASSERT_TRUE(loaded.LoadFromBytes(expected));
  EXPECT_EQ(Names(loaded.Columns()), QByteArrayList({"DATETIME", "SUMALPHA"}));
  EXPECT_EQ(Names(loaded.Captions()), QByteArrayList({dateCaption, alphaCaption}));
  ASSERT_EQ(loaded.RecordCount(), 1);
  EXPECT_EQ(Values(loaded, 0), QByteArrayList({"07/03/2005 14.05.09", "12.5"}));
  EXPECT_EQ(Names(loaded.Record(0).get()), QByteArrayList({"DATETIME", "SUMALPHA"}));
}

TEST(DeviceArchiveFile, HeaderOnlyWithoutRecordsAndNoCaptionsWhenTheyDoNotMatch) {
  TDeviceArchive archive;
  Build(archive, {"MODE", "FLOW"}, {}, {"m", "f"});
  EXPECT_EQ(archive.SaveToBytes(), "MODE  m\r\nFLOW  f\r\n\r\n\r\nMODE  FLOW  \r\n");

  TOPVarList nineteen;
  for (int i = 0; i < 19; ++i) nineteen.Add("caption");
  archive.SetCaptions(nineteen);
  EXPECT_EQ(archive.SaveToBytes(), "MODE  FLOW  \r\n");
}

TEST(DeviceArchiveFile, RoundTripKeepsEveryValue) {
  const QByteArrayList columns = {"DATETIME", "STATUS", "SUMALPHA", "RADON"};
  const QList<QByteArrayList> rows = {
      {"07/03/2005 14.05.09", "", "12.5", "3"},
      {"", "0", "", ""},
      {"07/03/2005 14.05.10", "a  b", "1   2", "two  spaces  end"},
      {"", "", "", ""},
      {Cp1251("нет данных"), "  lead", "x", "9"},
      {"a very long value that widens the column", "1", "2", "3"},
  };
  for (bool withCaptions : {true, false}) {
    SCOPED_TRACE(withCaptions ? "with captions" : "without captions");
    TDeviceArchive archive;
    Build(archive, columns, rows, withCaptions ? QByteArrayList{"c1", "c2", "c3", "c4"} : QByteArrayList{});
    TDeviceArchive loaded;
    ASSERT_TRUE(loaded.LoadFromBytes(archive.SaveToBytes()));
    EXPECT_EQ(Names(loaded.Columns()), columns);
    EXPECT_EQ(Names(loaded.Captions()), withCaptions ? QByteArrayList({"c1", "c2", "c3", "c4"}) : QByteArrayList());
    ASSERT_EQ(loaded.RecordCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i) EXPECT_EQ(Values(loaded, i), rows[i]) << "record " << i;
    EXPECT_EQ(loaded.SaveToBytes(), archive.SaveToBytes());
  }
}

TEST(DeviceArchiveFile, LoadsFilesInTheEarlierLayout) {
  // As the earlier program wrote them: rows padded to the column widths.
  const struct {
    const char* what;
    QByteArray file;
    QByteArrayList columns;
    QByteArrayList captions;
    QList<QByteArrayList> records;
  } rows[] = {
      {"captions, empty value in the middle",
       "MODE      r\r\nSTATUS    s\r\nSUMALPHA  a\r\n\r\n\r\n"
       "MODE  STATUS  SUMALPHA  \r\n"
       "0             1.5       \r\n"
       "1     33      2         \r\n",
       {"MODE", "STATUS", "SUMALPHA"},
       {"r", "s", "a"},
       {{"0", "", "1.5"}, {"1", "33", "2"}}},
      {"no caption section",
       "DATETIME             SUMALPHA  \r\n"
       "07/03/2005 14.05.09  12.5      \r\n"
       "07/03/2005 14.05.10            \r\n",
       {"DATETIME", "SUMALPHA"},
       {},
       {{"07/03/2005 14.05.09", "12.5"}, {"07/03/2005 14.05.10", ""}}},
      {"header only", "MODE  \r\n", {"MODE"}, {}, {}},
      {"short row and an empty last line",
       "A  B  C  \r\n1  \r\n\r\n",
       {"A", "B", "C"},
       {},
       {{"1", "", ""}, {"", "", ""}}},
      {"trailing spaces stripped by an editor",
       "MODE  STATUS  SUMALPHA\n0             1.5\n1     33\n",
       {"MODE", "STATUS", "SUMALPHA"},
       {},
       {{"0", "", "1.5"}, {"1", "33", ""}}},
      {"hand-made row off the columns is split at runs of spaces",
       "DATETIME  STATUS  SUMALPHA  \r\n7  8  9\r\n",
       {"DATETIME", "STATUS", "SUMALPHA"},
       {},
       {{"7", "8", "9"}}},
      {"a caption with no text keeps its place", "A  \r\nB  b\r\n\r\n\r\nA  B  \r\n", {"A", "B"}, {"", "b"}, {}},
      {"caption section followed by one empty line",
       "DATETIME  cap1\r\nSUMALPHA  cap2\r\n\r\n"
       "DATETIME             SUMALPHA  \r\n"
       "07/03/2005 14.05.09  12.5      \r\n",
       {"DATETIME", "SUMALPHA"},
       {"cap1", "cap2"},
       {{"07/03/2005 14.05.09", "12.5"}}},
      {"no captions, two empty lines at the end",
       "A  B  \r\n1  2  \r\n\r\n\r\n",
       {"A", "B"},
       {},
       {{"1", "2"}, {"", ""}, {"", ""}}},
      {"no captions, an empty line among the rows",
       "A  B  \r\n1  2  \r\n\r\n3  4  \r\n",
       {"A", "B"},
       {},
       {{"1", "2"}, {"", ""}, {"3", "4"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TDeviceArchive archive;
    ASSERT_TRUE(archive.LoadFromBytes(row.file));
    EXPECT_EQ(Names(archive.Columns()), row.columns);
    EXPECT_EQ(Names(archive.Captions()), row.captions);
    ASSERT_EQ(archive.RecordCount(), row.records.size());
    for (int i = 0; i < row.records.size(); ++i) EXPECT_EQ(Values(archive, i), row.records[i]) << i;
  }
}

TEST(DeviceArchiveFile, FieldsBeyondTheColumnsStayInTheLastColumn) {
  TDeviceArchive archive;
  ASSERT_TRUE(archive.LoadFromBytes("A  B  \r\n1  2  3   4\r\nx y  z  w\r\n"));
  ASSERT_EQ(archive.RecordCount(), 2);
  EXPECT_EQ(Values(archive, 0), QByteArrayList({"1", "2  3   4"}));
  EXPECT_EQ(Values(archive, 1), QByteArrayList({"x y", "z  w"}));

  // A record longer than the columns is written in full and read back into
  // the last column.
  TDeviceArchive longer;
  Build(longer, {"A"}, {});
  TOPVarList record;
  longer.AppendRecord(Fill(record, {"A", "B"}, {"1", "2"}));
  EXPECT_EQ(longer.SaveToBytes(), "A  \r\n1  2  \r\n");
  TDeviceArchive loaded;
  ASSERT_TRUE(loaded.LoadFromBytes(longer.SaveToBytes()));
  EXPECT_EQ(Values(loaded, 0), QByteArrayList({"1  2"}));
}

TEST(DeviceArchiveFile, WithoutColumnsTheRecordsNameTheHeader) {
  TDeviceArchive archive;
  EXPECT_EQ(archive.SaveToBytes(), "\r\n");
  TDeviceArchive empty;
  EXPECT_FALSE(empty.LoadFromBytes(archive.SaveToBytes())) << "a header of no column is no archive";

  TOPVarList record;
  archive.AppendRecord(Fill(record, {"RADON", "FLOW"}, {"5", "2.5"}));
  EXPECT_EQ(archive.SaveToBytes(), "RADON  FLOW  \r\n5      2.5   \r\n");
  TDeviceArchive loaded;
  ASSERT_TRUE(loaded.LoadFromBytes(archive.SaveToBytes()));
  EXPECT_EQ(Names(loaded.Columns()), QByteArrayList({"RADON", "FLOW"}));
  EXPECT_EQ(Values(loaded, 0), QByteArrayList({"5", "2.5"}));
}

TEST(DeviceArchiveFile, DamagedBytesAreRefusedOrGiveAConsistentArchive) {
  const QByteArray inputs[] = {
      QByteArray(),
      QByteArray("\0\0\0\r\n\0", 6),
      "\r\n\r\n\r\n\r\n",
      "\n\n",
      "   \r\n  \r\n",
      "x\r\n\r\n\r\n",
      "\r\n\r\nHEAD\r\n",
      QByteArray(5000, ' ') + "A  B\r\n" + QByteArray(3000, ' '),
      "A  B  C\r\n\xFF\xFE  \x01\x02  \r\r\r\n  \t  \t\r\n",
  };
  for (const QByteArray& input : inputs) {
    TDeviceArchive archive;
    if (!archive.LoadFromBytes(input)) continue;
    ASSERT_NE(archive.Columns(), nullptr);
    for (int i = 0; i < archive.RecordCount(); ++i) EXPECT_EQ(archive.Record(i)->Count(), archive.Columns()->Count());
    TDeviceArchive again;
    ASSERT_TRUE(again.LoadFromBytes(archive.SaveToBytes()));
    EXPECT_EQ(again.SaveToBytes(), archive.SaveToBytes());
  }
}

TEST(DeviceArchiveFile, BytesThatAreNoArchiveAreRefusedAndChangeNothing) {
  QByteArray noise(8192, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 256);
  const struct {
    const char* what;
    QByteArray file;
  } rows[] = {
      {"empty file", ""},
      {"only line ends", "\r\n\r\n\r\n"},
      {"caption section and its two empty lines only", "DATETIME  cap1\r\nSUMALPHA  cap2\r\n\r\n\r\n"},
      {"a NUL in a value", QByteArray("A  B  \r\n1  2\0  \r\n", 17)},
      {"an escape in the header", "A  \x1b[1mB  \r\n1  2  \r\n"},
      {"a DEL", "A  B  \r\n1  2\x7f  \r\n"},
      {"binary noise", noise},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TDeviceArchive archive;
    Build(archive, {"RADON"}, {{"1"}, {"2"}});
    EXPECT_FALSE(archive.LoadFromBytes(row.file));
    EXPECT_EQ(Names(archive.Columns()), QByteArrayList{"RADON"});
    EXPECT_EQ(archive.RecordCount(), 2);
  }
  // Tabs and Windows-1251 letters are text.
  TDeviceArchive archive;
  EXPECT_TRUE(archive.LoadFromBytes("A  \xD0\xE0\xE4\xEE\xED  \r\n1\t2  3  \r\n"));
  EXPECT_EQ(archive.RecordCount(), 1);
}

TEST(DeviceArchiveFile, FilesLoadAndSaveAndFailuresChangeNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TDeviceArchive archive;
  Build(archive, {"RADON"}, {{"1"}, {"2"}});
  const QString path = dir.filePath("archive.daf");
  ASSERT_TRUE(archive.SaveFile(path));
  EXPECT_EQ(ReadFile(path), archive.SaveToBytes());

  TDeviceArchive loaded;
  ASSERT_TRUE(loaded.LoadFile(path));
  EXPECT_EQ(loaded.RecordCount(), 2);
  EXPECT_FALSE(loaded.LoadFile(dir.filePath("missing.daf")));
  EXPECT_EQ(loaded.RecordCount(), 2);

  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.daf"));
  EXPECT_FALSE(archive.SaveFile(dir.filePath("folder.daf")));
  EXPECT_TRUE(QFileInfo(dir.filePath("folder.daf")).isDir());
  EXPECT_FALSE(archive.SaveFile(dir.filePath("none/x.daf")));
  EXPECT_FALSE(loaded.LoadFile(dir.filePath("folder.daf")));
  EXPECT_EQ(loaded.RecordCount(), 2);

  // Neither a device nor a table out of all proportion to its bytes is
  // loaded: a hundred columns and half a million one-letter rows would make
  // fifty million cells.
  ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.daf")));
  EXPECT_FALSE(loaded.LoadFile(dir.filePath("zero.daf")));
  QByteArray header;
  for (int i = 0; i < 100; ++i) header += "C" + QByteArray::number(i) + "  ";
  ASSERT_TRUE(WriteFile(dir.filePath("wide.daf"), header + "\r\n" + QByteArray("x\n").repeated(500000)));
  EXPECT_FALSE(loaded.LoadFile(dir.filePath("wide.daf")));
  EXPECT_EQ(loaded.RecordCount(), 2);
  EXPECT_EQ(Names(loaded.Columns()), QByteArrayList{"RADON"});
}

TEST(DeviceArchiveFile, FailedSaveInAReadOnlyDirectoryKeepsThePreviousFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
  const QString lockedDir = dir.filePath("locked");
  const QString previous = lockedDir + "/old.daf";
  ASSERT_TRUE(WriteFile(previous, "previous"));
  QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (QFileInfo(lockedDir).isWritable()) GTEST_SKIP() << "running with rights that ignore permissions";
  TDeviceArchive archive;
  Build(archive, {"RADON"}, {{"1"}});
  EXPECT_FALSE(archive.SaveFile(previous));
  QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(ReadFile(previous), "previous");
}
