#include "QtOperatorDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

namespace {

QMessageBox::Icon IconOf(TOperatorDialogs::TMessageKind kind) {
  switch (kind) {
    case TOperatorDialogs::TMessageKind::Warning:
      return QMessageBox::Warning;
    case TOperatorDialogs::TMessageKind::Error:
      return QMessageBox::Critical;
    case TOperatorDialogs::TMessageKind::Information:
      return QMessageBox::Information;
    case TOperatorDialogs::TMessageKind::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString RunFileDialog(const TOperatorDialogs::TFileRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(request.Filter);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace

QMessageBox::StandardButton TQtOperatorDialogs::Message(TMessageKind kind, const QString& text,
                                                        QMessageBox::StandardButtons buttons) {
  QMessageBox box(IconOf(kind), QCoreApplication::applicationName(), text, buttons, QApplication::activeWindow());
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

int TQtOperatorDialogs::RunModal(QDialog& dialog) { return dialog.exec(); }

QString TQtOperatorDialogs::OpenFileName(const TFileRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen);
}

QString TQtOperatorDialogs::SaveFileName(const TFileRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptSave);
}
