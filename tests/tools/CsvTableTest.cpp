#include "CsvTable.h"
#include "Win1251.h"

#include <gtest/gtest.h>

TEST(CsvTable, QuotesWhatNeedsItAndEndsLinesWithCrLf) {
  TDeviceArchive archive;
  TOPVarList columns;
  for (const char* name : {"DATETIME", "SUMALPHA", "SERIALN"}) columns.Add(name);
  archive.SetColumns(columns);
  TOPVarList record;
  record.Add("DATETIME", "A001", "07/03/2005 14.05.09");
  record.Add("SUMALPHA", "A001", "12.5");
  record.Add("SERIALN", "A001", Win1251::FromUnicode(QString::fromUtf8("КЕВ \"7\", 2")));
  archive.AppendRecord(record);

  EXPECT_EQ(
      ArchiveToCsv(archive, ',', false),
      QString::fromUtf8("DATETIME,SUMALPHA,SERIALN\r\n07/03/2005 14.05.09,12.5,\"КЕВ \"\"7\"\", 2\"\r\n").toUtf8());
  // For comma-decimal spreadsheets only plain numbers change.
  EXPECT_EQ(
      ArchiveToCsv(archive, ';', true),
      QString::fromUtf8("DATETIME;SUMALPHA;SERIALN\r\n07/03/2005 14.05.09;12,5;\"КЕВ \"\"7\"\", 2\"\r\n").toUtf8());
  EXPECT_EQ(ArchiveToCsv(TDeviceArchive(), ',', false), QByteArray());
}
