#include "ComSettings.h"
#include "StartupPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kStartFile =
    "PortNumber=COM1\r\n"
    "TransferRate=9600 baud\r\n"
    "StopBits=1 bit\r\n"
    "Paritet=None\r\n"
    "LatencyPeriod=Approximately 0.25 second\r\n"
    "DTRControl=Disable\r\n"
    "RTSControl=Disable\r\n"
    "WriteTimeOutMultiplier=0\r\n"
    "WriteTimeOutConstant=0\r\n";

const TComSettings::TValues kFailedLoad = {"COM1",      "9600 baud", "1 bit", "None", "Approximately 0.25 second",
                                           "HandShake", "HandShake", "0",     "0"};

// The program file lives in a folder of its own; the tests run elsewhere.
class ComSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FProgramFolder.isValid());
    InitStartupPaths(FProgramFolder.filePath("qev"), QDir::currentPath());
  }

  QString PathOf(const QString& name) const { return FProgramFolder.filePath(name); }

  void WriteFile(const QByteArray& bytes) const {
    QFile file(PathOf("commport.cfg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  QByteArray ReadFile() const {
    QFile file(PathOf("commport.cfg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // Settings that differ from every default, so a load shows what it took.
  static TComSettings Changed() {
    TComSettings settings;
    settings.SetValues({"COM7", "1200 baud", "2 bit", "Mark", "Immediately answer", "Enable", "Enable", "3", "4"});
    return settings;
  }

  QTemporaryDir FProgramFolder;
};

TEST_F(ComSettingsTest, StartValuesAreSavedByteForByte) {
  ASSERT_TRUE(TComSettings().SaveToFile("commport.cfg"));
  EXPECT_EQ(ReadFile(), kStartFile);
}

TEST_F(ComSettingsTest, MissingOrDamagedFileGivesFailedLoadDefaults) {
  const struct {
    const char* Case;
    QByteArray File;  // empty: no file at all
  } rows[] = {
      {"no file", ""},
      {"integer not a number",
       "PortNumber=COM3\r\nTransferRate=4800 baud\r\nStopBits=2 bit\r\nParitet=Even\r\n"
       "LatencyPeriod=50 millisecond\r\nDTRControl=Enable\r\nRTSControl=Enable\r\n"
       "WriteTimeOutMultiplier=abc\r\nWriteTimeOutConstant=0\r\n"},
      {"empty integer", "WriteTimeOutConstant=\r\nPortNumber=COM5\r\n"},
      {"integer with a unit", "WriteTimeOutConstant=10 ms\r\n"},
      {"integer out of range", "WriteTimeOutMultiplier=99999999999\r\n"},
  };
  for (const auto& row : rows) {
    QFile::remove(PathOf("commport.cfg"));
    if (!row.File.isEmpty()) WriteFile(row.File);
    TComSettings settings = Changed();
    EXPECT_FALSE(settings.LoadFromFile("commport.cfg")) << row.Case;
    EXPECT_EQ(settings.GetValues(), kFailedLoad) << row.Case;
    EXPECT_EQ(settings.MissingKeys().size(), TComSettings::kValueCount);
  }
  // Not a settings file at all: a device that never ends.
  QFile::remove(PathOf("commport.cfg"));
  ASSERT_TRUE(QFile::link("/dev/zero", PathOf("commport.cfg")));
  TComSettings settings = Changed();
  EXPECT_FALSE(settings.LoadFromFile("commport.cfg"));
  EXPECT_EQ(settings.GetValues(), kFailedLoad);
}

TEST_F(ComSettingsTest, LoadsLinesInAnyOrderAndStopsAfterTheNinth) {
  const TComSettings::TValues expected = {"COM2",   "4800 baud", "2 bit", "Even", "Approximately 1.25 seconds",
                                          "Enable", "HandShake", "7",     "-5"};
  const struct {
    const char* Case;
    QByteArray File;
  } rows[] = {
      {"file order",
       "PortNumber=COM2\r\nTransferRate=4800 baud\r\nStopBits=2 bit\r\nParitet=Even\r\n"
       "LatencyPeriod=Approximately 1.25 seconds\r\nDTRControl=Enable\r\nRTSControl=HandShake\r\n"
       "WriteTimeOutMultiplier=7\r\nWriteTimeOutConstant=-5\r\n"},
      {"reversed, LF only",
       "WriteTimeOutConstant=-5\nWriteTimeOutMultiplier=7\nRTSControl=HandShake\nDTRControl=Enable\n"
       "LatencyPeriod=Approximately 1.25 seconds\nParitet=Even\nStopBits=2 bit\nTransferRate=4800 baud\n"
       "PortNumber=COM2"},
      {"tenth line not read",
       "PortNumber=COM2\r\nTransferRate=4800 baud\r\nStopBits=2 bit\r\nParitet=Even\r\n"
       "LatencyPeriod=Approximately 1.25 seconds\r\nDTRControl=Enable\r\nRTSControl=HandShake\r\n"
       "WriteTimeOutMultiplier=7\r\nWriteTimeOutConstant=-5\r\nPortNumber=COM9\r\nWriteTimeOutConstant=abc\r\n"},
      {"repeated key wins, strangers ignored",
       "PortNumber=COM8\r\nportnumber=COM9\r\nPortNumber=COM2\r\nno equals sign\r\n"
       "TransferRate=4800 baud\r\nStopBits=2 bit\r\nParitet=Even\r\nLatencyPeriod=Approximately 1.25 seconds\r\n"
       "DTRControl=Enable\r\n"},
  };
  for (const auto& row : rows) {
    WriteFile(row.File);
    TComSettings settings;
    settings.SetRTSControl("HandShake");
    settings.SetWriteTimeoutMultiplier(7);
    settings.SetWriteTimeoutConstant(-5);
    EXPECT_TRUE(settings.LoadFromFile("commport.cfg")) << row.Case;
    EXPECT_EQ(settings.GetValues(), expected) << row.Case;
  }
}

TEST_F(ComSettingsTest, ShortFileKeepsValuesItDoesNotName) {
  WriteFile("TransferRate=2400 baud\r\n");
  TComSettings settings = Changed();
  EXPECT_TRUE(settings.LoadFromFile("commport.cfg"));
  TComSettings::TValues expected = Changed().GetValues();
  expected[1] = "2400 baud";
  EXPECT_EQ(settings.GetValues(), expected);
  EXPECT_EQ(settings.MissingKeys().size(), TComSettings::kValueCount - 1);
  EXPECT_FALSE(settings.MissingKeys().contains("TransferRate"));
}

TEST_F(ComSettingsTest, TypedTextsSurviveSaveAndLoadAsTheyStand) {
  TComSettings typed;
  typed.SetPortNumber("/dev/pts/7");
  typed.SetTransferRate(" 9600 baud ");  // values are not trimmed
  typed.SetParitet("\xCD\xE5\xF2");      // Cyrillic, Windows-1251
  typed.SetLatencyPeriod("a=b");         // only the first "=" separates
  typed.SetWriteTimeoutConstant(250);
  ASSERT_TRUE(typed.SaveToFile("commport.cfg"));
  EXPECT_TRUE(ReadFile().contains("PortNumber=/dev/pts/7\r\nTransferRate= 9600 baud \r\n"));
  TComSettings loaded;
  ASSERT_TRUE(loaded.LoadFromFile("commport.cfg"));
  EXPECT_EQ(loaded.GetValues(), typed.GetValues());
}

TEST_F(ComSettingsTest, FileLivesInProgramFolderNotCurrentFolder) {
  QTemporaryDir elsewhere;
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
  WriteFile("PortNumber=COM4\r\n");
  QFile stray(QDir(elsewhere.path()).filePath("commport.cfg"));
  ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
  stray.write("PortNumber=COM6\r\n");
  stray.close();

  TComSettings settings;
  EXPECT_TRUE(settings.LoadFromFile("commport.cfg"));
  EXPECT_EQ(settings.PortNumber(), "COM4");
  settings.SetPortNumber("COM5");
  EXPECT_TRUE(settings.SaveToFile("commport.cfg"));
  EXPECT_TRUE(ReadFile().startsWith("PortNumber=COM5\r\n"));
  ASSERT_TRUE(stray.open(QIODevice::ReadOnly));
  EXPECT_EQ(stray.readAll(), "PortNumber=COM6\r\n");
  QDir::setCurrent(before);
}

TEST_F(ComSettingsTest, SaveIntoMissingFolderFailsAndWritesNothing) {
  EXPECT_FALSE(TComSettings().SaveToFile("no-such-folder/commport.cfg"));
  EXPECT_FALSE(QDir(FProgramFolder.path()).exists("no-such-folder"));
}

TEST_F(ComSettingsTest, SetValuesPutsBackWhatGetValuesGave) {
  const TComSettings changed = Changed();
  TComSettings settings;
  settings.SetValues(changed.GetValues());
  EXPECT_EQ(settings.GetValues(), changed.GetValues());

  // Empty texts give the failed-load defaults, an empty integer 0.
  settings.SetValues({});
  EXPECT_EQ(settings.GetValues(), kFailedLoad);
}

}  // namespace
