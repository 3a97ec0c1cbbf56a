#pragma once

#include <QString>

#include <optional>

class QLineEdit;

// The three-digit masked edit of the number dialogs. Its unfilled positions
// show as spaces.
namespace NumberEditText {

// The number the edit holds, every space dropped; no value for an empty text.
std::optional<int> Value(const QString& text);

// Gives the edit the focus and selects its whole text, so that what the
// operator types replaces the old value.
void FocusAndSelectAll(QLineEdit* edit);

}  // namespace NumberEditText
