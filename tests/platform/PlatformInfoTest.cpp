#include "PlatformInfo.h"
#include "StartupPaths.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(PlatformInfo, MapsPlatformIdentifierToKind) {
  EXPECT_EQ(TPlatformInfo::KindForPlatformId(0), 1);
  EXPECT_EQ(TPlatformInfo::KindForPlatformId(1), 2);
  EXPECT_EQ(TPlatformInfo::KindForPlatformId(2), 3);
  EXPECT_EQ(TPlatformInfo::KindForPlatformId(3), 0);
  EXPECT_EQ(TPlatformInfo::KindForPlatformId(4000000000u), 0);
#ifndef Q_OS_WIN
  EXPECT_EQ(TPlatformInfo().PlatformKind(), TPlatformInfo::kWinNT);
#endif
}

TEST(StartupPaths, ProgramDirIsTheProgramsFolderWhateverTheCurrentFolder) {
  const QString sep = QDir::separator();
  InitStartupPaths(QDir::toNativeSeparators("/opt/qev/bin/qev"), QDir::tempPath());
  EXPECT_EQ(ProgramDir(), QDir::toNativeSeparators("/opt/qev/bin") + sep);
  EXPECT_EQ(CurrentDir(), QDir::toNativeSeparators(QDir::tempPath()) + sep);
  EXPECT_TRUE(CurrentDir().endsWith(sep));
  // A program in the root folder: the folder already ends in the separator.
  EXPECT_EQ(FolderWithSeparator(QDir::rootPath() + "qev"), QDir::toNativeSeparators(QDir::rootPath()) + sep);
}
