#include "Win1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Win1251 {

QString ToUnicode(const QByteArray& text) {
  QStringDecoder decoder("windows-1251", QStringConverter::Flag::Stateless);
  return decoder.decode(text);
}

QByteArray FromUnicode(const QString& text) {
  QStringEncoder encoder("windows-1251", QStringConverter::Flag::Stateless);
  return encoder.encode(text);
}

}  // namespace Win1251
