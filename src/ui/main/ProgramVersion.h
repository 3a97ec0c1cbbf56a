#pragma once

#include <QString>

// The program's version number, written once: the build's project version.
namespace ProgramVersion {

inline const QString kNumber = QStringLiteral(QEV_VERSION);

}  // namespace ProgramVersion
