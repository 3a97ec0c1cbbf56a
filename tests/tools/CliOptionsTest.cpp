#include "CliOptions.h"

#include <gtest/gtest.h>

namespace {

TCliParse Parse(const QString& line) { return ParseCliArguments(("qev-cli " + line).split(' ', Qt::SkipEmptyParts)); }

}  // namespace

TEST(CliOptions, ReadAndWriteTakeTheirItemsAndThePortOverrides) {
  const TCliParse read = Parse(
      "--port /dev/pts/3 --baud 4800 --parity even --stop-bits 2 --dtr handshake "
      "--rts HANDSHAKE --address 7 --log read MODE SUMALPHA:A007");
  ASSERT_TRUE(read.Options) << read.Error.toStdString();
  const TCliOptions& o = *read.Options;
  EXPECT_EQ(o.Command, TCliOptions::TCommand::Read);
  EXPECT_EQ(o.Items, (QByteArrayList{"MODE", "SUMALPHA:A007"}));
  EXPECT_EQ(o.Port, "/dev/pts/3");
  EXPECT_EQ(o.Baud, "4800 baud");
  EXPECT_EQ(o.Parity, "Even");
  EXPECT_EQ(o.StopBits, "2 bit");
  EXPECT_EQ(o.Dtr, "HandShake");
  EXPECT_EQ(o.Rts, "HandShake");
  EXPECT_EQ(o.Address, 7);
  EXPECT_TRUE(o.Log);
  EXPECT_FALSE(o.Dump);
  EXPECT_FALSE(o.Packed);
  EXPECT_TRUE(Parse("--packed archive --out a.daf").Options->Packed);

  const TCliParse write = Parse("write MODE=1 DATETIME=07/03/2005");
  ASSERT_TRUE(write.Options);
  EXPECT_EQ(write.Options->Items, (QByteArrayList{"MODE=1", "DATETIME=07/03/2005"}));
  EXPECT_TRUE(Parse("--help").Help);
  EXPECT_TRUE(Parse("--version").Version);
  EXPECT_FALSE(Parse("--version read MODE").Options);
}

TEST(CliOptions, ArchiveAndSpectrumOptions) {
  const TCliParse archive = Parse(
      "archive --step 2 --from 3 --to 100 --vars DATETIME,SUMALPHA --csv a.csv "
      "--csv-sep ; --csv-decimal-comma");
  ASSERT_TRUE(archive.Options) << archive.Error.toStdString();
  EXPECT_EQ(archive.Options->Step, 2);
  EXPECT_EQ(archive.Options->From, 3);
  EXPECT_EQ(archive.Options->To, 100);
  EXPECT_EQ(archive.Options->Vars, (QByteArrayList{"DATETIME", "SUMALPHA"}));
  EXPECT_EQ(archive.Options->CsvSeparator, ';');
  EXPECT_TRUE(archive.Options->CsvDecimalComma);
  const TCliParse all = Parse("archive --out a.daf");
  ASSERT_TRUE(all.Options);
  EXPECT_EQ(all.Options->To, -1);
  EXPECT_EQ(all.Options->Step, 1);

  const TCliParse spectrum = Parse("spectrum background --out b.spc");
  ASSERT_TRUE(spectrum.Options);
  EXPECT_TRUE(spectrum.Options->BackgroundSpectrum);
  EXPECT_EQ(spectrum.Options->OutFile, "b.spc");
  const TCliParse table = Parse("spectrum main --csv m.csv --csv-sep ; --csv-decimal-comma");
  ASSERT_TRUE(table.Options) << table.Error.toStdString();
  EXPECT_TRUE(table.Options->OutFile.isEmpty());
  EXPECT_EQ(table.Options->CsvFile, "m.csv");
  EXPECT_EQ(table.Options->CsvSeparator, ';');
  EXPECT_TRUE(table.Options->CsvDecimalComma);
}

TEST(CliOptions, PasswordsTakeTheirFiles) {
  const TCliParse encode = Parse("passwords encode qev.txt out/qev.pwd");
  ASSERT_TRUE(encode.Options) << encode.Error.toStdString();
  EXPECT_EQ(encode.Options->Command, TCliOptions::TCommand::PasswordsEncode);
  EXPECT_EQ(encode.Options->PasswordSource, "qev.txt");
  EXPECT_EQ(encode.Options->PasswordFile, "out/qev.pwd");
  const TCliParse decode = Parse("passwords decode qev.pwd");
  ASSERT_TRUE(decode.Options) << decode.Error.toStdString();
  EXPECT_EQ(decode.Options->Command, TCliOptions::TCommand::PasswordsDecode);
  EXPECT_EQ(decode.Options->PasswordFile, "qev.pwd");
}

TEST(CliOptions, UsageErrorsAreRefusedBeforeAnythingIsSent) {
  for (const char* line : {"",
                           "bogus",
                           "read",
                           "read MODE=1",
                           "write MODE",
                           "write =1",
                           "--address 256 read MODE",
                           "--address x read MODE",
                           "--baud 0 read MODE",
                           "--parity odd2 read MODE",
                           "--dtr on read MODE",
                           "--stop-bits 3 read MODE",
                           "spectrum main",
                           "spectrum other --out x",
                           "archive",
                           "archive --out a --csv b",
                           "archive --out a --step 0",
                           "archive --out a --to -1",
                           "archive --csv a --csv-sep ab",
                           "archive --csv a --csv-decimal-comma",
                           "read MODE --out x",
                           "read MODE --csv x",
                           "spectrum main --csv x --csv-decimal-comma",
                           "spectrum main --out x --step 2",
                           "--nosuch read MODE",
                           "passwords",
                           "passwords encode a",
                           "passwords decode",
                           "passwords decode a b",
                           "passwords show a",
                           "passwords decode a --out x"}) {
    const TCliParse parsed = Parse(line);
    EXPECT_FALSE(parsed.Options) << line;
    EXPECT_FALSE(parsed.Error.isEmpty()) << line;
  }
}
