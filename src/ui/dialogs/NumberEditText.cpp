#include "NumberEditText.h"

#include "TextUtils.h"

#include <QLineEdit>

namespace NumberEditText {

std::optional<int> Value(const QString& text) {
  QString digits = text;
  digits.remove(u' ');
  if (digits.isEmpty()) return std::nullopt;
  return TextUtils::ParseInt32(digits.toLatin1());
}

void FocusAndSelectAll(QLineEdit* edit) {
  edit->setFocus(Qt::ActiveWindowFocusReason);
  edit->selectAll();
}

}  // namespace NumberEditText
