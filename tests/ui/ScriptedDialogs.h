#pragma once

#include "OperatorDialogs.h"

#include <QDialog>

#include <deque>
#include <functional>
#include <vector>

// Answers the windows that wait for the operator, from a script, and keeps
// what was asked. A message box without a scripted answer is closed with its
// affirmative button (Yes, else OK); a dialog without one is cancelled; a
// file dialog without one is cancelled.
class TScriptedDialogs : public TOperatorDialogs {
 public:
  struct TAsked {
    TMessageKind Kind;
    QString Text;
    QMessageBox::StandardButtons Buttons;
  };
  using TDialogAnswer = std::function<int(QDialog&)>;

  std::vector<TAsked> Asked;
  std::deque<QMessageBox::StandardButton> Answers;
  std::deque<TDialogAnswer> DialogAnswers;
  std::deque<QString> FileNames;
  int DialogsRun = 0;
  // Called while a message box is up, before it is answered.
  std::function<void(const TAsked&)> WhileAsking;

  QMessageBox::StandardButton Message(TMessageKind kind, const QString& text,
                                      QMessageBox::StandardButtons buttons) override {
    Asked.push_back({kind, text, buttons});
    if (WhileAsking) WhileAsking(Asked.back());
    if (!Answers.empty()) {
      const QMessageBox::StandardButton answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
  }

  int RunModal(QDialog& dialog) override {
    ++DialogsRun;
    if (DialogAnswers.empty()) return QDialog::Rejected;
    const TDialogAnswer answer = DialogAnswers.front();
    DialogAnswers.pop_front();
    return answer(dialog);
  }

  QString OpenFileName(const TFileRequest&) override { return NextFileName(); }
  QString SaveFileName(const TFileRequest&) override { return NextFileName(); }

  // The texts of the message boxes shown, in order.
  QStringList Texts() const {
    QStringList texts;
    for (const TAsked& asked : Asked) texts << asked.Text;
    return texts;
  }

 private:
  QString NextFileName() {
    if (FileNames.empty()) return {};
    const QString name = FileNames.front();
    FileNames.pop_front();
    return name;
  }
};
