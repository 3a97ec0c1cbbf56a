#include "CsvTable.h"
#include "DeviceArchive.h"
#include "RadiationSpectr.h"
#include "Win1251.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

QByteArray Utf8(const char* text) { return "\xEF\xBB\xBF" + QByteArray(text); }

}  // namespace

TEST(CsvTable, ArchiveQuotesWhatAnySeparatorWouldSplitAndWritesTimesInIsoForm) {
  TDeviceArchive archive;
  TOPVarList columns;
  for (const char* name : {"DATETIME", "SUMALPHA", "SERIALN"}) columns.Add(name);
  archive.SetColumns(columns);
  const auto add = [&archive](const char* time, const char* alpha, const QString& serial) {
    TOPVarList record;
    record.Add("DATETIME", "A001", time);
    record.Add("SUMALPHA", "A001", alpha);
    record.Add("SERIALN", "A001", Win1251::FromUnicode(serial));
    archive.AppendRecord(record);
  };
  add("07/03/2005 14.05.09", "12.5", QString::fromUtf8("КЕВ \"7\", 2"));
  add("31/02/2005 14.05.09", "0.03", QStringLiteral("a;b"));  // no such day: as it is
  add("07/03/2005 25.00.00", "-1", QStringLiteral("a\tb"));   // no such hour
  add("", "8", QStringLiteral("line\nbreak"));

  // A spreadsheet that splits at Tab, comma and semicolon at once keeps
  // every quoted field whole, "8,52" and "0,03" included.
  EXPECT_EQ(ArchiveToCsv(archive, {',', false}), Utf8("DATETIME,SUMALPHA,SERIALN\r\n"
                                                      "2005-03-07T14:05:09,12.5,\"КЕВ \"\"7\"\", 2\"\r\n"
                                                      "31/02/2005 14.05.09,0.03,\"a;b\"\r\n"
                                                      "07/03/2005 25.00.00,-1,\"a\tb\"\r\n"
                                                      ",8,\"line\nbreak\"\r\n"));
  EXPECT_EQ(ArchiveToCsv(archive, {';', true}), Utf8("DATETIME;SUMALPHA;SERIALN\r\n"
                                                     "2005-03-07T14:05:09;\"12,5\";\"КЕВ \"\"7\"\", 2\"\r\n"
                                                     "31/02/2005 14.05.09;\"0,03\";\"a;b\"\r\n"
                                                     "07/03/2005 25.00.00;-1;\"a\tb\"\r\n"
                                                     ";8;\"line\nbreak\"\r\n"));
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
  EXPECT_EQ(lines[0], Utf8("Канал;\"Энергия, кэВ\";Отсчеты\r"));
  EXPECT_EQ(lines[1], "0;-1;0\r");
  EXPECT_EQ(lines[2], "1;\"1,5\";70\r");
  EXPECT_EQ(lines[1024], "1023;\"2556,5\";-5\r");

  const QByteArray english =
      SpectrToCsv(spectr, TCsvFormat::ForLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
  EXPECT_TRUE(english.contains("\r\n1,1.5,70\r\n"));
}
