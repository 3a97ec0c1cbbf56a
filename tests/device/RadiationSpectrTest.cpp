#include "RadiationSpectr.h"
#include "TextUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray Header(const QByteArray& text) {
  QByteArray header(TRadiationSpectr::kHeaderSize, '\0');
  std::copy(text.cbegin(), text.cend(), header.begin());
  return header;
}

// A binary file: the header text, then counts 0, 1, 2, ... scaled by factor.
QByteArray BinaryFile(const QByteArray& headerText, int factor = 1) {
  TRadiationSpectr counts;
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i) counts.SetChannel(i, i * factor);
  return Header(headerText) + counts.SaveBinary().mid(TRadiationSpectr::kHeaderSize);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(RadiationSpectr, StartsEmptyAndGuardsItsChannelRange) {
  TRadiationSpectr spectr;
  EXPECT_EQ(spectr.A(), 1.0L);
  EXPECT_EQ(spectr.B(), 0.0L);
  EXPECT_TRUE(spectr.Comment().isEmpty());
  spectr.SetChannel(1023, 7);
  spectr.SetChannel(1024, 8);
  spectr.SetChannel(-1, 9);
  EXPECT_EQ(spectr.Channel(1023), 7);
  EXPECT_EQ(spectr.Channel(1024), 0);
  EXPECT_EQ(spectr.Channel(-1), 0);
  EXPECT_EQ(spectr.Channel(0), 0);

  // A fresh spectrum writes A=1; B=0; // and zeros.
  const QByteArray bytes = TRadiationSpectr().SaveBinary();
  ASSERT_EQ(bytes.size(), 4608);
  EXPECT_EQ(bytes, Header("A=1; B=0; //") + QByteArray(4096, '\0'));
}

TEST(RadiationSpectr, BinaryRoundTripKeepsCountsCalibrationAndComment) {
  TRadiationSpectr spectr;
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i) spectr.SetChannel(i, i % 2 ? -i * 1000 : i * 2097151);
  spectr.SetChannel(5, INT32_MIN);
  spectr.SetChannel(6, INT32_MAX);
  spectr.SetCalibration(0.00123456789012345L, -5.25L);
  spectr.SetComment("run 7 \xCF\xF0\xEE\xE1\xE0");  // Cyrillic kept byte for byte

  TRadiationSpectr loaded;
  ASSERT_TRUE(loaded.LoadBinary(spectr.SaveBinary()));
  for (int i = 0; i < TRadiationSpectr::kChannels; ++i) ASSERT_EQ(loaded.Channel(i), spectr.Channel(i)) << i;
  EXPECT_EQ(TextUtils::FormatDecimal(loaded.A()), "0.00123456789012345");
  EXPECT_EQ(loaded.B(), -5.25L);
  EXPECT_EQ(loaded.Comment(), spectr.Comment());

  // Little-endian counts after the 512-byte header.
  const QByteArray bytes = spectr.SaveBinary();
  EXPECT_EQ(bytes.mid(512 + 4 * 6, 4), QByteArray("\xFF\xFF\xFF\x7F"));
  EXPECT_EQ(bytes.mid(512 + 4 * 5, 4), QByteArray("\x00\x00\x00\x80", 4));
}

TEST(RadiationSpectr, LongCommentIsCutToTheHeader) {
  TRadiationSpectr spectr;
  spectr.SetComment(QByteArray(600, 'c'));
  const QByteArray bytes = spectr.SaveBinary();
  ASSERT_EQ(bytes.size(), 4608);
  TRadiationSpectr loaded;
  ASSERT_TRUE(loaded.LoadBinary(bytes));
  EXPECT_EQ(loaded.Comment(), QByteArray(512 - 12, 'c'));
}

TEST(RadiationSpectr, BinaryHeaderKeysAndFallbacks) {
  const struct {
    const char* header;
    long double a, b;
    const char* comment;
  } rows[] = {
      {"A=2.5; //calibrated", 2.5L, 7.0L, "calibrated"},
      {"A=x; B=3;", 1.0L, 3.0L, "old"},
      {"A=0.5; B=zz; //", 0.5L, 0.0L, ""},
      // The value ends at the first ";" of the header: one before the key
      // leaves A no text, so A is 1, and nothing of the header is removed.
      {"  B=-1E-7;A=4;//two  words ", 1.0L, -1e-7L, "two  words"},
      {"B=3; A=2", 1.0L, 3.0L, "old"},
      {"X;A=2;", 1.0L, 7.0L, "old"},
      {"A=2; X;B=3; //c", 2.0L, 0.0L, "c"},
      {"no keys at all", 9.0L, 7.0L, "old"},
      {"A=5 //no semicolon", 9.0L, 7.0L, "no semicolon"},
      {"", 9.0L, 7.0L, "old"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.header);
    TRadiationSpectr spectr;
    spectr.SetCalibration(9, 7);
    spectr.SetComment("old");
    ASSERT_TRUE(spectr.LoadBinary(BinaryFile(row.header, 3)));
    EXPECT_EQ(spectr.A(), row.a);
    EXPECT_EQ(spectr.B(), row.b);
    EXPECT_EQ(spectr.Comment(), row.comment);
    EXPECT_EQ(spectr.Channel(1023), 3069);
  }
}

TEST(RadiationSpectr, BinaryNeedsAWholeFileAndIgnoresWhatFollows) {
  TRadiationSpectr spectr;
  spectr.SetChannel(1, 42);
  spectr.SetComment("kept");
  const QByteArray file = BinaryFile("A=2; B=1; //x");
  EXPECT_FALSE(spectr.LoadBinary(file.left(4607)));
  EXPECT_FALSE(spectr.LoadBinary(QByteArray()));
  EXPECT_EQ(spectr.Channel(1), 42);
  EXPECT_EQ(spectr.Comment(), "kept");

  ASSERT_TRUE(spectr.LoadBinary(file + QByteArray(392, '\x7F')));
  EXPECT_EQ(spectr.Channel(1), 1);
  EXPECT_EQ(spectr.Channel(1023), 1023);
  EXPECT_EQ(spectr.A(), 2.0L);
}

TEST(RadiationSpectr, TextFileHeaderWordsAndCounts) {
  TRadiationSpectr spectr;
  spectr.SetChannel(500, 9);
  ASSERT_TRUE(
      spectr.LoadText("energya=0.01 run\r\nenergyb=-5\r\n1\r\n  2\r\n12x\r\n\r\n-4\r\n5\r\n6\r\n7\r\n8\r\n10\r\n"));
  EXPECT_EQ(spectr.A(), 0.01L);
  EXPECT_EQ(spectr.B(), -5.0L);
  EXPECT_EQ(spectr.Comment(), "RUN ; ");
  const int expected[] = {1, 2, 0, 0, -4, 5, 6, 7, 8, 10};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(spectr.Channel(i), expected[i]) << i;
  for (int i = 10; i < TRadiationSpectr::kChannels; ++i) ASSERT_EQ(spectr.Channel(i), 0) << i;

  // Words that are not keys, and keys that are not numbers, go their ways.
  ASSERT_TRUE(spectr.LoadText("sample  ENERGYA=abc\nEnergyB= 2 \n"));
  EXPECT_EQ(spectr.A(), 1.0L);
  EXPECT_EQ(spectr.B(), 0.0L);
  EXPECT_EQ(spectr.Comment(), "SAMPLE ; 2 ; ");
  // Only a space ends a word; other blanks are skipped before one.
  ASSERT_TRUE(spectr.LoadText("\tx\t  y\tz\r\n\r\n"));
  EXPECT_EQ(spectr.Comment(), "X\t ; Y\tZ ; ");

  // At most 1024 count lines are taken.
  QByteArray many = "h1\nh2\n";
  for (int i = 0; i < 1100; ++i) many += QByteArray::number(i + 1) + "\n";
  ASSERT_TRUE(spectr.LoadText(many));
  EXPECT_EQ(spectr.Channel(1023), 1024);

  ASSERT_TRUE(spectr.LoadText(QByteArray()));
  EXPECT_EQ(spectr.Channel(0), 0);
  EXPECT_TRUE(spectr.Comment().isEmpty());
}

TEST(RadiationSpectr, DeviceBlockLittleOrBigEndian) {
  const QByteArray block("\x01\x00\x00\x00\x00\x01\x00\x00\xFF\xFF\xFF\xFF\x7F", 13);
  TRadiationSpectr spectr;
  spectr.SetCalibration(3, 4);
  spectr.SetChannel(900, 5);
  ASSERT_TRUE(spectr.LoadDeviceBlock(block.constData(), block.size(), false));
  EXPECT_EQ(spectr.Channel(0), 1);
  EXPECT_EQ(spectr.Channel(1), 256);
  EXPECT_EQ(spectr.Channel(2), -1);
  EXPECT_EQ(spectr.Channel(3), 0);  // the 13th byte alone is no count
  EXPECT_EQ(spectr.Channel(900), 0);
  EXPECT_EQ(spectr.A(), 3.0L);

  ASSERT_TRUE(spectr.LoadDeviceBlock(block.constData(), block.size(), true));
  EXPECT_EQ(spectr.Channel(0), 0x01000000);
  EXPECT_EQ(spectr.Channel(1), 0x00010000);

  ASSERT_TRUE(spectr.LoadDeviceBlock(block.constData(), 3, false));
  EXPECT_EQ(spectr.Channel(0), 0);

  QByteArray big(4100, '\x01');
  ASSERT_TRUE(spectr.LoadDeviceBlock(big.constData(), big.size(), false));
  EXPECT_EQ(spectr.Channel(1023), 0x01010101);

  spectr.SetChannel(0, 5);
  EXPECT_FALSE(spectr.LoadDeviceBlock(nullptr, 100, false));
  EXPECT_EQ(spectr.Channel(0), 0);
}

TEST(RadiationSpectr, CopyChannelsTakesCountsOnly) {
  TRadiationSpectr source;
  source.SetChannel(10, 99);
  source.SetCalibration(2, 3);
  source.SetComment("src");
  TRadiationSpectr target;
  target.SetChannel(11, 5);
  ASSERT_TRUE(target.CopyChannels(&source));
  EXPECT_EQ(target.Channel(10), 99);
  EXPECT_EQ(target.Channel(11), 0);
  EXPECT_EQ(target.A(), 1.0L);
  EXPECT_TRUE(target.Comment().isEmpty());
  EXPECT_FALSE(target.CopyChannels(nullptr));
  EXPECT_EQ(target.Channel(10), 99);
}

TEST(RadiationSpectrFile, DispatchesOnTheExtensionInAnyCase) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray binary = BinaryFile("A=2; B=1; //bin", 2);
  const QByteArray text = "ENERGYA=3 txt\r\n\r\n17\r\n";
  const struct {
    const char* name;
    const QByteArray& bytes;
    bool loads;
    int channel1;
  } rows[] = {
      {"a.spc", binary, true, 2}, {"b.SpC", binary, true, 2},       {"c.SPC", binary, true, 2},
      {"d.sp", text, true, 0},    {"e.SP", text, true, 0},          {"f.txt", binary, false, 42},
      {"g", binary, false, 42},   {"h.spc.bak", binary, false, 42},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = dir.filePath(row.name);
    ASSERT_TRUE(WriteFile(path, row.bytes));
    TRadiationSpectr spectr;
    spectr.SetChannel(1, 42);
    EXPECT_EQ(spectr.LoadFile(path), row.loads);
    EXPECT_EQ(spectr.Channel(1), row.channel1);
  }
  TRadiationSpectr spectr;
  EXPECT_FALSE(spectr.LoadFile(dir.filePath("missing.spc")));
  EXPECT_FALSE(spectr.LoadFile(dir.filePath("missing.sp")));
  ASSERT_TRUE(spectr.LoadFile(dir.filePath("d.sp")));
  EXPECT_EQ(spectr.Channel(0), 17);
  EXPECT_EQ(spectr.A(), 3.0L);
  EXPECT_EQ(spectr.Comment(), "TXT ; ");
}

TEST(RadiationSpectrFile, SavesBinaryWhateverTheNameAndKeepsTheOldFileOnFailure) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TRadiationSpectr spectr;
  spectr.SetChannel(3, 33);
  spectr.SetComment("saved");
  const QString path = dir.filePath("spectrum.txt");
  ASSERT_TRUE(spectr.SaveFile(path));
  EXPECT_EQ(ReadFile(path), spectr.SaveBinary());

  // Over a directory, and into a missing directory: false, nothing changed.
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub.spc"));
  EXPECT_FALSE(spectr.SaveFile(dir.filePath("sub.spc")));
  EXPECT_TRUE(QFileInfo(dir.filePath("sub.spc")).isDir());
  EXPECT_FALSE(spectr.SaveFile(dir.filePath("none/x.spc")));
}

TEST(RadiationSpectrFile, FailedSaveInAReadOnlyDirectoryKeepsThePreviousFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TRadiationSpectr spectr;
  const QString lockedDir = dir.filePath("locked");
  ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
  const QString previous = lockedDir + "/old.spc";
  ASSERT_TRUE(WriteFile(previous, "previous"));
  QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (QFileInfo(lockedDir).isWritable()) GTEST_SKIP() << "running with rights that ignore permissions";
  EXPECT_FALSE(spectr.SaveFile(previous));
  QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(ReadFile(previous), "previous");
}
