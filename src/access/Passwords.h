#pragma once

#include "ParamList.h"
#include "PasswordDialogs.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The passwords of the program and the access level each one grants: two
// parallel lists, entry i of Privilege belonging to entry i of Password.
// They come from a plain source file (one "LEVEL PASSWORD" line per entry)
// or from its scrambled form qev.pwd, which the program reads at start.
//
// An access level is an access string such as "1-1;1-2;": the pages the
// operator may see. A line with a level only gives the level granted
// without a password.
//
// qev.pwd is scrambled, not encrypted: the key stream depends only on the
// file's name, so anyone with the program can read it.
class TPasswords {
 public:
  // When caseSensitive is false, passwords are upper-cased (ASCII letters)
  // as they are loaded and as they are entered. The dialogs may be absent;
  // then no password can be entered.
  explicit TPasswords(bool caseSensitive, std::unique_ptr<TPasswordDialogs> dialogs = nullptr);
  ~TPasswords();
  TPasswords(const TPasswords&) = delete;
  TPasswords& operator=(const TPasswords&) = delete;

  bool CaseSensitive() const { return FCaseSensitive; }
  const TParamList& Password() const { return *FPassword; }
  const TParamList& Privilege() const { return *FPrivilege; }

  // A password file holds a few hundred entries; a text of more lines than
  // this is not one (a megabyte of empty lines would be a million entries).
  static constexpr int kMaxLines = 4096;

  // The loaders replace both lists; on a failure (no such file, not a
  // regular file, too large to be a password file or of more than kMaxLines
  // lines, a read error) both lists are left empty and the result is false.
  bool LoadSourcePasswordsList(const QString& fileName);
  bool LoadPasswordsList(const QString& fileName);
  // Write the whole file or leave the old one as it was.
  bool SaveSourcePasswordsList(const QString& fileName) const;
  bool SavePasswordsList(const QString& fileName) const;

  // The same formats in memory. The scrambled form needs the file's name:
  // it seeds the key stream. Every text of up to kMaxLines lines gives a
  // list: a code that is not two hexadecimal digits counts as 0.
  bool LoadSourceFromBytes(const QByteArray& bytes);
  bool LoadFromBytes(const QByteArray& bytes, const QString& fileName);
  QByteArray SaveSourceToBytes() const;
  QByteArray SaveToBytes(const QString& fileName) const;

  // Asks the operator for a password. True when it is in the list: password
  // is what was typed in Windows-1251 (upper-cased unless case-sensitive)
  // and privilege its level. A typed character that the code page does not
  // have matches nothing. A cancelled entry gives false silently; an unknown password shows
  // the wrong-password notice and gives false. privilege is empty on false.
  bool EnterPassword(QByteArray& password, QByteArray& privilege);

  // Position of the first equal password, or -1.
  int GetPasswordIdx(const QByteArray& password) const;
  QByteArray GetPasswordForIdx(int index, bool& found) const;
  QByteArray GetPrivilegeForIdx(int index, bool& found) const;
  QByteArray GetPrivilegeForPassword(const QByteArray& password, bool& found) const;

 private:
  void Clear();
  void AddLine(const QByteArray& line);
  QByteArray Folded(const QByteArray& password) const;
  QByteArray PlainLine(int index) const;

  const bool FCaseSensitive;
  std::unique_ptr<TPasswordDialogs> FDialogs;
  std::unique_ptr<TParamList> FPassword;
  std::unique_ptr<TParamList> FPrivilege;
};
