#pragma once

#include <QByteArray>
#include <QString>

// The program keeps every text in the Windows-1251 code page, as the
// installation and the files do; the user interface shows QString. These two
// conversions are the only crossing between the two.
namespace Win1251 {

QString ToUnicode(const QByteArray& text);
// Characters that the code page does not have become the converter's
// substitute byte (SUB, 0x1A, with Qt's ICU converter).
QByteArray FromUnicode(const QString& text);

}  // namespace Win1251
