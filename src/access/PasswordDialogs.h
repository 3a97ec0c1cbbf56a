#pragma once

#include <QString>

// The two windows of the password store: the entry of a password and the
// notice that it was wrong. The store lives below the windows and knows only
// this interface; the program's password forms implement it.
class TPasswordDialogs {
 public:
  virtual ~TPasswordDialogs() = default;
  // Shows the entry with an empty field and blocks until the operator is
  // done. True when confirmed with OK: password then holds what was typed,
  // as typed; the store decides what it matches.
  virtual bool AskPassword(QString& password) = 0;
  // Tells the operator that the password is not known; blocks until closed.
  virtual void ShowPasswordIsIncorrect() = 0;
};
