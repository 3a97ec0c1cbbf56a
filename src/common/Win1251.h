#pragma once

#include <QByteArray>
#include <QString>

// The program keeps every text in the Windows-1251 code page, as the
// installation and the files do; the user interface shows QString. These two
// conversions are the only crossing between the two.
namespace Win1251 {

QString ToUnicode(const QByteArray& text);
// Characters that the code page does not have become "?".
QByteArray FromUnicode(const QString& text);

}  // namespace Win1251
