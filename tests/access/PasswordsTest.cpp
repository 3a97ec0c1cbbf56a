#include "PasswordKeyStream.h"
#include "Passwords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <sys/stat.h>

namespace {

QByteArray Stream(const QString& fileName, int count) {
  TPasswordKeyStream keys(fileName);
  QByteArray bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>(keys.Next());
  return bytes;
}

// Entries as "LEVEL|PASSWORD" for short comparisons.
QByteArrayList Entries(const TPasswords& passwords) {
  QByteArrayList entries;
  for (int i = 0; i < passwords.Password().Count(); ++i)
    entries << passwords.Privilege().GetItem(i)->Text + '|' + passwords.Password().GetItem(i)->Text;
  return entries;
}

// Answers the entry with the next scripted text, or cancels when there is
// none; counts the wrong-password notices.
class TScriptedPasswordDialogs : public TPasswordDialogs {
 public:
  explicit TScriptedPasswordDialogs(std::deque<QString> typed, int& notices)
      : FTyped(std::move(typed)), FNotices(notices) {}
  bool AskPassword(QString& password) override {
    if (FTyped.empty()) return false;
    password = FTyped.front();
    FTyped.pop_front();
    return true;
  }
  void ShowPasswordIsIncorrect() override { ++FNotices; }

 private:
  std::deque<QString> FTyped;
  int& FNotices;
};

const QByteArray kSource = "3-1\r\n1-1;1-2;1-3; Operator\r\n  3;4;5; Admin  1\r\n";

}  // namespace

// The stream decides whether every existing qev.pwd stays readable: these
// bytes must never change.
TEST(PasswordKeyStream, IsPinnedAndDependsOnTheNameOnly) {
  EXPECT_EQ(Stream("qev.pwd", 16).toHex(' ').toUpper(), "67 BE C6 BE B4 B1 1C 0F 2C 9E F2 D6 60 2E CC 85");
  EXPECT_EQ(Stream("other.pwd", 16).toHex(' ').toUpper(), "42 E2 13 8A F9 A6 3D 04 9D 4A BD C6 7B 2F E7 D3");
  // Windows-1251 bytes; only ASCII letters are lower-cased.
  EXPECT_EQ(Stream(QStringLiteral("Пароли.PWD"), 8).toHex(' ').toUpper(), "6A 9A 0B 31 44 02 4B 96");
  for (const QString& name : {QStringLiteral("C:\\Program Files\\КЕВ\\QEV.PWD"), QStringLiteral("/opt/qev/Qev.Pwd")})
    EXPECT_EQ(Stream(name, 64), Stream("qev.pwd", 64)) << name.toStdString();
}

TEST(Passwords, ScrambledFileIsPinnedAndReadsBack) {
  TPasswords passwords(true);
  passwords.LoadSourceFromBytes("1-1;1-2;\r\n3;4; Admin 1\r\n");
  const QByteArray scrambled = passwords.SaveToBytes("qev.pwd");
  EXPECT_EQ(scrambled, "56 93 F7 85 85 9C 2E 34 0C\r\nAD C9 E2 5B 0E 8D E1 F1 FC 86 69 42\r\n");

  TPasswords loaded(true);
  loaded.LoadFromBytes(scrambled, "/somewhere/QEV.PWD");
  EXPECT_EQ(Entries(loaded), QByteArrayList({"1-1;1-2;|", "3;4;|Admin 1"}));
  loaded.LoadFromBytes(scrambled, "qev2.pwd");
  EXPECT_NE(Entries(loaded), QByteArrayList({"1-1;1-2;|", "3;4;|Admin 1"}));
}

TEST(Passwords, SourceLinesSplitIntoLevelAndPassword) {
  TPasswords passwords(true);
  passwords.LoadSourceFromBytes(kSource + "\r\n2-1;");
  EXPECT_EQ(Entries(passwords), QByteArrayList({"3-1|", "1-1;1-2;1-3;|Operator", "3;4;5;|Admin  1", "|", "2-1;|"}));
  bool found = false;
  EXPECT_EQ(passwords.GetPrivilegeForPassword("", found), "3-1");
  EXPECT_TRUE(found);

  // An empty file is one empty line: an entry whose level is empty.
  passwords.LoadSourceFromBytes("");
  EXPECT_EQ(Entries(passwords), QByteArrayList({"|"}));
  EXPECT_EQ(passwords.GetPrivilegeForPassword("", found), "");
  EXPECT_TRUE(found);
}

TEST(Passwords, CaseSensitivityBothWays) {
  TPasswords folding(false);
  folding.LoadSourceFromBytes("5 secret\r\n");
  EXPECT_EQ(folding.GetPasswordIdx("SECRET"), 0);
  EXPECT_EQ(folding.GetPasswordIdx("Secret"), 0);
  TPasswords exact(true);
  exact.LoadSourceFromBytes("5 secret\r\n");
  EXPECT_EQ(exact.GetPasswordIdx("SECRET"), -1);
  EXPECT_EQ(exact.GetPasswordIdx("secret"), 0);
}

TEST(Passwords, ScrambledCodesAreReadLeniently) {
  TPasswords passwords(true);
  passwords.LoadSourceFromBytes("7 ab\r\n");
  const QByteArray scrambled = passwords.SaveToBytes("qev.pwd");
  QByteArray spaced = scrambled;
  spaced.replace(" ", "   \t ");
  passwords.LoadFromBytes("  " + spaced.toLower(), "qev.pwd");
  EXPECT_EQ(Entries(passwords), QByteArrayList({"7|ab"}));

  // A code that is not two hexadecimal digits counts as 0, so the character
  // is the key byte itself; characters after the first two are ignored.
  const QByteArray keys = Stream("qev.pwd", 4);
  passwords.LoadFromBytes("4x 00 " + scrambled.mid(6, 2) + "zz 7", "qev.pwd");
  ASSERT_EQ(passwords.Privilege().Count(), 1);
  const QByteArray level = passwords.Privilege().GetItem(0)->Text;
  EXPECT_EQ(static_cast<uint8_t>(level[0]), static_cast<uint8_t>(keys[0]));
  EXPECT_EQ(static_cast<uint8_t>(level[1]), static_cast<uint8_t>(keys[1]));
  EXPECT_EQ(level.size(), 4);
  EXPECT_EQ(level[2], 'a');
  EXPECT_EQ(static_cast<uint8_t>(level[3]), static_cast<uint8_t>(keys[3]));
}

TEST(Passwords, PositionsOutsideTheListGiveNothing) {
  TPasswords passwords(true);
  bool found = true;
  EXPECT_EQ(passwords.GetPasswordIdx(""), -1);
  EXPECT_EQ(passwords.GetPrivilegeForPassword("", found), "");
  EXPECT_FALSE(found);
  passwords.LoadSourceFromBytes(kSource);
  for (const int position : {-1, 3}) {
    found = true;
    EXPECT_EQ(passwords.GetPrivilegeForIdx(position, found), "");
    EXPECT_FALSE(found);
    found = true;
    EXPECT_EQ(passwords.GetPasswordForIdx(position, found), "");
    EXPECT_FALSE(found);
  }
  EXPECT_EQ(passwords.GetPasswordForIdx(2, found), "Admin  1");
  EXPECT_TRUE(found);
  EXPECT_EQ(passwords.GetPrivilegeForIdx(1, found), "1-1;1-2;1-3;");
}

TEST(Passwords, FilesSaveWholeAndLoadOnlyWhatIsThere) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TPasswords passwords(true);
  passwords.LoadSourceFromBytes(kSource);
  const QString pwd = dir.filePath("qev.pwd");
  ASSERT_TRUE(passwords.SavePasswordsList(pwd));
  ASSERT_TRUE(passwords.SaveSourcePasswordsList(dir.filePath("qev.txt")));

  TPasswords loaded(true);
  ASSERT_TRUE(loaded.LoadPasswordsList(pwd));
  EXPECT_EQ(Entries(loaded), Entries(passwords));
  ASSERT_TRUE(loaded.LoadSourcePasswordsList(dir.filePath("qev.txt")));
  EXPECT_EQ(Entries(loaded), Entries(passwords));
  ASSERT_TRUE(QFile::copy(pwd, dir.filePath("copy.pwd")));
  ASSERT_TRUE(loaded.LoadPasswordsList(dir.filePath("copy.pwd")));
  EXPECT_NE(Entries(loaded), Entries(passwords));

  // A failed load leaves no entries; a failed save leaves the old file.
  QFile big(dir.filePath("big.pwd"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(2 << 20, '4'));
  big.close();
  // Small, but more lines than a password file holds.
  EXPECT_TRUE(loaded.LoadSourceFromBytes(QByteArray("1\r\n").repeated(TPasswords::kMaxLines)));
  EXPECT_FALSE(loaded.LoadFromBytes(QByteArray("\r\n").repeated(TPasswords::kMaxLines) + "1", pwd));
  EXPECT_EQ(loaded.Password().Count(), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.pwd"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.pwd")).constData(), 0600), 0);
  for (const char* name : {"missing.pwd", "folder.pwd", "big.pwd", "pipe.pwd"}) {
    ASSERT_TRUE(loaded.LoadPasswordsList(pwd));
    EXPECT_FALSE(loaded.LoadPasswordsList(dir.filePath(name))) << name;
    EXPECT_EQ(loaded.Password().Count(), 0) << name;
    EXPECT_FALSE(loaded.LoadSourcePasswordsList(dir.filePath(name))) << name;
    EXPECT_EQ(loaded.Privilege().Count(), 0) << name;
  }
  EXPECT_FALSE(passwords.SavePasswordsList(dir.filePath("folder.pwd")));
  EXPECT_FALSE(passwords.SavePasswordsList(dir.filePath("none/qev.pwd")));
}

TEST(Passwords, EnterPasswordAcceptsKnownPasswordsOnly) {
  int notices = 0;
  // A typed character that Windows-1251 does not have never matches the
  // substitute it would turn into ("?", or SUB as the converter has it).
  TPasswords passwords(false, std::make_unique<TScriptedPasswordDialogs>(
                                  std::deque<QString>{"operator", "nobody", "", "A\u4E2D", "Секрет"}, notices));
  passwords.LoadSourceFromBytes(kSource + "6 A?\r\n6 A\x1A\r\n7 \xD1\xE5\xEA\xF0\xE5\xF2\r\n");
  QByteArray password;
  QByteArray level = "stale";
  EXPECT_TRUE(passwords.EnterPassword(password, level));
  EXPECT_EQ(password, "OPERATOR");
  EXPECT_EQ(level, "1-1;1-2;1-3;");
  EXPECT_FALSE(passwords.EnterPassword(password, level));
  EXPECT_EQ(level, "");
  EXPECT_EQ(notices, 1);
  EXPECT_TRUE(passwords.EnterPassword(password, level));
  EXPECT_EQ(level, "3-1");
  EXPECT_FALSE(passwords.EnterPassword(password, level));
  EXPECT_EQ(notices, 2);
  EXPECT_TRUE(passwords.EnterPassword(password, level));
  EXPECT_EQ(level, "7");
  // Cancelled: silent.
  level = "stale";
  EXPECT_FALSE(passwords.EnterPassword(password, level));
  EXPECT_EQ(level, "");
  EXPECT_EQ(notices, 2);

  TPasswords withoutDialogs(true);
  withoutDialogs.LoadSourceFromBytes(kSource);
  EXPECT_FALSE(withoutDialogs.EnterPassword(password, level));
}
