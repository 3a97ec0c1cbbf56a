#include "Passwords.h"

#include "AtomicFile.h"
#include "PasswordKeyStream.h"
#include "RegularFile.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <optional>

namespace {

// A password file holds a few lines; anything larger is not one.
constexpr qint64 kMaxFileSize = 1 << 20;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The lines of a file as a line reader sees them: an empty file still has
// one empty line. None for more lines than a password file holds, counted
// before a list of them is built.
std::optional<QByteArrayList> FileLines(const QByteArray& bytes) {
  if (bytes.count('\n') > TPasswords::kMaxLines) return std::nullopt;
  QByteArrayList lines = TextUtils::SplitLines(bytes);
  if (lines.size() > TPasswords::kMaxLines) return std::nullopt;
  if (lines.isEmpty()) lines << QByteArray();
  return lines;
}

// A character outside the code page would arrive as the converter's
// substitute (SUB, or "?") and match that byte in the file: only a text
// that converts back unchanged is a password.
std::optional<QByteArray> ExactWin1251(const QString& text) {
  QByteArray bytes = Win1251::FromUnicode(text);
  if (Win1251::ToUnicode(bytes) != text) return std::nullopt;
  return bytes;
}

// A code of the scrambled file: its first two characters as hexadecimal
// digits; anything shorter or other counts as 0.
uint8_t CodeValue(const char* word, qsizetype size) {
  if (size < 2) return 0;
  return TextUtils::HexToByte(QByteArray::fromRawData(word, 2)).value_or(0);
}

// Undoes the scrambling of one line: each blank-separated word is a code.
// A line of blanks only is one empty word, so one character.
QByteArray UnscrambleLine(const QByteArray& line, TPasswordKeyStream& keys) {
  QByteArray plain;
  const qsizetype size = line.size();
  plain.reserve(size / 3 + 1);
  qsizetype at = 0;
  while (at < size) {
    while (at < size && IsBlank(line[at])) ++at;
    const qsizetype start = at;
    while (at < size && line[at] != ' ') ++at;
    plain += static_cast<char>(CodeValue(line.constData() + start, at - start) ^ keys.Next());
    if (at < size) {
      ++at;
      while (at < size && IsBlank(line[at])) ++at;
    }
  }
  return plain;
}

}  // namespace

TPasswords::TPasswords(bool caseSensitive, std::unique_ptr<TPasswordDialogs> dialogs)
    : FCaseSensitive(caseSensitive),
      FDialogs(std::move(dialogs)),
      FPassword(std::make_unique<TParamList>()),
      FPrivilege(std::make_unique<TParamList>()) {}

TPasswords::~TPasswords() = default;

void TPasswords::Clear() {
  FPassword = std::make_unique<TParamList>();
  FPrivilege = std::make_unique<TParamList>();
}

QByteArray TPasswords::Folded(const QByteArray& password) const {
  return FCaseSensitive ? password : TextUtils::AsciiUpper(password);
}

// The level is the first word; the password is the rest after the blanks
// that follow it, so it may hold blanks inside but not at its start.
void TPasswords::AddLine(const QByteArray& line) {
  FPrivilege->AddStr(TextUtils::FirstWord(line));
  FPassword->AddStr(Folded(TextUtils::DropFirstWord(line)));
}

QByteArray TPasswords::PlainLine(int index) const {
  return FPrivilege->GetItem(index)->Text + ' ' + FPassword->GetItem(index)->Text;
}

bool TPasswords::LoadSourceFromBytes(const QByteArray& bytes) {
  Clear();
  const std::optional<QByteArrayList> lines = FileLines(bytes);
  if (!lines) return false;
  for (const QByteArray& line : *lines) AddLine(line);
  return true;
}

bool TPasswords::LoadFromBytes(const QByteArray& bytes, const QString& fileName) {
  Clear();
  const std::optional<QByteArrayList> lines = FileLines(bytes);
  if (!lines) return false;
  TPasswordKeyStream keys(fileName);
  for (const QByteArray& line : *lines) AddLine(UnscrambleLine(line, keys));
  return true;
}

QByteArray TPasswords::SaveSourceToBytes() const {
  QByteArray bytes;
  for (int i = 0; i < FPassword->Count(); ++i) bytes += PlainLine(i) + "\r\n";
  return bytes;
}

QByteArray TPasswords::SaveToBytes(const QString& fileName) const {
  QByteArray bytes;
  TPasswordKeyStream keys(fileName);
  for (int i = 0; i < FPassword->Count(); ++i) {
    QByteArray scrambled = PlainLine(i);
    for (char& c : scrambled) c = static_cast<char>(static_cast<uint8_t>(c) ^ keys.Next());
    bytes += scrambled.toHex(' ').toUpper() + "\r\n";
  }
  return bytes;
}

bool TPasswords::LoadSourcePasswordsList(const QString& fileName) {
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileSize);
  if (!bytes) {
    Clear();
    return false;
  }
  return LoadSourceFromBytes(*bytes);
}

bool TPasswords::LoadPasswordsList(const QString& fileName) {
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileSize);
  if (!bytes) {
    Clear();
    return false;
  }
  return LoadFromBytes(*bytes, fileName);
}

bool TPasswords::SaveSourcePasswordsList(const QString& fileName) const {
  return SaveFileAtomically(fileName, SaveSourceToBytes());
}

bool TPasswords::SavePasswordsList(const QString& fileName) const {
  return SaveFileAtomically(fileName, SaveToBytes(fileName));
}

bool TPasswords::EnterPassword(QByteArray& password, QByteArray& privilege) {
  privilege.clear();
  if (!FDialogs) return false;
  QString typed;
  if (!FDialogs->AskPassword(typed)) return false;
  const std::optional<QByteArray> exact = ExactWin1251(typed);
  password = Folded(exact ? *exact : Win1251::FromUnicode(typed));
  bool found = false;
  const QByteArray level = exact ? GetPrivilegeForPassword(password, found) : QByteArray();
  if (!found) {
    FDialogs->ShowPasswordIsIncorrect();
    return false;
  }
  privilege = level;
  return true;
}

int TPasswords::GetPasswordIdx(const QByteArray& password) const { return FPassword->IndexOfStr(Folded(password)); }

QByteArray TPasswords::GetPasswordForIdx(int index, bool& found) const {
  const TParamListItem* item = FPassword->GetItem(index);
  found = item != nullptr;
  return found ? item->Text : QByteArray();
}

QByteArray TPasswords::GetPrivilegeForIdx(int index, bool& found) const {
  const TParamListItem* item = FPrivilege->GetItem(index);
  found = item != nullptr;
  return found ? item->Text : QByteArray();
}

QByteArray TPasswords::GetPrivilegeForPassword(const QByteArray& password, bool& found) const {
  const int index = GetPasswordIdx(password);
  if (index < 0) {
    found = false;
    return {};
  }
  return GetPrivilegeForIdx(index, found);
}
