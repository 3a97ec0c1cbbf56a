#include "WireTextValidator.h"

QValidator::State TWireTextValidator::validate(QString& input, int&) const {
  return input.contains(QLatin1Char(';')) || input.contains(QLatin1Char('=')) ? Invalid : Acceptable;
}
