#pragma once

#include <QString>

// Texts that more than one part of the main window uses.
namespace AerosolMainTexts {

inline const QString kComPortFile = QStringLiteral("commport.cfg");
inline const QString kPortUnavailable =
    QStringLiteral("Выбранный последовательный порт недоступен. Попробуйте перенастроить программу.");

}  // namespace AerosolMainTexts
