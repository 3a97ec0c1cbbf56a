#include "FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TKind = TFileLocations::TKind;

// The folders a row may name; Usr is the package's /usr/bin, never touched.
enum class TFolder { Program, Current, User, System, Usr };

struct TCase {
  const char* Name;
  TFolder ProgramFolder;  // Program or Usr
  bool Writable;
  QStringList UserFiles;
  QStringList SystemFiles;
  TKind Kind;
  QString FileName;
  TFolder Read;
  TFolder Write;
};

// The program, working, user and system folders as temporary folders, so
// the administrator's folder is never the machine's real /etc/qev.
class TFolders {
 public:
  TFolders() {
    for (const char* name : {"program", "current", "system"}) QDir(FRoot.path()).mkpath(name);
  }
  QString Path(TFolder folder) const {
    switch (folder) {
      case TFolder::Program:
        return Sub("program");
      case TFolder::Current:
        return Sub("current");
      case TFolder::User:
        return Sub("home/.config/qev");
      case TFolder::System:
        return Sub("system");
      case TFolder::Usr:
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

const QString kCfg = QStringLiteral("commport.cfg");
const QString kDtf = QStringLiteral("qev.dtf");
const QString kPwd = QStringLiteral("qev.pwd");

}  // namespace

TEST(FileLocations, EachFileIsReadAndWrittenWhereItsRuleSays) {
  const TCase cases[] = {
      // Run from a folder of its own: exactly as before, /etc/qev unread.
      {"own folder: settings beside the program",
       TFolder::Program,
       true,
       {},
       {kCfg},
       TKind::Settings,
       kCfg,
       TFolder::Program,
       TFolder::Program},
      {"own folder: data in the working folder",
       TFolder::Program,
       true,
       {},
       {},
       TKind::WorkingData,
       kDtf,
       TFolder::Current,
       TFolder::Current},
      {"own folder: passwords in the working folder",
       TFolder::Program,
       true,
       {},
       {kPwd},
       TKind::Passwords,
       kPwd,
       TFolder::Current,
       TFolder::Current},
      // Installed: the user's file wins, the administrator's is the default.
      {"installed: the user's settings",
       TFolder::Program,
       false,
       {kCfg},
       {kCfg},
       TKind::Settings,
       kCfg,
       TFolder::User,
       TFolder::User},
      {"installed: the administrator's settings",
       TFolder::Program,
       false,
       {},
       {kCfg},
       TKind::Settings,
       kCfg,
       TFolder::System,
       TFolder::User},
      {"installed: no settings at all",
       TFolder::Program,
       false,
       {},
       {},
       TKind::Settings,
       kCfg,
       TFolder::User,
       TFolder::User},
      {"installed: data only the user's",
       TFolder::Program,
       false,
       {},
       {kDtf},
       TKind::WorkingData,
       kDtf,
       TFolder::User,
       TFolder::User},
      {"installed: passwords only the administrator's",
       TFolder::Program,
       false,
       {kPwd},
       {},
       TKind::Passwords,
       kPwd,
       TFolder::System,
       TFolder::System},
      // /usr belongs to the package manager even where root may write.
      {"installed in /usr, run by root",
       TFolder::Usr,
       true,
       {},
       {kCfg},
       TKind::Settings,
       kCfg,
       TFolder::System,
       TFolder::User},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFolders folders;
    ASSERT_TRUE(folders.Valid());
    for (const QString& name : c.UserFiles) folders.Touch(TFolder::User, name);
    for (const QString& name : c.SystemFiles) folders.Touch(TFolder::System, name);
    const TFileLocations locations(
        TFileLocations::TFolders{folders.Path(c.ProgramFolder), folders.Path(TFolder::Current), c.Writable,
                                 folders.Path(TFolder::User), folders.Path(TFolder::System)});
    EXPECT_EQ(locations.Installed(), !c.Writable || c.ProgramFolder == TFolder::Usr);
    EXPECT_EQ(QFileInfo(locations.ReadPath(c.Kind, c.FileName)).absoluteFilePath(),
              QFileInfo(QDir(folders.Path(c.Read)).filePath(c.FileName)).absoluteFilePath());
    const QString written = locations.WritePath(c.Kind, c.FileName);
    EXPECT_EQ(QFileInfo(written).absoluteFilePath(),
              QFileInfo(QDir(folders.Path(c.Write)).filePath(c.FileName)).absoluteFilePath());
    // The first save of an installed program finds its folder made.
    EXPECT_TRUE(QFileInfo(written).absoluteDir().exists());
    // A path given in full is the user's choice, installed or not.
    const QString absolute = QDir(folders.Path(TFolder::Current)).filePath(QStringLiteral("other.cfg"));
    EXPECT_EQ(locations.ReadPath(c.Kind, absolute), absolute);
    EXPECT_EQ(locations.WritePath(c.Kind, absolute), absolute);
  }
}
