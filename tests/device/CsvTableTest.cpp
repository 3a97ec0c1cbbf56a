#include "CsvTable.h"
#include "DeviceArchive.h"
#include "RadiationSpectr.h"
#include "Win1251.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

QByteArray Utf8(const char* text) { return "\xEF\xBB\xBF" + QByteArray(text); }

}  // namespace

TEST(CsvTable, ArchiveQuotesWhatNeedsItAndFollowsTheDecimalMark) {
  TDeviceArchive archive;
  TOPVarList columns;
  for (const char* name : {"DATETIME", "SUMALPHA", "SERIALN"}) columns.Add(name);
  archive.SetColumns(columns);
  TOPVarList record;
  record.Add("DATETIME", "A001", "07/03/2005 14.05.09");
  record.Add("SUMALPHA", "A001", "12.5");
  record.Add("SERIALN", "A001", Win1251::FromUnicode(QString::fromUtf8("КЕВ \"7\", 2")));
  archive.AppendRecord(record);

  EXPECT_EQ(ArchiveToCsv(archive, {',', false}),
            Utf8("DATETIME,SUMALPHA,SERIALN\r\n07/03/2005 14.05.09,12.5,\"КЕВ \"\"7\"\", 2\"\r\n"));
  // For comma-decimal spreadsheets only plain numbers change.
  EXPECT_EQ(ArchiveToCsv(archive, {';', true}),
            Utf8("DATETIME;SUMALPHA;SERIALN\r\n07/03/2005 14.05.09;12,5;\"КЕВ \"\"7\"\", 2\"\r\n"));
  EXPECT_EQ(ArchiveToCsv(TDeviceArchive(), {',', false}), QByteArray());
}

TEST(CsvTable, SpectrRowsCarryChannelEnergyAndCountInTheLocalesForm) {
  TRadiationSpectr spectr;
  spectr.SetCalibration(2.5L, -1);
  spectr.SetChannel(1, 70);
  spectr.SetChannel(1023, -5);

  const QByteArray russian = SpectrToCsv(spectr, TCsvFormat::ForLocale(QLocale(QLocale::Russian, QLocale::Russia)));
  const QList<QByteArray> lines = russian.split('\n');
  ASSERT_EQ(lines.size(), 1 + 1024 + 1);
  EXPECT_EQ(lines[0], Utf8("Канал;Энергия, кэВ;Отсчеты\r"));
  EXPECT_EQ(lines[1], "0;-1;0\r");
  EXPECT_EQ(lines[2], "1;1,5;70\r");
  EXPECT_EQ(lines[1024], "1023;2556,5;-5\r");

  const QByteArray english =
      SpectrToCsv(spectr, TCsvFormat::ForLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
  EXPECT_TRUE(english.contains("\r\n1,1.5,70\r\n"));
}
