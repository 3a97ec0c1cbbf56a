#pragma once

#include <QDialog>

class QLineEdit;

// "База истории": the database the history window shows and "Синхронизировать"
// fills, as one line: an SQLite file's path or a PostgreSQL address.
class THistoryDatabaseDialog : public QDialog {
  Q_OBJECT

 public:
  explicit THistoryDatabaseDialog(QWidget* parent = nullptr);

  void SetDatabaseName(const QString& name);
  // The line as typed, blanks around it dropped.
  QString DatabaseName() const;
  QLineEdit* NameEdit() const { return FNameEdit; }

 private:
  QLineEdit* FNameEdit;
};
