#include "EnterPasswordWindow.h"
#include "PasswordForms.h"
#include "PasswordIsIncorrectWindow.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(QAccessible::Name) : QString();
}

template <typename T>
T* Child(QWidget& form, const char* name) {
  T* child = form.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

}  // namespace

TEST(PasswordForms, EntryMasksTheTextAndEndsWithEnterOrEsc) {
  TEnterPasswordForm form;
  form.show();
  QLineEdit* edit = form.PasswordEdit();
  QTest::keyClicks(edit, QStringLiteral("Parol 1"));
  EXPECT_EQ(form.Password(), QStringLiteral("Parol 1"));
  EXPECT_EQ(edit->displayText(), QString(7, QLatin1Char('*')));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());

  form.SetPassword(QStringLiteral("x"));
  EXPECT_EQ(edit->text(), QStringLiteral("x"));
  form.show();
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(form.size(), QSize(357, 115));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Пароль"));
}

TEST(PasswordForms, EntryIsEmptyEachTimeAndOnlyOkGivesThePassword) {
  QStringList shown;
  int answer = QDialog::Rejected;
  TPasswordForms forms(nullptr, [&](QDialog& dialog) {
    auto& entry = dynamic_cast<TEnterPasswordForm&>(dialog);
    shown << entry.PasswordEdit()->text();
    entry.PasswordEdit()->insert(QStringLiteral("Секрет"));
    return answer;
  });
  QString password = QStringLiteral("old");
  EXPECT_FALSE(forms.AskPassword(password));
  EXPECT_EQ(password, QStringLiteral("old"));
  answer = QDialog::Accepted;
  EXPECT_TRUE(forms.AskPassword(password));
  EXPECT_EQ(password, QStringLiteral("Секрет"));
  EXPECT_EQ(shown, QStringList({QString(), QString()}));
}

TEST(PasswordForms, ControlsAndPicturesAreNamedForAccessibility) {
  TPasswordForms forms;
  TEnterPasswordForm& entry = forms.EnterPasswordForm();
  entry.show();
  EXPECT_EQ(AccessibleName(entry.PasswordEdit()), QStringLiteral("Пароль"));
  EXPECT_EQ(AccessibleName(Child<QPushButton>(entry, "OkBtn")), QStringLiteral("OK"));
  EXPECT_EQ(AccessibleName(Child<QPushButton>(entry, "CancelBtn")), QStringLiteral("Отменить"));
  QLabel* open = Child<QLabel>(entry, "Image1");
  EXPECT_EQ(AccessibleName(open), QStringLiteral("Открытый замок"));
  EXPECT_EQ(open->pixmap().size(), QSize(50, 50));

  TPasswordIsIncorrectForm& wrong = forms.BadPasswordForm();
  wrong.show();
  EXPECT_EQ(AccessibleName(Child<QLabel>(wrong, "Label1")), QStringLiteral("Пароль набран неправильно!"));
  EXPECT_EQ(AccessibleName(Child<QPushButton>(wrong, "OkBtn")), QStringLiteral("Yes"));
  QLabel* closed = Child<QLabel>(wrong, "Image1");
  EXPECT_EQ(AccessibleName(closed), QStringLiteral("Закрытый замок"));
  EXPECT_EQ(closed->pixmap().size(), QSize(50, 50));
}
