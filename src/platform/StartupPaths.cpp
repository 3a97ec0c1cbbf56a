#include "StartupPaths.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

QString gProgramDir;
QString gCurrentDir;
std::unique_ptr<TPlatformInfo> gPlatformInfo;
TFileLocations gFileLocations;

QString WithSeparator(const QString& folder) { return QDir::toNativeSeparators(folder) + QDir::separator(); }

}  // namespace

QString FolderWithSeparator(const QString& path) { return WithSeparator(QFileInfo(path).absolutePath()); }

void InitStartupPaths(const QString& programFilePath, const QString& currentDir) {
  gProgramDir = FolderWithSeparator(programFilePath);
  gCurrentDir = WithSeparator(QFileInfo(currentDir).absoluteFilePath());
  gPlatformInfo = std::make_unique<TPlatformInfo>();
  TFileLocations::TFolders folders;
  folders.ProgramDir = gProgramDir;
  folders.CurrentDir = gCurrentDir;
  folders.ProgramDirWritable = QFileInfo(gProgramDir).isWritable();
  folders.UserDir = TFileLocations::UserFolder();
  folders.SystemDir = TFileLocations::SystemFolder();
  gFileLocations = TFileLocations(folders);
}

const QString& ProgramDir() { return gProgramDir; }

const QString& CurrentDir() { return gCurrentDir; }

const TFileLocations& FileLocations() { return gFileLocations; }

const TPlatformInfo& PlatformInfo() {
  if (!gPlatformInfo) gPlatformInfo = std::make_unique<TPlatformInfo>();
  return *gPlatformInfo;
}
