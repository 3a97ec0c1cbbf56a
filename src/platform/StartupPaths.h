#pragma once

#include "FileLocations.h"
#include "PlatformInfo.h"

#include <QString>

// Folders and the operating-system family, recorded once at start-up before
// any window exists. Both folders end in the platform's separator.
//
// Run from a folder of its own, the program keeps its settings file beside
// the program file, so it is found whatever folder the program was started
// from; installed, in the user's folder. FileLocations() gives each file's
// place (see TFileLocations).
void InitStartupPaths(const QString& programFilePath, const QString& currentDir);

// The folder of a file path followed by the separator. For a file in the
// root folder the folder text already ends in the separator, so the result
// ends in two of them, which every file system takes as one.
QString FolderWithSeparator(const QString& path);

const QString& ProgramDir();
const QString& CurrentDir();
const TPlatformInfo& PlatformInfo();
const TFileLocations& FileLocations();
