#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;

// Every window that waits for the operator's answer opens through here: the
// message boxes, the modal dialogs and the file dialogs. The program shows
// the real windows; tests answer them and record what was asked, so no test
// needs a person in front of the screen.
class TOperatorDialogs {
 public:
  // The four kinds of message box the program shows. Warnings, errors and
  // the notices carry the buttons their caller names; questions Yes and No.
  enum class TMessageKind { Warning, Error, Information, Confirmation };

  struct TFileRequest {
    QString Filter;         // Qt filter text, e.g. "Spectra (*.spc);;All files (*.*)"
    QString DefaultSuffix;  // appended when the operator types a name without one, no dot;
                            // the extension of the filter chosen takes its place
  };

  virtual ~TOperatorDialogs() = default;

  // Shows a message box and returns the button that closed it.
  virtual QMessageBox::StandardButton Message(TMessageKind kind, const QString& text,
                                              QMessageBox::StandardButtons buttons) = 0;
  // Runs the dialog modally and returns its result (QDialog::Accepted or
  // QDialog::Rejected).
  virtual int RunModal(QDialog& dialog) = 0;
  // The file chosen to read (it exists) or to write (overwriting it was
  // confirmed); an empty text when the operator cancelled.
  virtual QString OpenFileName(const TFileRequest& request) = 0;
  virtual QString SaveFileName(const TFileRequest& request) = 0;
};
