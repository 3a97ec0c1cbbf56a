#include "FileLocations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kSystemFolder = QStringLiteral("/etc/qev");
const QString kPackageTree = QStringLiteral("/usr/");

}  // namespace

TFileLocations::TFileLocations(TFolders folders) : FFolders(std::move(folders)) {}

QString TFileLocations::SystemFolder() { return kSystemFolder; }

QString TFileLocations::UserFolder() {
  // Not AppConfigLocation of the running program: qev-cli would then get a
  // folder of its own, and the window renames itself after start-up.
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("qev"));
}

bool TFileLocations::Installed() const {
  const QString folder = QDir::fromNativeSeparators(FFolders.ProgramDir);
  return !FFolders.ProgramDirWritable || folder.startsWith(kPackageTree);
}

QString TFileLocations::OwnFolderPath(TKind kind, const QString& fileName) const {
  const QString& folder = kind == TKind::Settings ? FFolders.ProgramDir : FFolders.CurrentDir;
  return QDir(folder).filePath(fileName);
}

QString TFileLocations::ReadPath(TKind kind, const QString& fileName) const {
  if (QDir::isAbsolutePath(fileName)) return fileName;
  if (!Installed()) return OwnFolderPath(kind, fileName);
  const QString system = QDir(FFolders.SystemDir).filePath(fileName);
  if (kind == TKind::Passwords) return system;
  const QString user = QDir(FFolders.UserDir).filePath(fileName);
  if (kind == TKind::Settings && !QFileInfo::exists(user) && QFileInfo::exists(system)) return system;
  return user;
}

QString TFileLocations::WritePath(TKind kind, const QString& fileName) const {
  if (QDir::isAbsolutePath(fileName)) return fileName;
  if (!Installed()) return OwnFolderPath(kind, fileName);
  if (kind == TKind::Passwords) return QDir(FFolders.SystemDir).filePath(fileName);
  QDir().mkpath(FFolders.UserDir);
  return QDir(FFolders.UserDir).filePath(fileName);
}
