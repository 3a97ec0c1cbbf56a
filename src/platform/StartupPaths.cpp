#include "StartupPaths.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

QString gProgramDir;
QString gCurrentDir;
std::unique_ptr<TPlatformInfo> gPlatformInfo;

QString WithSeparator(const QString& folder) { return QDir::toNativeSeparators(folder) + QDir::separator(); }

}  // namespace

QString FolderWithSeparator(const QString& path) { return WithSeparator(QFileInfo(path).absolutePath()); }

void InitStartupPaths(const QString& programFilePath, const QString& currentDir) {
  gProgramDir = FolderWithSeparator(programFilePath);
  gCurrentDir = WithSeparator(QFileInfo(currentDir).absoluteFilePath());
  gPlatformInfo = std::make_unique<TPlatformInfo>();
}

const QString& ProgramDir() { return gProgramDir; }

const QString& CurrentDir() { return gCurrentDir; }

const TPlatformInfo& PlatformInfo() {
  if (!gPlatformInfo) gPlatformInfo = std::make_unique<TPlatformInfo>();
  return *gPlatformInfo;
}
