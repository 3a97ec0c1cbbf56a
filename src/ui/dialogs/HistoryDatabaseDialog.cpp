#include "HistoryDatabaseDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

THistoryDatabaseDialog::THistoryDatabaseDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("HistoryDatabaseDialog"));
  setWindowTitle(QStringLiteral("База истории"));
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(QStringLiteral("Файл SQLite или адрес PostgreSQL:"), this);
  FNameEdit = new QLineEdit(this);
  FNameEdit->setObjectName(QStringLiteral("NameEdit"));
  FNameEdit->setMinimumWidth(460);
  prompt->setBuddy(FNameEdit);
  // The password of a PostgreSQL server stays in libpq's own file, which
  // only its owner reads; the program keeps the address in a plain one.
  auto* hint = new QLabel(QStringLiteral("Например: /home/operator/qev-history.sqlite или "
                                         "postgresql://operator@server:5432/qev\n"
                                         "Пароль PostgreSQL указывается в файле ~/.pgpass, а не здесь."),
                          this);
  hint->setEnabled(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(FNameEdit, &QLineEdit::textChanged, this, [buttons](const QString& text) {
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
  });
  layout->addWidget(prompt);
  layout->addWidget(FNameEdit);
  layout->addWidget(hint);
  layout->addWidget(buttons);
}

void THistoryDatabaseDialog::SetDatabaseName(const QString& name) { FNameEdit->setText(name); }

QString THistoryDatabaseDialog::DatabaseName() const { return FNameEdit->text().trimmed(); }
