#pragma once

#include <QValidator>

// Refuses the two characters that delimit the items of a request on the
// line. A threshold typed as "5;MODE=1" would otherwise end its item early
// and write a variable other than the one on the screen. Every other text,
// an empty one included, is accepted as it is.
class TWireTextValidator : public QValidator {
 public:
  explicit TWireTextValidator(QObject* parent = nullptr) : QValidator(parent) {}

  State validate(QString& input, int& position) const override;
};
