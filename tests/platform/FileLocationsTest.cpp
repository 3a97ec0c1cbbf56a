#include "FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TKind = TFileLocations::TKind;

// The folders a row may name; kUsrBin is the package's /usr/bin, never touched.
enum TFolder { kProgramDir, kCurrentDir, kUserDir, kSystemDir, kUsrBin };

// How the program runs: from its own writable folder, from a read-only
// one, or from /usr/bin where root may write.
enum class TRun { Own, ReadOnly, UsrAsRoot };

struct TCase {
  TRun Run;
  bool UserHasFile;
  bool SystemHasFile;
  TKind Kind;
  TFolder Read;
  TFolder Write;
};

QString FileOf(TKind kind) {
  switch (kind) {
    case TKind::Settings:
      return QStringLiteral("commport.cfg");
    case TKind::WorkingData:
      return QStringLiteral("qev.dtf");
    case TKind::Passwords:
      return QStringLiteral("qev.pwd");
  }
  return {};
}

// The program, working, user and system folders as temporary folders, so
// the administrator's folder is never the machine's real /etc/qev.
class TFolders {
 public:
  TFolders() {
    for (const char* name : {"program", "current", "system"}) QDir(FRoot.path()).mkpath(name);
  }
  QString Path(TFolder folder) const {
    switch (folder) {
      case kProgramDir:
        return Sub("program");
      case kCurrentDir:
        return Sub("current");
      case kUserDir:
        return Sub("home/.config/qev");
      case kSystemDir:
        return Sub("system");
      case kUsrBin:
        return QStringLiteral("/usr/bin/");
    }
    return {};
  }
  void Touch(TFolder folder, const QString& name) const {
    QDir().mkpath(Path(folder));
    QFile file(QDir(Path(folder)).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  bool Valid() const { return FRoot.isValid(); }

 private:
  QString Sub(const char* name) const { return QDir(FRoot.path()).filePath(name) + '/'; }
  QTemporaryDir FRoot;
};

}  // namespace

TEST(FileLocations, EachFileIsReadAndWrittenWhereItsRuleSays) {
  const TCase cases[] = {
      // Run from a folder of its own: exactly as before, /etc/qev unread.
      {TRun::Own, false, true, TKind::Settings, kProgramDir, kProgramDir},
      {TRun::Own, false, false, TKind::WorkingData, kCurrentDir, kCurrentDir},
      {TRun::Own, false, true, TKind::Passwords, kCurrentDir, kCurrentDir},
      // Installed: the user's file wins, the administrator's is the default
      // for settings only, and the passwords are the administrator's alone.
      {TRun::ReadOnly, true, true, TKind::Settings, kUserDir, kUserDir},
      {TRun::ReadOnly, false, true, TKind::Settings, kSystemDir, kUserDir},
      {TRun::ReadOnly, false, false, TKind::Settings, kUserDir, kUserDir},
      {TRun::ReadOnly, false, true, TKind::WorkingData, kUserDir, kUserDir},
      {TRun::ReadOnly, true, false, TKind::Passwords, kSystemDir, kSystemDir},
      // /usr belongs to the package manager even where root may write.
      {TRun::UsrAsRoot, false, true, TKind::Settings, kSystemDir, kUserDir},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(testing::Message() << "row " << i);
    TFolders folders;
    ASSERT_TRUE(folders.Valid());
    const QString name = FileOf(c.Kind);
    if (c.UserHasFile) folders.Touch(kUserDir, name);
    if (c.SystemHasFile) folders.Touch(kSystemDir, name);
    const TFileLocations locations(TFileLocations::TFolders{
        folders.Path(c.Run == TRun::UsrAsRoot ? kUsrBin : kProgramDir), folders.Path(kCurrentDir),
        c.Run != TRun::ReadOnly, folders.Path(kUserDir), folders.Path(kSystemDir)});
    const auto expected = [&](TFolder folder) {
      return QFileInfo(QDir(folders.Path(folder)).filePath(name)).absoluteFilePath();
    };
    EXPECT_EQ(locations.Installed(), c.Run != TRun::Own);
    EXPECT_EQ(QFileInfo(locations.ReadPath(c.Kind, name)).absoluteFilePath(), expected(c.Read));
    const QString written = locations.WritePath(c.Kind, name);
    EXPECT_EQ(QFileInfo(written).absoluteFilePath(), expected(c.Write));
    // The first save of an installed program finds its folder made.
    EXPECT_TRUE(QFileInfo(written).absoluteDir().exists());
    // A path given in full is the user's choice, installed or not.
    const QString absolute = QDir(folders.Path(kCurrentDir)).filePath(QStringLiteral("other.cfg"));
    EXPECT_EQ(locations.ReadPath(c.Kind, absolute), absolute);
    EXPECT_EQ(locations.WritePath(c.Kind, absolute), absolute);
  }
}
