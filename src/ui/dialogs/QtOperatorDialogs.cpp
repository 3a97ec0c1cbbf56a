#include "QtOperatorDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QRegularExpression>

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

// The extension of a filter's first pattern ("Таблица CSV (*.csv)" gives
// "csv"); empty for a pattern of any extension.
QString FilterSuffix(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
  const QRegularExpressionMatch match = pattern.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

QString RunFileDialog(const TOperatorDialogs::TFileRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(request.Filter);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  // A name typed without an extension takes the one of the filter chosen,
  // so that the file's extension tells the format it is written in.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& filter) {
    const QString suffix = FilterSuffix(filter);
    dialog.setDefaultSuffix(suffix.isEmpty() ? request.DefaultSuffix : suffix);
  });
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
